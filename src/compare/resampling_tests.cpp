#include "compare/resampling_tests.h"

#include <cmath>
#include <limits>

#include "compare/flury_loglike.h"
#include "compare/principal_axes.h"
#include "compare/replicate_statistics.h"
#include "compare/resampling_replicates.h"
#include "compare/subspace_angle.h"
#include "runtime/format.h"
#include "runtime/text.h"

namespace vexmoor {
namespace {

ObservedStatistics observe(const AnalysisInput& in, const ResamplingOptions& options, Host& host) {
  // One decomposition per group for both statistics, with the console
  // lines of the angle.
  SubspaceComparison c = compareSamples(in.x1, in.x2, in.npca, host, options.progress);
  displayMezeyDiagnostics(host, c.mezey);
  ObservedStatistics o;
  o.angle = c.mezey.angle;
  o.maxAngle = c.mezey.maxAngle;
  o.metric = c.krzanowski.metric;
  return o;
}

// Builds the result while the text asks for its numbers, so that every
// printed replicate value is recorded with its column and position.
class ResultBuilder {
 public:
  ResultBuilder(ResamplingTest test, const AnalysisInput& in, ReplicateResults replicates,
                std::vector<std::string> columns, ObservedStatistics observed)
      : m_replicates(std::move(replicates)) {
    m_result.observed = observed;
    m_result.replicates = m_replicates.count();
    m_result.columns = std::move(columns);
    std::span<const DegenerateScheme> schemes = degenerateSchemes(test);
    const std::vector<Index>& counts = m_replicates.tallies();
    for (size_t i = 0; i < schemes.size(); ++i) {
      m_result.degenerate.push_back({schemes[i].name, i < counts.size() ? counts[i] : 0});
    }
    m_result.note = degenerateNote(m_result.degenerate, m_result.replicates, in.npca, in.labels);
  }

  double count() const { return static_cast<double>(m_replicates.count()); }
  const ObservedStatistics& observed() const { return m_result.observed; }

  double upper(int column, double q) {
    return record(column, "_upper", q, upperPosition(q, m_replicates.count()));
  }
  double lower(int column, double q) {
    return record(column, "_lower", q, lowerPosition(q, m_replicates.count()));
  }
  double largest(int column) {
    Index numbers = 0;
    for (double v : m_replicates.sorted(column)) {
      numbers += std::isnan(v) ? 0 : 1;
    }
    double value = m_replicates.largest(column);
    m_result.percentiles.push_back(
        {m_result.columns[static_cast<size_t>(column)] + "_largest", column, 1.0, numbers, value});
    return value;
  }

  void pValue(std::string name, std::string description, int column, Tail tail, double observed) {
    const Matrix& values = m_replicates.inReplicateOrder();
    std::span<const double> replicates(values.col(column).data(),
                                       static_cast<size_t>(values.rows()));
    m_result.pValues.push_back({std::move(name), std::move(description), column, tail, observed,
                                empiricalPValue(replicates, observed, tail)});
  }

  ResamplingResult finish(std::string text) {
    m_result.text = std::move(text);
    m_result.values = m_replicates.inReplicateOrder();
    return std::move(m_result);
  }

 private:
  double record(int column, const char* suffix, double q, Index position) {
    double value = m_replicates.at(column, position);
    m_result.percentiles.push_back(
        {m_result.columns[static_cast<size_t>(column)] + suffix, column, q, position, value});
    return value;
  }

