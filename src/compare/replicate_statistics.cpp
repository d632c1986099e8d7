#include "compare/replicate_statistics.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <limits>
#include <numbers>

#include "compare/double_pair.h"
#include "compare/flury_loglike.h"
#include "compare/group_checks.h"

namespace vexmoor {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
// Cholesky pivots above this share of their diagonal element leave the
// log-determinant as accurate as the data.
constexpr double kDefinitePivot = 1e-3;

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
  m_ids.clear();
  m_gram = nullptr;
  m_products = nullptr;
  m_rowSource = nullptr;
  return m_sample;
}

void SampleAxes::setRowIds(std::span<const Index> ids, Index idCount, const Matrix* sourceGram,
                           const SourceProducts* products) {
  assert(static_cast<Index>(ids.size()) == m_sample.rows());
  assert(!sourceGram || (sourceGram->rows() == idCount && sourceGram->cols() == idCount));
  assert(!products ||
         (products->centred.cols() == idCount && products->centred.rows() == m_sample.cols()));
  m_ids.assign(ids.begin(), ids.end());
  m_gram = sourceGram;
  m_products = products;
  m_rowSource = nullptr;
  if (static_cast<Index>(m_slot.size()) < idCount) {
    m_slot.resize(static_cast<size_t>(idCount), -1);
  }
}

void SampleAxes::collectDistinctRows() {
  const Index m = m_sample.rows();
  m_firstRow.clear();
  m_count.clear();
  m_firstRow.reserve(static_cast<size_t>(m));
  m_count.reserve(static_cast<size_t>(m));
  if (m_ids.empty()) {
    for (Index a = 0; a < m; ++a) {
      m_firstRow.push_back(a);
      m_count.push_back(1.0);
    }
    return;
  }
  for (Index a = 0; a < m; ++a) {
    Index& slot = m_slot[static_cast<size_t>(m_ids[static_cast<size_t>(a)])];
    if (slot < 0) {
      slot = static_cast<Index>(m_firstRow.size());
      m_firstRow.push_back(a);
      m_count.push_back(1.0);
    } else {
      m_count[static_cast<size_t>(slot)] += 1.0;
    }
  }
  for (Index id : m_ids) {
    m_slot[static_cast<size_t>(id)] = -1;
  }
}

bool SampleAxes::innerProductsFromGram(int k) {
  // With x̄ the source's mean and δ = (sample mean) - x̄, the centred
  // rows are (x_i - x̄) - δ, so their inner products are
  // G_ij - g_i - g_j + γ with g_i = (x_i - x̄)·δ and γ = δ·δ, all read
  // off G. Where the leading eigenvalues are not clearly apart, the axes
  // depend on rounding, and the products are summed as always instead.
  const Index d = static_cast<Index>(m_firstRow.size());
  const Index m = m_sample.rows();
  reserveInner();
  auto inner = m_inner.topLeftCorner(d, d);
  const Matrix& g = *m_gram;
  const double invM = 1.0 / static_cast<double>(m);
  m_gramMean.resize(static_cast<size_t>(d));
  double gamma = 0;
  for (Index i = 0; i < d; ++i) {
    const Index row = m_ids[static_cast<size_t>(m_firstRow[static_cast<size_t>(i)])];
    double sum = 0;
    for (Index j = 0; j < d; ++j) {
      const Index other = m_ids[static_cast<size_t>(m_firstRow[static_cast<size_t>(j)])];
      sum += m_count[static_cast<size_t>(j)] * g(other, row);
    }
    m_gramMean[static_cast<size_t>(i)] = sum * invM;
    gamma += m_count[static_cast<size_t>(i)] * sum * invM;
  }
  gamma *= invM;
  for (Index j = 0; j < d; ++j) {
    const Index column = m_ids[static_cast<size_t>(m_firstRow[static_cast<size_t>(j)])];
    const double cj = std::sqrt(m_count[static_cast<size_t>(j)]);
    const double gj = m_gramMean[static_cast<size_t>(j)];
    for (Index i = j; i < d; ++i) {
      const Index row = m_ids[static_cast<size_t>(m_firstRow[static_cast<size_t>(i)])];
      inner(i, j) = std::sqrt(m_count[static_cast<size_t>(i)]) * cj *
                    (g(row, column) - m_gramMean[static_cast<size_t>(i)] - gj + gamma);
    }
  }
  return m_solver.computeIfSeparated(inner, k);
}

