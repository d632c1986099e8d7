#include "compare/group_checks.h"

#include <algorithm>
#include <cmath>
#include <string>

#include <Eigen/QR>
#include <Eigen/SVD>

#include "runtime/error.h"
#include "runtime/format.h"

namespace vexmoor {
namespace {

std::string specimenName(const std::string& group, Index i) {
  return group + ", specimen " + std::to_string(i + 1);
}

std::string numbered(int g) {
  return "group " + std::to_string(g);
}

// Relative to the size of the values: real shape variation is many orders
// above it, the noise left by superimposing copies of one shape far below.
constexpr double kRelativeTolerance = kRankTolerance;
constexpr Index kWideColumns = 1000;

// Descending. A wide matrix of many columns (few specimens of thousands of
// landmarks) goes through the triangle of its transpose's QR, which has the
// same singular values: the decomposition of the whole took seconds there.
// Smaller ones keep the decomposition their pinned results came from.
Vector singularValues(Matrix a) {
  if (a.cols() > a.rows() && a.cols() >= kWideColumns) {
    Eigen::HouseholderQR<Matrix> qr(a.transpose());
    a.resize(0, 0);
    const Matrix r = qr.matrixQR().topRows(qr.matrixQR().cols()).triangularView<Eigen::Upper>();
    return Eigen::JacobiSVD<Matrix>(r).singularValues();
  }
  return Eigen::BDCSVD<Matrix>(a).singularValues();
}

}  // namespace

void checkCoordinateRange(const Matrix& data, int g) {
  checkCoordinateRange(data, numbered(g));
}

void checkCoordinateRange(const Matrix& data, const std::string& g) {
  Index coords = data.cols() - 1;
  for (Index i = 0; i < data.rows(); ++i) {
    auto row = data.row(i).head(coords);
    double largest = row.cwiseAbs().maxCoeff();
    if (largest > kLargestCoordinate) {
      throw Error(specimenName(g, i) + ": the coordinates are too large to compute with (" +
                  format("%g", {largest}) + "; up to " + format("%g", {kLargestCoordinate}) +
                  " can be used)");
    }
    double spread = row.maxCoeff() - row.minCoeff();
    if (spread > 0 && spread < kSmallestSpread) {
      throw Error(specimenName(g, i) +
                  ": the coordinates are too small to compute with (the landmarks lie within " +
                  format("%g", {spread}) + " of each other; at least " +
                  format("%g", {kSmallestSpread}) + " is needed)");
    }
  }
}

Index covarianceRank(const Matrix& x, double scale) {
  if (x.rows() < 2 || x.cols() == 0) {
    return 0;
  }
  Matrix centred = x.rowwise() - x.colwise().mean();
  double size = std::max(scale, x.cwiseAbs().maxCoeff());
  double tolerance = kRelativeTolerance * size * std::sqrt(static_cast<double>(x.rows()));
  const Vector s = singularValues(std::move(centred));
  Index rank = 0;
  while (rank < s.size() && s(rank) > tolerance) {
    ++rank;
  }
  return rank;
}

void checkShapeVariation(const Matrix& x, double scale, int g, int components) {
  checkShapeVariation(x, scale, numbered(g), components);
}

void checkShapeVariation(const Matrix& x, double scale, const std::string& group, int components) {
  Index rank = covarianceRank(x, scale);
  if (rank == 0) {
    throw Error(group +
                " has no shape variation: all its specimens have the same shape, so it has no "
                "principal components");
  }
  if (components > 0 && rank < components) {
    throw Error(group + ": its covariance matrix has " + std::to_string(rank) +
                " independent direction" + (rank == 1 ? "" : "s") + ", fewer than the " +
                std::to_string(components) + " components asked for");
  }
}

}  // namespace vexmoor
