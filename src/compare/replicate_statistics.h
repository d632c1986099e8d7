// The statistics of one resampling replicate, computed in workspaces that
// are kept from replicate to replicate: each sample's covariance and
// leading axes are computed once and shared by the angle, Krzanowski's
// metric and Flury's statistic.
#pragma once

#include <optional>
#include <span>
#include <vector>

#include "compare/leading_axes.h"
#include "runtime/matrix.h"

namespace vexmoor {

// One sample: fill sample() with its rows, optionally say which rows are
// copies of each other (setRowIds), then compute().
//
// The leading axes come from the p × p covariance, or, when the sample has
// fewer distinct rows d than variables p (a bootstrap sample of few
// specimens measured on many shape variables), from the d × d matrix of
// weighted inner products of its distinct centred rows: with B the distinct
// rows, each scaled by the square root of its count, the covariance is
// BᵀB / (m - 1), and each eigenvector u of BBᵀ with eigenvalue λ > 0 gives
// the covariance's axis Bᵀu / sqrt(λ). Should the k-th eigenvalue be
// (numerically) zero, the covariance is decomposed instead.
struct SourceProducts;

class SampleAxes {
 public:
  // The m × p sample to fill, one specimen per row. Keeps its storage when
  // m and p stay the same. Forgets earlier row ids.
  Matrix& sample(Index m, Index p);
  // ids[a] == ids[b] when rows a and b of the sample are the same row of
  // its source; ids lie in 0 ... idCount - 1. Without ids, every row
  // counts as distinct. `sourceGram`, where given, is the idCount × idCount
  // matrix of inner products of the source's rows centred on their mean
  // (sourceGram below); it must outlive compute(). With it the inner
  // products of the distinct rows cost O(d²) instead of O(d² p).
  // `products`, where given, holds the source's rows' products
  // (sourceProducts below; it must outlive compute()): with more distinct
  // rows than variables the covariance is then summed over the distinct
  // rows, weighted by their counts, without centring the sample.
  void setRowIds(std::span<const Index> ids, Index idCount, const Matrix* sourceGram = nullptr,
                 const SourceProducts* products = nullptr);
  // Instead of filling sample(m, p): its rows are the rows of `source` at
  // `ids` (idCount = source.rows()), copied only when a route needs them.
  // `source` must outlive compute() and the accessors after it.
  void setRowsOf(const Matrix& source, std::span<const Index> ids, const Matrix* sourceGram,
                 const SourceProducts* products);
  // The leading k axes, 1 <= k <= p; m >= 2. The sample may be centred in
  // place.
  void compute(int k);

  Index rows() const { return m_sample.rows(); }
  Index columns() const { return m_sample.cols(); }
  const Vector& mean() const { return m_mean; }
  // p × p, divisor m - 1; formed on the first request after compute().
  const Matrix& covariance();
  // The same matrix summed in the order the program has always summed it.
  // A singular or ill-conditioned covariance passes its rounding on to
  // the axes and determinants taken of it, so wherever those are not
  // clearly defined they are taken of this one, and seeded results stay
  // as they were.
  const Matrix& exactCovariance();
  const Matrix& axes() const { return m_axes; }  // p × k, leading first
  // After compute(k): true when the centred sample has fewer than k
  // independent directions, so that its k-th axis is arbitrary: it has at
  // most k distinct rows, or its k-th variance is within rounding of 0.
  // Rounding is judged as covarianceRank() judges it, relative to `size`,
  // the size of the values the sample comes from (at least 1 for shape
  // variables), and to the resolution of the computed variances
  // (p · ε · the largest). Costs nothing beside compute().
  bool rankBelow(int k, double size) const;
  // ln det of covariance(), where the axes were found by decomposing it and
  // the decomposition shows it clearly positive definite (every pivot at
  // least 1e-3 of its diagonal element); nullopt otherwise, which leaves
  // the determinant to be taken of the covariance itself.
  std::optional<double> logDeterminantIfDefinite() const;

 private:
  enum class Covariance { kNone, kFast, kExact };

  void collectDistinctRows();
  bool axesFromInnerProducts(int k);
  // The distinct rows' inner products from the source's Gram matrix, and
  // their decomposition where its leading eigenvalues stand apart.
  bool innerProductsFromGram(int k);
  bool axesFromSourceRows(int k);
  bool leadingVariancesClear(int k) const;
  // m_inner and m_weighted for up to min(m, p) distinct rows.
  void reserveInner();
  void orthonormalizeAxes(int k);
  // Copies the rows setRowsOf() named.
  void fill();
  void fastCovariance();
  void covarianceFromProducts();
  // Takes the mean off the sample, once per compute().
  void centre();

