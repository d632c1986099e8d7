#include "compare/replicate_statistics.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <limits>

namespace vexmoor {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// ln(num / den) as the quotient of the two determinants would give it.
double logQuotient(LogDeterminant num, LogDeterminant den) {
  if (den.sign == 0) {
    return num.sign > 0 ? kInf : kNaN;  // x / 0 is +Inf; 0 / 0 and -Inf have no logarithm
  }
  if (num.sign == 0) {
    return -kInf;
  }
  if (num.sign != den.sign) {
    return kNaN;
  }
  return num.logAbs - den.logAbs;
}

}  // namespace

Matrix& SampleAxes::sample(Index m, Index p) {
  if (m_sample.rows() != m || m_sample.cols() != p) {
    m_sample.resize(m, p);
  }
  return m_sample;
}

void SampleAxes::compute(int k) {
  const Index m = m_sample.rows();
  const Index p = m_sample.cols();
  assert(m >= 2 && k >= 1 && k <= p);
  m_mean.resize(p);
  m_mean.noalias() = m_sample.colwise().mean().transpose();
  m_sample.rowwise() -= m_mean.transpose();
  m_covariance.resize(p, p);
  m_covariance.setZero();
  m_covariance.selfadjointView<Eigen::Lower>().rankUpdate(m_sample.transpose(),
                                                          1.0 / static_cast<double>(m - 1));
  m_covariance.triangularView<Eigen::StrictlyUpper>() = m_covariance.transpose();
  m_solver.compute(m_covariance, k);
}

PairStatistics SubspacePair::compare(const Matrix& axes1, const Matrix& axes2) {
  const Index k = axes1.cols();
  m_cross.resize(k, k);
  m_cross.noalias() = axes1.transpose() * axes2;
  if (!m_cross.allFinite()) {
    return {kNaN, kNaN, kNaN};
  }
  m_svd.compute(m_cross, Eigen::ComputeFullV);
  m_residual = axes2;
  m_residual.noalias() -= axes1 * m_cross;
  m_rotated.resize(axes2.rows(), k);
  m_rotated.noalias() = m_residual * m_svd.matrixV();
  double squares = 0;
  double largest = 0;
  for (Index j = 0; j < k; ++j) {
    double angle = std::atan2(m_rotated.col(j).norm(), m_svd.singularValues()(j));
    squares += angle * angle;
    largest = std::max(largest, angle);
  }
  return {std::sqrt(squares) * kDegreesPerRadian, m_cross.squaredNorm(),
          largest * kDegreesPerRadian};
}

double fluryFromLogDeterminants(LogDeterminant d1, LogDeterminant d2, LogDeterminant d, double n1,
                                double n2) {
  return n1 * logQuotient(d, d1) + n2 * logQuotient(d, d2);
}

LogDeterminant FluryWorkspace::logDeterminant(const Matrix& square) {
  m_lu.compute(square);
  const Matrix& lu = m_lu.matrixLU();
  const auto& rows = m_lu.permutationP().indices();
  const Index n = lu.rows();
  // The sign of the row permutation: each cycle of length c contributes
  // (-1)^(c - 1).
  int sign = 1;
  m_visited.assign(static_cast<size_t>(n), 0);
  for (Index i = 0; i < n; ++i) {
    if (m_visited[static_cast<size_t>(i)]) {
      continue;
    }
    Index length = 0;
    for (Index j = i; !m_visited[static_cast<size_t>(j)]; j = rows(j)) {
      m_visited[static_cast<size_t>(j)] = 1;
      ++length;
    }
    if (length % 2 == 0) {
      sign = -sign;
    }
  }
  double logAbs = 0;
  for (Index i = 0; i < n; ++i) {
    double u = lu(i, i);
    if (u == 0) {
      return {0, -kInf};
    }
    if (u < 0) {
      sign = -sign;
    }
    logAbs += std::log(std::abs(u));
  }
  return {sign, logAbs};
}

double FluryWorkspace::statistic(const SampleAxes& a, const SampleAxes& b) {
  const double n1 = static_cast<double>(a.rows());
  const double n2 = static_cast<double>(b.rows());
  const double n = n1 + n2;
  // The covariance of both samples' rows together, from their own means and
  // covariances: within-sample scatter plus the scatter of the two means.
  m_mean.resize(a.mean().size());
  m_mean.noalias() = (n1 * a.mean() + n2 * b.mean()) / n;
  m_together.resize(a.covariance().rows(), a.covariance().cols());
  m_together.noalias() = (n1 - 1) * a.covariance() + (n2 - 1) * b.covariance();
  m_offset.resize(m_mean.size());
  m_offset.noalias() = a.mean() - m_mean;
  m_together.noalias() += n1 * m_offset * m_offset.transpose();
  m_offset.noalias() = b.mean() - m_mean;
  m_together.noalias() += n2 * m_offset * m_offset.transpose();
  m_together /= n - 1;
  LogDeterminant d1 = logDeterminant(a.covariance());
  LogDeterminant d2 = logDeterminant(b.covariance());
  LogDeterminant d = logDeterminant(m_together);
  return fluryFromLogDeterminants(d1, d2, d, n1, n2);
}

}  // namespace vexmoor