void SampleAxes::reserveInner() {
  // These routes serve samples of fewer distinct rows than variables, so
  // min(m, p) rows bound them: memory linear in the sample size, however
  // many specimens it has.
  const Index c = std::min(m_sample.rows(), m_sample.cols());
  const Index p = m_sample.cols();
  if (m_inner.rows() < c) {
    m_inner.resize(c, c);
  }
  if (m_weighted.rows() < c || m_weighted.cols() != p) {
    m_weighted.resize(c, p);
  }
}

bool SampleAxes::leadingVariancesClear(int k) const {
  auto lambda = m_solver.variances();
  // Below this the k-th axis is lost in rounding: decompose the covariance.
  const double floor = 1e-10 * lambda(0);
  return lambda(k - 1) > floor;
}

void SampleAxes::orthonormalizeAxes(int k) {
  // Normalise, and remove what rounding left of the other axes (twice is
  // enough for columns this close to orthogonal).
  for (int pass = 0; pass < 2; ++pass) {
    for (int j = 0; j < k; ++j) {
      for (int i = 0; i < j; ++i) {
        m_axes.col(j) -= m_axes.col(i).dot(m_axes.col(j)) * m_axes.col(i);
      }
      m_axes.col(j).normalize();
    }
  }
}

bool SampleAxes::axesFromSourceRows(int k) {
  // The inner products as above; each axis Bᵀu, B the distinct rows
  // centred and scaled by the square roots of their counts, is summed
  // from the source's centred rows y: Σ a y - (Σ a) δ with a = sqrt(c) u.
  const Index d = static_cast<Index>(m_firstRow.size());
  const Index m = m_sample.rows();
  const Index p = m_sample.cols();
  if (d < k || !innerProductsFromGram(k) || !leadingVariancesClear(k)) {
    return false;
  }
  const Matrix& y = m_products->centred;
  auto u = m_solver.axes();
  m_mean.setZero();
  m_axes.setZero();
  m_weights.resize(k);
  m_weights.setZero();
  for (Index j = 0; j < d; ++j) {
    const Index row = m_ids[static_cast<size_t>(m_firstRow[static_cast<size_t>(j)])];
    const double c = m_count[static_cast<size_t>(j)];
    const double* source = y.col(row).data();
    addScaled(m_mean.data(), c, source, p);
    const double root = std::sqrt(c);
    for (int t = 0; t < k; ++t) {
      const double a = root * u(j, t);
      m_weights(t) += a;
      addScaled(m_axes.col(t).data(), a, source, p);
    }
  }
  m_mean *= 1.0 / static_cast<double>(m);  // δ for now
  for (int t = 0; t < k; ++t) {
    m_axes.col(t) -= m_weights(t) * m_mean;
  }
  m_mean += m_products->mean;
  orthonormalizeAxes(k);
  return true;
}

bool SampleAxes::axesFromInnerProducts(int k) {
  const Index d = static_cast<Index>(m_firstRow.size());
  if (d < k) {
    return false;
  }
  reserveInner();
  for (Index j = 0; j < d; ++j) {
    m_weighted.row(j) = std::sqrt(m_count[static_cast<size_t>(j)]) *
                        m_sample.row(m_firstRow[static_cast<size_t>(j)]);
  }
  auto b = m_weighted.topRows(d);
  auto inner = m_inner.topLeftCorner(d, d);
  bool solved = m_gram && innerProductsFromGram(k);
  if (!solved) {
    inner.setZero();
    inner.selfadjointView<Eigen::Lower>().rankUpdate(b);
    m_solver.compute(inner, k);
  }
  if (!leadingVariancesClear(k)) {
    return false;
  }
  m_axes.noalias() = b.transpose() * m_solver.axes();
  orthonormalizeAxes(k);
  return true;
}