  Matrix m_sample;
  Vector m_mean;
  Matrix m_covariance;
  Covariance m_covarianceKind = Covariance::kNone;
  Matrix m_axes;
  LeadingAxesSolver m_solver;
  bool m_solvedCovariance = false;  // m_solver holds the covariance's decomposition
  // Distinct rows: first occurrence and count, in order of appearance.
  std::vector<Index> m_ids;
  std::vector<Index> m_slot;
  std::vector<Index> m_firstRow;
  std::vector<double> m_count;
  Matrix m_weighted;  // capacity min(m, p) × p: the scaled distinct rows
  Matrix m_inner;     // capacity min(m, p) × min(m, p)
  const Matrix* m_gram = nullptr;
  std::vector<double> m_gramMean;
  const SourceProducts* m_products = nullptr;
  const Matrix* m_rowSource = nullptr;  // rows still to be copied from here
  Vector m_weights;
  Vector m_packed;  // the covariance's lower triangle, column by column
  bool m_centred = false;
};

// Of an m-row source of p variables: its mean, its rows centred on it
// (p × m, one row per column) and, for p up to kProductVariables, each
// centred row's products of pairs of its values, the lower triangle
// column by column (p(p + 1)/2 × m; empty for more variables).
struct SourceProducts {
  Vector mean;
  Matrix centred;
  Matrix products;
};

// The largest p for which sourceProducts is worth its memory and its
// passes: beyond it the products outgrow the caches.
inline constexpr Index kProductVariables = 32;

SourceProducts sourceProducts(const Matrix& source);

// The inner products of the rows of `source` centred on their mean:
// m × m for an m-row source.
Matrix sourceGram(const Matrix& source);

// What the resampling tests take from one comparison of two samples.
struct PairStatistics {
  double angle;         // sqrt(sum θi²) over the principal angles, degrees
  double metric;        // Krzanowski's sum cos² θi
  double largestAngle;  // the largest principal angle, degrees
};

// Compares two p × k orthonormal bases. The cosines of the principal
// angles are the singular values of M = B1ᵀB2; with M's right singular
// vectors V, the columns of (B2 - B1 M) V are orthogonal with lengths equal
// to the sines, so every angle comes from atan2(sine, cosine), accurate for
// small and for near-right angles alike.
class SubspacePair {
 public:
  PairStatistics compare(const Matrix& axes1, const Matrix& axes2);

 private:
  Matrix m_cross;
  Matrix m_residual;
  Matrix m_rotated;
  Eigen::JacobiSVD<Matrix> m_svd;
};

// A determinant as sign and log of its magnitude: products of many small
// variances underflow long before their logarithms do.
struct LogDeterminant {
  int sign;       // -1, 0 or 1
  double logAbs;  // -Inf when the sign is 0
};

// n1 · ln(det s / det s1) + n2 · ln(det s / det s2) from log-determinants,
// with the values the literal quotients give: a zero det s1 or s2 gives
// +Inf, a zero det s -Inf, 0/0 or a negative quotient NaN.
double fluryFromLogDeterminants(LogDeterminant d1, LogDeterminant d2, LogDeterminant d, double n1,
                                double n2);

// Flury's statistic of two computed samples against the covariance of
// their rows together, weighted by their row counts.
//
// Each sample's log-determinant comes from the decomposition its axes came
// from (SampleAxes::logDeterminantIfDefinite), or else from a Cholesky
// factorisation, as does that of the covariance of both together. Where
// one of the matrices is not clearly positive definite (a pivot below 1e-3
// of its diagonal element, as in singular resamples), all three come from
// LU decompositions with partial pivoting of the exact covariances formed
// in full, which give the values the determinants' quotients have always
// given there: infinite or undefined ones for exactly singular matrices,
// and whatever rounding leaves of a determinant that is zero in exact
// arithmetic. Where both samples together have no more rows than
// variables, all three matrices are singular by their shape: the
// statistic is then 0/0 (NaN) without any matrix formed, which on
// thousands of variables spares three decompositions of p × p each.
class FluryWorkspace {
 public:
  double statistic(SampleAxes& a, SampleAxes& b);
  // Of a square matrix, through an LU decomposition with partial pivoting.
  LogDeterminant logDeterminant(const Matrix& square);
  // Of a symmetric matrix (lower triangle read) through its Cholesky
  // factor; nullopt when a pivot falls below 1e-3 of its diagonal element
  // or is not a positive number.
  std::optional<double> logDeterminantIfDefinite(const Matrix& symmetric);

 private:
  double statisticByLu(SampleAxes& a, SampleAxes& b);
  // logDeterminantIfDefinite() of a symmetric matrix held in m_factor's
  // lower triangle, which it overwrites with the Cholesky factor.
  std::optional<double> factorInPlace(Matrix& a);

  Matrix m_together;
  Vector m_mean;
  Vector m_offset;
  Matrix m_factor;
  Vector m_diagonal;
  Eigen::PartialPivLU<Matrix> m_lu;
  std::vector<char> m_visited;
};

}  // namespace vexmoor
