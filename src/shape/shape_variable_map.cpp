#include "shape/shape_variable_map.h"

#include <cassert>

#include "shape/partial_warps2d.h"
#include "shape/partial_warps3d.h"

namespace vexmoor {

ShapeVariableMap::ShapeVariableMap(Matrix map, Index landmarks, int dimension)
    : m_map(std::move(map)), m_inverse(m_map), m_landmarks(landmarks), m_dimension(dimension) {}

ShapeVariableMap ShapeVariableMap::partialWarps2D(const Matrix& consensus, Index variables) {
  Index k = consensus.rows();
  assert(consensus.cols() == 2 && variables <= 2 * k - 4);
  RowVector xref(2 * k + 1);
  xref << consensus.reshaped<Eigen::RowMajor>().transpose(), 0.0;
  Matrix warps = gettpse(gettspl(consensus.transpose())).leftCols(k);
  // The scores are linear in the coordinates: warp j takes the x values
  // into one column and the y values into the next.
  Matrix map = Matrix::Zero(2 * k - 4, 2 * k);
  for (Index j = 0; j < k - 3; ++j) {
    for (Index i = 0; i < k; ++i) {
      map(2 * j, 2 * i) = warps(i, j);
      map(2 * j + 1, 2 * i + 1) = warps(i, j);
    }
  }
  map.bottomRows(2) = uniformComponents2D(xref, k);
  return ShapeVariableMap(map.topRows(variables), k, 2);
}

ShapeVariableMap ShapeVariableMap::partialWarps3D(const Matrix& consensus, Index variables) {
  Index k = consensus.rows();
  Matrix af = lmatrix3da(consensus).af;
  assert(variables <= af.cols());
  // af's rows hold the x differences of all landmarks, then y, then z.
  Matrix map(variables, 3 * k);
  for (Index a = 0; a < 3; ++a) {
    for (Index i = 0; i < k; ++i) {
      map.col(3 * i + a) = af.row(a * k + i).head(variables).transpose();
    }
  }
  return ShapeVariableMap(map, k, 3);
}

ShapeVariableMap ShapeVariableMap::coordinates(Index landmarks, int dimension, Index variables) {
  Index c = landmarks * dimension;
  assert(variables >= c);
  Matrix map = Matrix::Zero(variables, c);
  map.topRows(c).setIdentity();
  return ShapeVariableMap(map, landmarks, dimension);
}

Matrix ShapeVariableMap::displacement(const Vector& change) const {
  assert(change.size() == m_map.rows());
  Vector d = m_inverse.solve(change);
  return d.reshaped<Eigen::RowMajor>(m_landmarks, m_dimension);
}

}  // namespace vexmoor
