#include "shape/partial_warps3d.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <string>
#include <vector>

#include "runtime/error.h"
#include "runtime/stepwise_eigen.h"
#include "shape/bending_energy.h"
#include "shape/eigenvector_signs.h"

namespace vexmoor {
namespace {

// The constant and the three coordinates span the null space of the
// bending-energy matrix.
constexpr Index kAffineWarps = 4;
constexpr Index kUniformComponents = 5;
// Relative bounds below which the reference is taken as degenerate: the
// spline matrix is then singular in exact arithmetic.
constexpr double kCoincidence = 1e-12;
constexpr double kFlatness = 1e-10;

void checkReference(const Matrix& x) {
  if (x.cols() != 3) {
    throw Error("lmatrix3da: the reference has " + std::to_string(x.cols()) +
                " columns; three-dimensional shape variables need 3 (x, y, z)");
  }
  if (x.rows() <= kAffineWarps) {
    throw Error("three-dimensional shape variables need at least five landmarks; there are " +
                std::to_string(x.rows()));
  }
  if (!x.allFinite()) {
    throw Error("lmatrix3da: the reference holds values that are not finite numbers");
  }
}

Matrix distances(const Matrix& x) {
  Index k = x.rows();
  Matrix d = Matrix::Zero(k, k);
  for (Index i = 0; i < k - 1; ++i) {
    for (Index j = i + 1; j < k; ++j) {
      d(i, j) = d(j, i) = (x.row(i) - x.row(j)).norm();
    }
  }
  return d;
}

void checkNotDegenerate(const Matrix& x, const Matrix& d) {
  double largest = d.maxCoeff();
  for (Index i = 0; i < x.rows() - 1; ++i) {
    for (Index j = i + 1; j < x.rows(); ++j) {
      if (d(i, j) <= kCoincidence * largest) {
        throw Error("landmarks " + std::to_string(i + 1) + " and " + std::to_string(j + 1) +
                    " of the reference coincide, so the thin-plate spline has no solution");
      }
    }
  }
  Matrix c = x.rowwise() - x.colwise().mean();
  Vector sv = Eigen::JacobiSVD<Matrix>(c).singularValues();
  if (sv(2) <= kFlatness * sv(0)) {
    throw Error(
        "the landmarks of the reference lie in one plane, so the three-dimensional thin-plate "
        "spline has no solution");
  }
}

Matrix bendingEnergy(const Matrix& x, const Matrix& d) {
  Index k = x.rows();
  Matrix q(k, 4);
  q << Matrix::Ones(k, 1), x;
  Matrix z = Matrix::Zero(k + 4, k + 4);
  z.topLeftCorner(k, k) = d;
  z.topRightCorner(k, 4) = q;
  z.bottomLeftCorner(4, k) = q.transpose();
  Matrix zi = z.fullPivLu().inverse();
  if (!zi.allFinite()) {
    throw Error("the thin-plate spline of the reference has no solution");
  }
  Matrix block = zi.topLeftCorner(k, k);
  return (block + block.transpose()) / 2.0;
}

// Positions of the k - 4 eigenvalues that belong to warps, ascending.
std::vector<Index> keptWarps(const Vector& b) {
  std::vector<Index> byMagnitude(static_cast<size_t>(b.size()));
  std::iota(byMagnitude.begin(), byMagnitude.end(), Index{0});
  std::stable_sort(byMagnitude.begin(), byMagnitude.end(),
                   [&](Index i, Index j) { return std::abs(b(i)) < std::abs(b(j)); });
  std::vector<Index> kept(byMagnitude.begin() + kAffineWarps, byMagnitude.end());
  std::sort(kept.begin(), kept.end());
  return kept;
}

Vector unit(const Vector& v) {
  double length = v.norm();
  if (!(length > 0) || !std::isfinite(length)) {
    throw Error("the uniform components of the reference cannot be formed: it has no extent");
  }
  return v / length;
}

Vector stacked(const Vector& x, const Vector& y, const Vector& z) {
  Vector v(3 * x.size());
  v << x, y, z;
  return v;
}

Matrix uniformBasis(const Matrix& ref) {
  Index k = ref.rows();
  Vector x = ref.col(0), y = ref.col(1), z = ref.col(2);
  Vector zero = Vector::Zero(k);
  double alpha = x.squaredNorm(), beta = y.squaredNorm(), gamma = z.squaredNorm();
  Matrix s1(3 * k, kUniformComponents);
  s1.col(0) = unit(stacked(alpha * y, beta * x, zero));
  s1.col(1) = unit(stacked(zero, beta * z, gamma * y));
  s1.col(2) = unit(stacked(alpha * z, zero, gamma * x));
  // Both stretches are reduced against the shears from the unreduced
  // column, then the second against the first.
  Vector v = stacked(-beta * x, (1 - beta) * y, -beta * z);
  Vector w = stacked(-gamma * x, -gamma * y, (1 - gamma) * z);
  Matrix shears = s1.leftCols(3);
  Vector t1 = unit(v - shears * (shears.transpose() * v));
  s1.col(3) = t1;
  s1.col(4) = unit(w - shears * (shears.transpose() * w) - t1.dot(w) * t1);
  return s1;
}

}  // namespace

Lmatrix3D lmatrix3da(const Matrix& x, const Progress* progress) {
  checkReference(x);
  Matrix d = distances(x);
  checkNotDegenerate(x, d);
  Index k = x.rows();
  SymmetricEigen eig;
  if (k >= kStepwiseSize) {
    Matrix q(k, 4);
    q << Matrix::Ones(k, 1), x;
    eig = bendingEnergyEigen(std::move(d), q,
                             "the thin-plate spline of the reference has no solution", progress);
  } else {
    eig = symmetricEigen(bendingEnergy(x, d));
  }
  Lmatrix3D out;
  out.a = std::move(eig.vectors);
  out.b = std::move(eig.values);
  out.s1 = uniformBasis(x);
  out.warps = keptWarps(out.b);
  return out;
}

namespace {

void checkSpecimens(const Matrix& ref, const LandmarkArray& data) {
  if (data.landmarks() != ref.rows() || data.dims() != ref.cols()) {
    throw Error("getpw3d: the reference has " + std::to_string(ref.rows()) + " landmarks in " +
                std::to_string(ref.cols()) + " axes, the specimens " +
                std::to_string(data.landmarks()) + " in " + std::to_string(data.dims()));
  }
}

}  // namespace

Matrix scoreBasis(const Lmatrix3D& l) {
  Index k = l.a.rows();
  Index p = static_cast<Index>(l.warps.size());
  Matrix af = Matrix::Zero(3 * k, 3 * p + kUniformComponents);
  for (Index w = 0; w < p; ++w) {
    for (Index axis = 0; axis < 3; ++axis) {
      af.block(axis * k, 3 * w + axis, k, 1) = l.a.col(l.warps[static_cast<size_t>(w)]);
    }
  }
  af.rightCols(kUniformComponents) = l.s1;
  return af;
}

Matrix scoresOnBasis(const Lmatrix3D& l, const Matrix& differences, const Progress* progress) {
  const Index k = l.a.rows();
  const Index n = differences.cols() / 3;
  const Index p = static_cast<Index>(l.warps.size());
  Matrix scores(n, 3 * p + kUniformComponents);
  if (k < kStepwiseSize) {
    // The basis as a matrix, specimen by specimen: the sums every pinned
    // result was computed with, to the last bit.
    Matrix af = scoreBasis(l);
    for (Index i = 0; i < n; ++i) {
      scores.row(i) = (af.transpose() * differences.middleCols(3 * i, 3).reshaped()).transpose();
    }
    return scores;
  }
  // Every eigenvector against every specimen's axis columns at once, in
  // blocks of specimens short enough to look for a cancel request between.
  const Index block =
      std::max<Index>(1, static_cast<Index>(2e8 / double(std::max<Index>(1, k * k))));
  for (Index first = 0; first < n; first += block) {
    throwIfCancelled(progress);
    const Index count = std::min(block, n - first);
    Matrix onVectors = l.a.transpose() * differences.middleCols(3 * first, 3 * count);
    for (Index i = 0; i < count; ++i) {
      for (Index w = 0; w < p; ++w) {
        for (Index axis = 0; axis < 3; ++axis) {
          scores(first + i, 3 * w + axis) =
              onVectors(l.warps[static_cast<size_t>(w)], 3 * i + axis);
        }
      }
      scores.row(first + i).tail(kUniformComponents) =
          (l.s1.transpose() * differences.middleCols(3 * (first + i), 3).reshaped()).transpose();
    }
  }
  return scores;
}

Matrix getpw3d(const Matrix& ref, const LandmarkArray& data, const Progress* progress) {
  checkSpecimens(ref, data);
  return getpw3d(lmatrix3da(ref, progress), ref, data, progress);
}

Matrix getpw3d(const Lmatrix3D& basis, const Matrix& ref, const LandmarkArray& data,
               const Progress* progress) {
  checkSpecimens(ref, data);
  Matrix differences(ref.rows(), 3 * data.specimens());
  for (Index i = 0; i < data.specimens(); ++i) {
    differences.middleCols(3 * i, 3) = data.page(i) - ref;
  }
  return scoresOnBasis(basis, differences, progress);
}

}  // namespace vexmoor