SourceProducts sourceProducts(const Matrix& source) {
  SourceProducts out;
  const Index p = source.cols();
  out.mean = source.colwise().mean().transpose();
  out.centred = (source.rowwise() - out.mean.transpose()).transpose();
  if (p > kProductVariables) {
    return out;
  }
  out.products.resize(p * (p + 1) / 2, source.rows());
  for (Index r = 0; r < source.rows(); ++r) {
    const auto y = out.centred.col(r);
    Index at = 0;
    for (Index j = 0; j < p; ++j) {
      for (Index i = j; i < p; ++i) {
        out.products(at++, r) = y(i) * y(j);
      }
    }
  }
  return out;
}

void SampleAxes::covarianceFromProducts() {
  // With y the source's centred rows and c their counts in the sample,
  // the sample's mean is the source's plus δ = Σ c y / m, and its scatter
  // Σ c y yᵀ - m δ δᵀ.
  const SourceProducts& s = *m_products;
  const Index m = m_sample.rows();
  const Index p = m_sample.cols();
  const Index packed = s.products.rows();
  const Index d = static_cast<Index>(m_firstRow.size());
  m_packed.resize(packed);
  m_packed.setZero();
  m_mean.setZero();
  double* sum = m_packed.data();
  auto rowOf = [this](Index j) {
    return m_ids[static_cast<size_t>(m_firstRow[static_cast<size_t>(j)])];
  };
  // Four rows at a time: the running sums are read and written once for
  // four rows' products.
  Index j = 0;
  for (; j + 3 < d; j += 4) {
    const double* p0 = s.products.col(rowOf(j)).data();
    const double* p1 = s.products.col(rowOf(j + 1)).data();
    const double* p2 = s.products.col(rowOf(j + 2)).data();
    const double* p3 = s.products.col(rowOf(j + 3)).data();
    const double c0 = m_count[static_cast<size_t>(j)], c1 = m_count[static_cast<size_t>(j + 1)];
    const double c2 = m_count[static_cast<size_t>(j + 2)], c3 = m_count[static_cast<size_t>(j + 3)];
    const Pair w0 = {c0, c0}, w1 = {c1, c1}, w2 = {c2, c2}, w3 = {c3, c3};
    Index i = 0;
    for (; i + 1 < packed; i += 2) {
      storePair(sum + i, loadPair(sum + i) + ((w0 * loadPair(p0 + i) + w1 * loadPair(p1 + i)) +
                                              (w2 * loadPair(p2 + i) + w3 * loadPair(p3 + i))));
    }
    if (i < packed) {
      sum[i] += (c0 * p0[i] + c1 * p1[i]) + (c2 * p2[i] + c3 * p3[i]);
    }
  }
  for (; j < d; ++j) {
    addScaled(sum, m_count[static_cast<size_t>(j)], s.products.col(rowOf(j)).data(), packed);
  }
  for (j = 0; j < d; ++j) {
    m_mean += m_count[static_cast<size_t>(j)] * s.centred.col(rowOf(j));
  }
  const double invM = 1.0 / static_cast<double>(m);
  m_mean *= invM;  // δ for now
  const double scale = 1.0 / static_cast<double>(m - 1);
  m_covariance.resize(p, p);
  Index at = 0;
  for (Index j = 0; j < p; ++j) {
    const double dj = static_cast<double>(m) * m_mean(j);
    for (Index i = j; i < p; ++i, ++at) {
      const double value = (sum[at] - dj * m_mean(i)) * scale;
      m_covariance(i, j) = value;
      m_covariance(j, i) = value;
    }
  }
  m_mean += s.mean;
  m_covarianceKind = Covariance::kFast;
}

