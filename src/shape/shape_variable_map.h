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
#include <optional>
#include <vector>

#include "runtime/matrix.h"

namespace vexmoor {

struct Lmatrix3D;

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
  // The same from the consensus's score basis, already decomposed.
  static ShapeVariableMap partialWarps3D(const Lmatrix3D& basis, Index variables);
  // Raw coordinates: variables 1 ... landmarks · dimension are the
  // coordinates themselves, any further ones (the trailing value) are not
  // functions of them. variables >= landmarks · dimension.
  static ShapeVariableMap coordinates(Index landmarks, int dimension, Index variables);

  Index landmarks() const { return m_landmarks; }
  int dimension() const { return m_dimension; }
  Index variables() const { return m_variables; }

  // The variables of a displacement given as in a specimen row (landmarks ·
  // dimension values, x1 y1 [z1] x2 ...).
  Vector image(const Vector& coordinates) const;

  // The least-norm displacement (landmarks × dimension, one row per
  // landmark) whose image under the map is nearest `change` (a vector of
  // variables() values); exactly `change` when the map reaches it, as it
  // reaches every change of partial-warp scores.
  Matrix displacement(const Vector& change) const;

 private:
  enum class Kind { dense, coordinates, warps3D };
  ShapeVariableMap(Kind kind, Index landmarks, int dimension, Index variables);
  // warps3D: the warp variables of a k × 3 displacement.
  Vector warpScores(const Matrix& byAxis) const;

  Kind m_kind;
  Index m_landmarks = 0;
  int m_dimension = 2;
  Index m_variables = 0;
  // dense: the map as a matrix (variables × landmarks · dimension) and its
  // decomposition for the way back.
  Matrix m_map;
  std::optional<Eigen::CompleteOrthogonalDecomposition<Matrix>> m_inverse;
  // warps3D: the map is never formed (it is (3k)² for k landmarks). Its rows
  // are the warps' eigenvectors (orthonormal, one axis each) and up to five
  // uniform columns; the uniform rows' products with the others and each
  // other settle the way back.
  Matrix m_vectors;             // k × (k − 4), the warps' unit eigenvectors
  Matrix m_uniform;             // 3k × u, the uniform columns used (x block, y block, z block)
  Matrix m_cross;               // (variables − u) × u, the warp rows against the uniform ones
  Eigen::LDLT<Matrix> m_schur;  // u × u: UᵀU − crossᵀcross
};

}  // namespace vexmoor
