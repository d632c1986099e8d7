// A set of specimens, each a k × d table of landmarks (landmarks in rows,
// axes x, y[, z] in columns): the k × d × N landmark array.
//
// The pages are stored side by side in one k × (d·N) matrix, so a page is a
// view, never a copy.
#pragma once

#include "runtime/matrix.h"

namespace vexmoor {

class LandmarkArray {
 public:
  LandmarkArray() = default;
  // All elements zero.
  LandmarkArray(Index landmarks, Index dims, Index specimens);
  // One specimen: `page` is k × d.
  explicit LandmarkArray(const Matrix& page);

  Index landmarks() const { return m_data.rows(); }
  Index dims() const { return m_dims; }
  Index specimens() const { return m_dims == 0 ? 0 : m_data.cols() / m_dims; }

  // Specimen i (0-based) as a k × d block.
  auto page(Index i) { return m_data.middleCols(i * m_dims, m_dims); }
  auto page(Index i) const { return m_data.middleCols(i * m_dims, m_dims); }

  // Coordinate `axis` of landmark `landmark` of specimen `specimen`, 0-based.
  double& operator()(Index landmark, Index axis, Index specimen) {
    return m_data(landmark, specimen * m_dims + axis);
  }
  double operator()(Index landmark, Index axis, Index specimen) const {
    return m_data(landmark, specimen * m_dims + axis);
  }

  // All pages side by side, k × (d·N).
  const Matrix& pages() const { return m_data; }

 private:
  Matrix m_data;
  Index m_dims = 0;
};

}  // namespace vexmoor