Matrix sourceGram(const Matrix& source) {
  Matrix centred = source.rowwise() - source.colwise().mean();
  return centred * centred.transpose();
}

const Matrix& SampleAxes::covariance() {
  if (m_covarianceKind == Covariance::kNone) {
    return exactCovariance();
  }
  return m_covariance;
}

const Matrix& SampleAxes::exactCovariance() {
  if (m_covarianceKind != Covariance::kExact) {
    centre();
    const Index m = m_sample.rows();
    const Index p = m_sample.cols();
    m_covariance.resize(p, p);
    m_covariance.setZero();
    m_covariance.selfadjointView<Eigen::Lower>().rankUpdate(m_sample.transpose(),
                                                            1.0 / static_cast<double>(m - 1));
    m_covariance.triangularView<Eigen::StrictlyUpper>() = m_covariance.transpose();
    m_covarianceKind = Covariance::kExact;
  }
  return m_covariance;
}

void SampleAxes::fastCovariance() {
  // Dot products of the centred columns, two at a time against a third:
  // on matrices this small the packing of a general product costs more
  // than its arithmetic.
  const Index m = m_sample.rows();
  const Index p = m_sample.cols();
  const double scale = 1.0 / static_cast<double>(m - 1);
  m_covariance.resize(p, p);
  auto dot2 = [m](const double* x, const double* y0, const double* y1, double& s0, double& s1) {
    Pair a0 = {0, 0}, a1 = {0, 0};
    Index r = 0;
    for (; r + 1 < m; r += 2) {
      const Pair xr = loadPair(x + r);
      a0 += xr * loadPair(y0 + r);
      a1 += xr * loadPair(y1 + r);
    }
    s0 = a0[0] + a0[1];
    s1 = a1[0] + a1[1];
    if (r < m) {
      s0 += x[r] * y0[r];
      s1 += x[r] * y1[r];
    }
  };
  for (Index j = 0; j < p; ++j) {
    const double* x = m_sample.col(j).data();
    Index i = j;
    for (; i + 1 < p; i += 2) {
      double s0 = 0, s1 = 0;
      dot2(x, m_sample.col(i).data(), m_sample.col(i + 1).data(), s0, s1);
      m_covariance(i, j) = m_covariance(j, i) = s0 * scale;
      m_covariance(i + 1, j) = m_covariance(j, i + 1) = s1 * scale;
    }
    if (i < p) {
      double s0 = 0, s1 = 0;
      dot2(x, m_sample.col(i).data(), m_sample.col(i).data(), s0, s1);
      m_covariance(i, j) = m_covariance(j, i) = s0 * scale;
    }
  }
  m_covarianceKind = Covariance::kFast;
}

void SampleAxes::setRowsOf(const Matrix& source, std::span<const Index> ids,
                           const Matrix* sourceGram, const SourceProducts* products) {
  assert(m_sample.cols() == source.cols());
  setRowIds(ids, source.rows(), sourceGram, products);
  m_rowSource = &source;
}

void SampleAxes::fill() {
  if (!m_rowSource) {
    return;
  }
  // Column by column: both matrices are stored so.
  const Index m = m_sample.rows();
  for (Index b = 0; b < m_sample.cols(); ++b) {
    const double* in = m_rowSource->col(b).data();
    double* out = m_sample.col(b).data();
    for (Index a = 0; a < m; ++a) {
      out[a] = in[m_ids[static_cast<size_t>(a)]];
    }
  }
  m_rowSource = nullptr;
}

void SampleAxes::centre() {
  if (m_centred) {
    return;
  }
  fill();
  m_mean.noalias() = m_sample.colwise().mean().transpose();
  m_sample.rowwise() -= m_mean.transpose();
  m_centred = true;
}

