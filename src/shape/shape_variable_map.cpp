#include "shape/shape_variable_map.h"

#include <algorithm>
#include <cassert>

#include "runtime/stepwise_eigen.h"
#include "shape/partial_warps2d.h"
#include "shape/partial_warps3d.h"

namespace vexmoor {

ShapeVariableMap::ShapeVariableMap(Kind kind, Index landmarks, int dimension, Index variables)
    : m_kind(kind), m_landmarks(landmarks), m_dimension(dimension), m_variables(variables) {}

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
  ShapeVariableMap out(Kind::dense, k, 2, variables);
  out.m_map = map.topRows(variables);
  out.m_inverse.emplace(out.m_map);
  return out;
}

ShapeVariableMap ShapeVariableMap::partialWarps3D(const Matrix& consensus, Index variables) {
  return partialWarps3D(lmatrix3da(consensus), variables);
}

ShapeVariableMap ShapeVariableMap::partialWarps3D(const Lmatrix3D& l, Index variables) {
  const Index k = l.a.rows();
  if (k < kStepwiseSize) {
    // Small maps keep the general pseudo-inverse every pinned picture and
    // number was drawn with.
    Matrix af = scoreBasis(l);
    ShapeVariableMap out(Kind::dense, k, 3, variables);
    out.m_map.resize(variables, 3 * k);
    for (Index a = 0; a < 3; ++a) {
      for (Index i = 0; i < k; ++i) {
        out.m_map.col(3 * i + a) = af.row(a * k + i).head(variables).transpose();
      }
    }
    out.m_inverse.emplace(out.m_map);
    return out;
  }
  const Index warpVariables = std::min<Index>(variables, 3 * Index(l.warps.size()));
  const Index uniform = variables - warpVariables;
  assert(uniform <= l.s1.cols());
  ShapeVariableMap out(Kind::warps3D, k, 3, variables);
  const Index used = (warpVariables + 2) / 3;
  out.m_vectors.resize(k, used);
  for (Index w = 0; w < used; ++w) {
    out.m_vectors.col(w) = l.a.col(l.warps[static_cast<size_t>(w)]);
  }
  out.m_uniform = l.s1.leftCols(uniform);
  out.m_cross.resize(warpVariables, uniform);
  for (Index u = 0; u < uniform; ++u) {
    out.m_cross.col(u) = out.warpScores(out.m_uniform.col(u).reshaped(k, 3));
  }
  if (uniform > 0) {
    out.m_schur.compute(out.m_uniform.transpose() * out.m_uniform -
                        out.m_cross.transpose() * out.m_cross);
  }
  return out;
}

ShapeVariableMap ShapeVariableMap::coordinates(Index landmarks, int dimension, Index variables) {
  assert(variables >= landmarks * dimension);
  return ShapeVariableMap(Kind::coordinates, landmarks, dimension, variables);
}

Vector ShapeVariableMap::warpScores(const Matrix& byAxis) const {
  Matrix onVectors = m_vectors.transpose() * byAxis;  // warps × 3
  return onVectors.reshaped<Eigen::RowMajor>().head(m_cross.rows());
}

Vector ShapeVariableMap::image(const Vector& coordinates) const {
  assert(coordinates.size() == m_landmarks * m_dimension);
  switch (m_kind) {
    case Kind::dense:
      return m_map * coordinates;
    case Kind::coordinates: {
      Vector out = Vector::Zero(m_variables);
      out.head(coordinates.size()) = coordinates;
      return out;
    }
    case Kind::warps3D:
      break;
  }
  Matrix byAxis = coordinates.reshaped<Eigen::RowMajor>(m_landmarks, 3);
  Vector out(m_variables);
  out << warpScores(byAxis), m_uniform.transpose() * byAxis.reshaped();
  return out;
}

Matrix ShapeVariableMap::displacement(const Vector& change) const {
  assert(change.size() == m_variables);
  switch (m_kind) {
    case Kind::dense: {
      Vector d = m_inverse->solve(change);
      return d.reshaped<Eigen::RowMajor>(m_landmarks, m_dimension);
    }
    case Kind::coordinates:
      return change.head(m_landmarks * m_dimension)
          .reshaped<Eigen::RowMajor>(m_landmarks, m_dimension);
    case Kind::warps3D:
      break;
  }
  // The least-norm solution M⁺c = Mᵀ(MMᵀ)⁻¹c, with MMᵀ = [I C; Cᵀ UᵀU]
  // solved by its Schur complement on the few uniform rows.
  const Index warps = m_cross.rows();
  Vector onWarps = change.head(warps);
  Vector onUniform = change.tail(m_uniform.cols());
  if (m_uniform.cols() > 0) {
    onUniform = m_schur.solve(onUniform - m_cross.transpose() * onWarps);
    onWarps -= m_cross * onUniform;
  }
  Matrix weights = Matrix::Zero(m_vectors.cols(), 3);
  weights.reshaped<Eigen::RowMajor>().head(warps) = onWarps;
  Matrix d = m_vectors * weights;
  d.reshaped() += m_uniform * onUniform;
  return d;
}

}  // namespace vexmoor
