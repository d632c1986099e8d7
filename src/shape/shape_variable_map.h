// The linear map from a specimen's superimposed landmark coordinates to the
// shape variables the analyses compare, and the least-norm way back: the
// landmark displacement that a change of the shape variables stands for.
//
// The way back is the pseudo-inverse of the map. Its displacements lie in
// the row space of the map, so they hold nothing the shape variables do not
// see: no translation, no rotation and no change of size of the consensus
// (the partial warps and uniform components are blind to all three).
#pragma once

#include <Eigen/QR>

#include "runtime/matrix.h"

namespace vexmoor {

class ShapeVariableMap {
 public:
  // Two-dimensional partial warps and uniform components on `consensus`
  // (k × 2, the reference the scores are taken against; k >= 4): the first
  // `variables` (<= 2k − 4) of getpwpca's columns. Throws vexmoor::Error as
  // getpwpca does for a reference without warps.
  static ShapeVariableMap partialWarps2D(const Matrix& consensus, Index variables);
  // Three-dimensional partial warps on `consensus` (k × 3, in principal
  // axes): the first `variables` (<= 3k − 7) columns of getpw3d. Throws
  // vexmoor::Error as lmatrix3da does.
  static ShapeVariableMap partialWarps3D(const Matrix& consensus, Index variables);
  // Raw coordinates: variables 1 ... landmarks · dimension are the
  // coordinates themselves, any further ones (the trailing value) are not
  // functions of them. variables >= landmarks · dimension.
  static ShapeVariableMap coordinates(Index landmarks, int dimension, Index variables);

  Index landmarks() const { return m_landmarks; }
  int dimension() const { return m_dimension; }
  Index variables() const { return m_map.rows(); }

  // variables × (landmarks · dimension); column d·j + a belongs to axis a
  // of landmark j (x1 y1 [z1] x2 ...), as in a specimen row.
  const Matrix& matrix() const { return m_map; }

  // The least-norm displacement (landmarks × dimension, one row per
  // landmark) whose image under the map is nearest `change` (a vector of
  // variables() values); exactly `change` when the map reaches it, as it
  // reaches every change of partial-warp scores.
  Matrix displacement(const Vector& change) const;

 private:
  ShapeVariableMap(Matrix map, Index landmarks, int dimension);

  Matrix m_map;
  Eigen::CompleteOrthogonalDecomposition<Matrix> m_inverse;
  Index m_landmarks = 0;
  int m_dimension = 2;
};

}  // namespace vexmoor