void SampleAxes::compute(int k) {
  const Index p = m_sample.cols();
  assert(m_sample.rows() >= 2 && k >= 1 && k <= p);
  m_mean.resize(p);
  m_centred = false;
  m_covarianceKind = Covariance::kNone;
  m_axes.resize(p, k);
  // Both routes below need at most min(m, p) square: no growing from
  // replicate to replicate as the count of distinct rows varies. (A sample
  // of fewer rows than variables grows to p × p only in the rare fallback
  // to its covariance; reserving that for every sample of thousands of
  // variables would cost more than the replicates.)
  m_solver.reserve(static_cast<int>(std::min(p, m_sample.rows())), k);
  collectDistinctRows();
  const Index distinct = static_cast<Index>(m_firstRow.size());
  m_solvedCovariance = false;
  if (distinct > p && m_products && m_products->products.size() > 0) {
    covarianceFromProducts();
    if (m_solver.computeIfSeparated(m_covariance, k)) {
      m_axes = m_solver.axes();
      m_solvedCovariance = true;
      return;
    }
    m_covarianceKind = Covariance::kNone;
  }
  if (distinct < p && m_gram && m_products && axesFromSourceRows(k)) {
    return;
  }
  centre();
  if (distinct < p && axesFromInnerProducts(k)) {
    return;
  }
  // With more distinct rows than variables the covariance can have full
  // rank; where its leading eigenvalues then stand apart, its axes do not
  // depend on the order of summation.
  if (distinct > p) {
    fastCovariance();
    if (m_solver.computeIfSeparated(m_covariance, k)) {
      m_axes = m_solver.axes();
      m_solvedCovariance = true;
      return;
    }
  }
  m_solver.compute(exactCovariance(), k);
  m_axes = m_solver.axes();
  m_solvedCovariance = true;
}

bool SampleAxes::rankBelow(int k, double size) const {
  const Index m = m_sample.rows();
  if (static_cast<Index>(m_firstRow.size()) <= k) {
    return true;  // d distinct rows span at most d - 1 directions about their mean
  }
  auto lambda = m_solver.variances();
  // The inner-product routes decompose (m - 1) times the covariance.
  const double unit = m_solvedCovariance ? 1.0 : 1.0 / static_cast<double>(m - 1);
  const double kth = lambda(k - 1) * unit;
  const double largest = std::max(lambda(0) * unit, 0.0);
  const double relative = kRankTolerance * size;
  const double floor =
      relative * relative * static_cast<double>(m) / static_cast<double>(m - 1) +
      static_cast<double>(m_sample.cols()) * std::numeric_limits<double>::epsilon() * largest;
  return kth <= floor;
}