  ReplicateResults m_replicates;
  ResamplingResult m_result;
};

// Checks v before the observed statistics, so that a bad value costs nothing.
ResultBuilder replicatesOf(ResamplingTest test, const AnalysisInput& in,
                           const ResamplingOptions& options, Host& host,
                           std::vector<std::string> columns) {
  replicateCount(test, options.bootValue);
  ObservedStatistics observed = observe(in, options, host);
  return ResultBuilder(test, in, resamplingReplicates(test, in, options, host), std::move(columns),
                       observed);
}

// The within-group schemes: a large observed angle and a small observed
// metric speak against one shared subspace.
void withinGroupPValues(ResultBuilder& b, int angle1, int angle2, int metric1, int metric2) {
  const ObservedStatistics& o = b.observed();
  for (int g = 1; g <= 2; ++g) {
    std::string group = "group" + std::to_string(g);
    std::string label = "group " + std::to_string(g);
    b.pValue("angle_above_" + group,
             "observed angle exceeds the within-" + label + " bootstrap angles",
             g == 1 ? angle1 : angle2, Tail::kAtLeast, o.angle);
    b.pValue("metric_below_" + group,
             "observed metric falls short of the within-" + label + " bootstrap metrics",
             g == 1 ? metric1 : metric2, Tail::kAtMost, o.metric);
  }
}

// Schemes without shared structure: a small observed angle and a large
// observed metric speak for more agreement than chance gives.
void agreementPValues(ResultBuilder& b, const std::string& scheme, const std::string& label,
                      int angle, int metric) {
  const ObservedStatistics& o = b.observed();
  b.pValue("angle_below_" + scheme, "observed angle is smaller than the " + label + " angles",
           angle, Tail::kAtMost, o.angle);
  b.pValue("metric_above_" + scheme, "observed metric is larger than the " + label + " metrics",
           metric, Tail::kAtLeast, o.metric);
}

}  // namespace

std::string degenerateNote(const std::vector<DegenerateCount>& counts, Index replicates, int k,
                           const std::vector<std::string>& labels) {
  std::vector<std::string> parts;
  for (const DegenerateCount& c : counts) {
    if (c.count == 0) {
      continue;
    }
    // Group labels come escaped from where they are made.
    std::string scheme = c.scheme == "group1"    ? labels.at(0)
                         : c.scheme == "group2"  ? labels.at(1)
                         : c.scheme == "between" ? "between-group"
                                                 : c.scheme;
    parts.push_back(std::to_string(c.count) + " of the " + std::to_string(replicates) + " " +
                    scheme + " replicates");
  }
  if (parts.empty()) {
    return {};
  }
  std::string list = parts[0];
  for (size_t i = 1; i < parts.size(); ++i) {
    list += (i + 1 == parts.size() ? " and " : ", ") + parts[i];
  }
  return "Note: " + list + " compared a sample with fewer independent directions than the " +
         std::to_string(k) + (k == 1 ? " component" : " components") +
         " asked for, so their angles and metrics rest partly on arbitrary axes.";
}

double empiricalPValue(std::span<const double> replicates, double observed, Tail tail) {
  if (std::isnan(observed) || replicates.empty()) {
    return std::numeric_limits<double>::quiet_NaN();
  }
  std::size_t extreme = 0;
  for (double r : replicates) {
    extreme += (tail == Tail::kAtLeast ? r >= observed : r <= observed) ? 1 : 0;
  }
  return (1.0 + static_cast<double>(extreme)) / (static_cast<double>(replicates.size()) + 1.0);
}

ResamplingResult bootMezeyAngle(const AnalysisInput& in, const ResamplingOptions& options,
                                Host& host) {
  ResultBuilder b =
      replicatesOf(ResamplingTest::kBoot, in, options, host,
                   {"angle_group1", "angle_group2", "metric_group1", "metric_group2"});
  const ObservedStatistics& o = b.observed();
  double n = b.count();
  std::string stemp = format(
      "\\nThe observed angle was %4.2f,\\n the upper 95th percentiles over %i bootstraps:\\n "
      "group 1: %4.2f group 2: %4.2f",
      {o.angle, n, b.upper(kBootAngle1, kUpperLevel), b.upper(kBootAngle2, kUpperLevel)});
  std::string stempb = format(
      "\\nThe observed Krzanowski metric was %4.2f,\\n the lower 95th percentiles over %i "
      "bootstraps:\\n group 1: %4.2f group 2: %4.2f",
      {o.metric, n, b.lower(kBootMetric1, kLowerLevel), b.lower(kBootMetric2, kLowerLevel)});
  withinGroupPValues(b, kBootAngle1, kBootAngle2, kBootMetric1, kBootMetric2);
  return b.finish(joinTrimmed({resamplingTitle(ResamplingTest::kBoot), stemp, stempb}));
}

ResamplingResult bootConMezeyAngle(const AnalysisInput& in, const ResamplingOptions& options,
                                   Host& host) {
  ResultBuilder b = replicatesOf(ResamplingTest::kBootRange, in, options, host,
                                 {"angle_between", "metric_between"});
  const ObservedStatistics& o = b.observed();
  double n = b.count();
  double angleLow = b.lower(kPairAngle, kLowerLevel);
  double angleHigh = b.upper(kPairAngle, kUpperLevel);
  std::string stemp =
      format("\\nThe observed angle was %4.2f, the 95th range over %i bootstraps: %4.2f to %4.2f",
             {o.angle, n, angleLow, angleHigh});
  double metricLow = b.lower(kPairMetric, kLowerLevel);
  double metricHigh = b.upper(kPairMetric, kUpperLevel);
  std::string stempa = format(
      "\\nThe observed Krzanowski metric was %4.2f, the 95th range over %i bootstraps: %4.2f to "
      "%4.2f",
      {o.metric, n, metricLow, metricHigh});
  return b.finish(joinTrimmed({resamplingTitle(ResamplingTest::kBootRange), stemp, stempa}));
}

ResamplingResult rangeMezeyAngle(const AnalysisInput& in, const ResamplingOptions& options,
                                 Host& host) {
  replicateCount(ResamplingTest::kRange, options.bootValue);
  ObservedStatistics o = observe(in, options, host);
  double florig =
      flurySingularByShape(in.x1.rows(), in.x2.rows(), in.x1.cols())
          ? std::numeric_limits<double>::quiet_NaN()
          : fluryloglike(covariance(in.x1), covariance(in.x2), covarianceOfStacked(in.x2, in.x1),
                         static_cast<double>(in.m1), static_cast<double>(in.m2));
  o.flury = florig;
  ResultBuilder b(ResamplingTest::kRange, in,
                  resamplingReplicates(ResamplingTest::kRange, in, options, host),
                  {"angle_group1", "angle_group2", "angle_random", "metric_group1", "metric_group2",
                   "metric_random", "flury_group1", "flury_group2", "flury_random"},
                  o);
  double n = b.count();
  auto up = [&](int column) { return b.upper(column, kRangeUpperLevel); };
  auto low = [&](int column) { return b.lower(column, kRangeLowerLevel); };

  std::string stempa(resamplingTitle(ResamplingTest::kRange));
  display(host, "stempa", stempa);
  double angle1 = up(kRangeAngle1);
  double angle2 = up(kRangeAngle2);
  std::string angles = format(
      "\\nThe observed angle was %4.2f, the 97.5th percentiles over %i bootstraps: group 1: "
      "%4.2f group 2: %4.2f",
      {o.angle, n, angle1, angle2});
  double metric1 = low(kRangeMetric1);
  double metric2 = low(kRangeMetric2);
  std::string metrics = format(
      "\\nThe observed Krzanowski metric was %4.2f, the lower 97.5th percentiles over %i "
      "bootstraps: group 1: %4.3f group 2: %4.3f",
      {o.metric, n, metric1, metric2});
  std::string maximal =
      format("\\nThe maximal angle under these conditions is %3.2f", {o.maxAngle});

  std::string stemp2 = format("\\n\\nRandom Shuffle Test of Angle");
  display(host, "stemp2", stemp2);
  double randomLow = low(kRangeAngleRandom);
  double randomHigh = up(kRangeAngleRandom);
  std::string randomAngles = format(
      "\\nThe observed angle was %4.2f,\\n the 97.5th percentiles over %i randomizations: %4.2f "
      "to %4.2f ",
      {o.angle, n, randomLow, randomHigh});
  std::string randomMaximal = format("\\n\\nThe maximal angle under these conditions is %3.2f",
                                     {b.largest(kRangeAngleRandom)});

  std::string fluryTitle = format("\\nThe Log-likelihood ratio test of Matrices (Flury)");
  double randomMetricLow = low(kRangeMetricRandom);
  double randomMetricHigh = up(kRangeMetricRandom);
  std::string randomMetrics = format(
      "\\nThe observed Krzanowski metric was %4.3f,\\n the 97.5th percentiles over %i "
      "randomizations: %4.3f to %4.3f ",
      {o.metric, n, randomMetricLow, randomMetricHigh});
  std::string observedChi = format("\\nObserved Chi^2 = %4.4f", {florig});
  double floup = b.upper(kRangeFlury1, kFluryUpperLevel);
  double floup2 = b.upper(kRangeFlury2, kFluryUpperLevel);
  double flolim = b.lower(kRangeFluryRandom, kFluryLowerLevel);
  std::string stemp4 = format("\\n95 percent upper bound on Group1 Chi^2=%4.4f", {floup});
  display(host, "stemp4", stemp4);
  std::string stemp5 = format("\\n95 percent upper bound on Group2 Chi^2=%4.4f", {floup2});
  display(host, "stemp5", stemp5);
  std::string stemp3 = format("\\n95 percent lower bound on Random Chi^2=%4.4f", {flolim});
  display(host, "stemp3", stemp3);
  display(host, "ans", flolim);
  std::string maximalMetric =
      format("\\nThe maximal Krzanowski metric under these conditions is %3.3f",
             {b.largest(kRangeMetricRandom)});

  withinGroupPValues(b, kRangeAngle1, kRangeAngle2, kRangeMetric1, kRangeMetric2);
  for (int g = 1; g <= 2; ++g) {
    b.pValue("flury_above_group" + std::to_string(g),
             "observed Flury statistic exceeds the within-group " + std::to_string(g) +
                 " bootstrap statistics",
             g == 1 ? kRangeFlury1 : kRangeFlury2, Tail::kAtLeast, florig);
  }
  agreementPValues(b, "random", "random data's", kRangeAngleRandom, kRangeMetricRandom);
  return b.finish(
      joinTrimmed({stempa, angles, metrics, maximal, stemp2, randomAngles, randomMaximal,
                   fluryTitle, randomMetrics, observedChi, stemp4, stemp5, stemp3, maximalMetric}));
}

namespace {

// The shuffle and the randomization test differ only in their draws, their
// title and the closing blank of two formats.
ResamplingResult intervalTest(ResamplingTest test, bool closingBlank, const std::string& scheme,
                              const std::string& label, const AnalysisInput& in,
                              const ResamplingOptions& options, Host& host) {
  ResultBuilder b = replicatesOf(test, in, options, host, {"angle_" + scheme, "metric_" + scheme});
  const ObservedStatistics& o = b.observed();
  double n = b.count();
  std::string blank = closingBlank ? " " : "";
  double angleLow = b.lower(kPairAngle, kLowerLevel);
  double angleHigh = b.upper(kPairAngle, kUpperLevel);
  std::string stemp = format(
      "\\nThe observed angle was %4.2f,\\n the 95th percentiles over %i randomizations: %4.2f to "
      "%4.2f" +
          blank,
      {o.angle, n, angleLow, angleHigh});
  double metricLow = b.lower(kPairMetric, kLowerLevel);
  double metricHigh = b.upper(kPairMetric, kUpperLevel);
  std::string stempz = format(
      "\\nThe observed Krzanowski metric was %4.3f,\\n the 95th percentiles over %i "
      "randomizations: %4.3f to %4.3f" +
          blank,
      {o.metric, n, metricLow, metricHigh});
  std::string stempa(resamplingTitle(test));
  display(host, "stempa", stempa);
  std::string stempb = format("\\nThe maximal angle under these conditions is %3.2f", {o.maxAngle});
  agreementPValues(b, scheme, label, kPairAngle, kPairMetric);
  return b.finish(joinTrimmed({stempa, stemp, stempz, stempb}));
}

}  // namespace

ResamplingResult permuteMezeyAngle(const AnalysisInput& in, const ResamplingOptions& options,
                                   Host& host) {
  return intervalTest(ResamplingTest::kShuffle, true, "shuffled", "shuffled samples'", in, options,
                      host);
}

ResamplingResult randMezeyAngle(const AnalysisInput& in, const ResamplingOptions& options,
                                Host& host) {
  return intervalTest(ResamplingTest::kRandomization, false, "random", "random data's", in, options,
                      host);
}

std::string bootMezeyAngleText(const AnalysisInput& in, const ResamplingOptions& options,
                               Host& host) {
  return bootMezeyAngle(in, options, host).text;
}

std::string bootConMezeyAngleText(const AnalysisInput& in, const ResamplingOptions& options,
                                  Host& host) {
  return bootConMezeyAngle(in, options, host).text;
}

std::string rangeMezeyAngleText(const AnalysisInput& in, const ResamplingOptions& options,
                                Host& host) {
  return rangeMezeyAngle(in, options, host).text;
}

std::string permuteMezeyAngleText(const AnalysisInput& in, const ResamplingOptions& options,
                                  Host& host) {
  return permuteMezeyAngle(in, options, host).text;
}

std::string randMezeyAngleText(const AnalysisInput& in, const ResamplingOptions& options,
                               Host& host) {
  return randMezeyAngle(in, options, host).text;
}

}  // namespace vexmoor
