#include "shape/eigenvector_signs.h"

#include <atomic>
#include <cmath>

namespace vexmoor {
namespace {

constexpr double kTieTolerance = 1e-12;

std::atomic<RawEigenvectorChange> g_rawChange{nullptr};

}  // namespace

void fixEigenvectorSigns(Matrix& vectors) {
  for (Index c = 0; c < vectors.cols(); ++c) {
    auto column = vectors.col(c);
    double largest = column.cwiseAbs().maxCoeff();
    if (!(largest > 0)) {
      continue;
    }
    for (Index r = 0; r < column.size(); ++r) {
      if (std::abs(column(r)) >= largest * (1 - kTieTolerance)) {
        if (column(r) < 0) {
          column = -column;
        }
        break;
      }
    }
  }
}

SymmetricEigen symmetricEigen(const Matrix& symmetric) {
  Eigen::SelfAdjointEigenSolver<Matrix> eig(symmetric);
  SymmetricEigen out{eig.eigenvalues(), eig.eigenvectors()};
  if (RawEigenvectorChange change = g_rawChange.load()) {
    change(out.vectors);
  }
  fixEigenvectorSigns(out.vectors);
  return out;
}

RawEigenvectorChange setRawEigenvectorChange(RawEigenvectorChange change) {
  return g_rawChange.exchange(change);
}

}  // namespace vexmoor