std::optional<double> SampleAxes::logDeterminantIfDefinite() const {
  return m_solvedCovariance ? m_solver.logDeterminantIfDefinite() : std::nullopt;
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

std::optional<double> FluryWorkspace::logDeterminantIfDefinite(const Matrix& symmetric) {
  const Index n = symmetric.rows();
  m_factor.resize(n, n);
  for (Index j = 0; j < n; ++j) {
    m_factor.col(j).tail(n - j) = symmetric.col(j).tail(n - j);
  }
  return factorInPlace(m_factor);
}

std::optional<double> FluryWorkspace::factorInPlace(Matrix& a) {
  const Index n = a.rows();
  m_diagonal.resize(n);
  m_diagonal = a.diagonal();
  // Cholesky on the lower triangle, column by column. The pivots' product
  // is kept as mantissa and exponent, so that one logarithm serves them
  // all without overflow or underflow.
  double mantissa = 1;
  int exponent = 0;
  double* base = a.data();
  const Index stride = a.outerStride();
  for (Index j = 0; j < n; ++j) {
    double* column = base + j * stride;
    const double pivot = column[j];
    if (!(pivot > kDefinitePivot * m_diagonal(j))) {
      return std::nullopt;
    }
    mantissa *= pivot;
    if (!(mantissa > 0x1p-600 && mantissa < 0x1p600)) {
      int e = 0;
      mantissa = std::frexp(mantissa, &e);
      exponent += e;
    }
    const double inverseRoot = 1.0 / std::sqrt(pivot);
    for (Index i = j + 1; i < n; ++i) {
      column[i] *= inverseRoot;
    }
    for (Index l = j + 1; l < n; ++l) {
      const double f = column[l];
      const Pair ff = {f, f};
      double* target = base + l * stride;
      Index i = l;
      for (; i + 1 < n; i += 2) {
        storePair(target + i, loadPair(target + i) - loadPair(column + i) * ff);
      }
      if (i < n) {
        target[i] -= column[i] * f;
      }
    }
  }
  return std::log(mantissa) + exponent * std::numbers::ln2;
}

double FluryWorkspace::statistic(SampleAxes& a, SampleAxes& b) {
  if (flurySingularByShape(a.rows(), b.rows(), a.columns())) {
    return kNaN;
  }
  const double n1 = static_cast<double>(a.rows());
  const double n2 = static_cast<double>(b.rows());
  const double n = n1 + n2;
  const Matrix& s1 = a.covariance();
  const Matrix& s2 = b.covariance();
  // The covariance of both samples' rows together, from their own means and
  // covariances: within-sample scatter plus the scatter of the two means.
  // Lower triangle only.
  // Every work space at its size from the first replicate on, whichever
  // route a later one takes.
  m_factor.resize(s1.rows(), s1.cols());
  m_diagonal.resize(s1.rows());
  m_mean.resize(a.mean().size());
  m_mean.noalias() = (n1 * a.mean() + n2 * b.mean()) / n;
  m_together.resize(s1.rows(), s1.cols());
  m_together.triangularView<Eigen::Lower>() = (n1 - 1) * s1 + (n2 - 1) * s2;
  m_offset.resize(m_mean.size());
  m_offset.noalias() = a.mean() - m_mean;
  m_together.selfadjointView<Eigen::Lower>().rankUpdate(m_offset, n1);
  m_offset.noalias() = b.mean() - m_mean;
  m_together.selfadjointView<Eigen::Lower>().rankUpdate(m_offset, n2);
  m_together.triangularView<Eigen::Lower>() /= n - 1;
  // Each sample's decomposition already holds its determinant; the
  // together matrix is factored where it stands, as nothing reads it after.
  auto ofSample = [this](const SampleAxes& x, const Matrix& s) {
    std::optional<double> d = x.logDeterminantIfDefinite();
    return d ? d : logDeterminantIfDefinite(s);
  };
  std::optional<double> d1 = ofSample(a, s1);
  std::optional<double> d2 = d1 ? ofSample(b, s2) : std::nullopt;
  std::optional<double> d = d2 ? factorInPlace(m_together) : std::nullopt;
  if (!d) {
    return statisticByLu(a, b);
  }
  return n1 * (*d - *d1) + n2 * (*d - *d2);
}

double FluryWorkspace::statisticByLu(SampleAxes& a, SampleAxes& b) {
  const double n1 = static_cast<double>(a.rows());
  const double n2 = static_cast<double>(b.rows());
  const double n = n1 + n2;
  // First the exact covariances, which take each sample's mean as it has
  // always been taken.
  const Matrix& s1 = a.exactCovariance();
  const Matrix& s2 = b.exactCovariance();
  m_mean.noalias() = (n1 * a.mean() + n2 * b.mean()) / n;
  m_together.noalias() = (n1 - 1) * s1 + (n2 - 1) * s2;
  m_offset.noalias() = a.mean() - m_mean;
  m_together.noalias() += n1 * m_offset * m_offset.transpose();
  m_offset.noalias() = b.mean() - m_mean;
  m_together.noalias() += n2 * m_offset * m_offset.transpose();
  m_together /= n - 1;
  LogDeterminant d1 = logDeterminant(s1);
  LogDeterminant d2 = logDeterminant(s2);
  LogDeterminant d = logDeterminant(m_together);
  return fluryFromLogDeterminants(d1, d2, d, n1, n2);
}

}  // namespace vexmoor
