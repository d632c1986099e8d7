#include "compare/resampling_tests.h"

#include "compare/principal_axes.h"
#include "compare/resampling_replicates.h"
#include "compare/subspace_angle.h"
#include "cpc/flury_loglike.h"
#include "runtime/format.h"
#include "runtime/text.h"

namespace vexmoor {
namespace {

// The observed statistics every test reports beside its replicates.
struct Observed {
  double angle;
  double maxAngle;
  double metric;
};

Observed observe(const AnalysisInput& in, Host& host) {
  MezeyAngle a = mezeyangle(in.x1, in.x2, in.npca, host);
  KrzanowskiAngle z = krzanangle(in.x1, in.x2, in.npca, host);
  return {a.angle, a.maxAngle, z.metric};
}

// Checks v before the observed statistics, so that a bad value costs nothing.
ReplicateResults replicatesOf(ResamplingTest test, const AnalysisInput& in,
                              const ResamplingOptions& options, Host& host, Observed& observed) {
  replicateCount(test, options.bootValue);
  observed = observe(in, host);
  return resamplingReplicates(test, in, options, host);
}

}  // namespace

std::string bootMezeyAngleText(const AnalysisInput& in, const ResamplingOptions& options,
                               Host& host) {
  Observed o{};
  ReplicateResults r = replicatesOf(ResamplingTest::kBoot, in, options, host, o);
  double n = static_cast<double>(r.count());
  std::string stemp = format(
      "\\nThe observed angle was %4.2f,\\n the upper 95th percentiles over %i bootstraps:\\n "
      "group 1: %4.2f group 2: %4.2f",
      {o.angle, n, r.upper(kBootAngle1, kUpperLevel), r.upper(kBootAngle2, kUpperLevel)});
  std::string stempb = format(
      "\\nThe observed Krzanowski metric was %4.2f,\\n the lower 95th percentiles over %i "
      "bootstraps:\\n group 1: %4.2f group 2: %4.2f",
      {o.metric, n, r.lower(kBootMetric1, kLowerLevel), r.lower(kBootMetric2, kLowerLevel)});
  return joinTrimmed({"Bootstrap Test of Angle", stemp, stempb});
}

std::string bootConMezeyAngleText(const AnalysisInput& in, const ResamplingOptions& options,
                                  Host& host) {
  Observed o{};
  ReplicateResults r = replicatesOf(ResamplingTest::kBootRange, in, options, host, o);
  double n = static_cast<double>(r.count());
  std::string stemp =
      format("\\nThe observed angle was %4.2f, the 95th range over %i bootstraps: %4.2f to %4.2f",
             {o.angle, n, r.lower(kPairAngle, kLowerLevel), r.upper(kPairAngle, kUpperLevel)});
  std::string stempa = format(
      "\\nThe observed Krzanowski metric was %4.2f, the 95th range over %i bootstraps: %4.2f to "
      "%4.2f",
      {o.metric, n, r.lower(kPairMetric, kLowerLevel), r.upper(kPairMetric, kUpperLevel)});
  return joinTrimmed({"Bootstrap Test of Range of Angle", stemp, stempa});
}

std::string rangeMezeyAngleText(const AnalysisInput& in, const ResamplingOptions& options,
                                Host& host) {
  Observed o{};
  replicateCount(ResamplingTest::kRange, options.bootValue);
  o = observe(in, host);
  double florig =
      fluryloglike(covariance(in.x1), covariance(in.x2), covarianceOfStacked(in.x2, in.x1),
                   static_cast<double>(in.m1), static_cast<double>(in.m2));
  ReplicateResults r = resamplingReplicates(ResamplingTest::kRange, in, options, host);
  double n = static_cast<double>(r.count());
  auto up = [&](int column) { return r.upper(column, kRangeUpperLevel); };
  auto low = [&](int column) { return r.lower(column, kRangeLowerLevel); };
  double floup = r.upper(kRangeFlury1, kFluryUpperLevel);
  double floup2 = r.upper(kRangeFlury2, kFluryUpperLevel);
  double flolim = r.lower(kRangeFluryRandom, kFluryLowerLevel);

  std::string stempa = "Bootstrap Test of Angle";
  display(host, "stempa", stempa);
  std::string angles = format(
      "\\nThe observed angle was %4.2f, the 97.5th percentiles over %i bootstraps: group 1: "
      "%4.2f group 2: %4.2f",
      {o.angle, n, up(kRangeAngle1), up(kRangeAngle2)});
  std::string metrics = format(
      "\\nThe observed Krzanowski metric was %4.2f, the lower 97.5th percentiles over %i "
      "bootstraps: group 1: %4.3f group 2: %4.3f",
      {o.metric, n, low(kRangeMetric1), low(kRangeMetric2)});
  std::string maximal =
      format("\\nThe maximal angle under these conditions is %3.2f", {o.maxAngle});

  std::string stemp2 = format("\\n\\nRandom Shuffle Test of Angle");
  display(host, "stemp2", stemp2);
  std::string randomAngles = format(
      "\\nThe observed angle was %4.2f,\\n the 97.5th percentiles over %i randomizations: %4.2f "
      "to %4.2f ",
      {o.angle, n, low(kRangeAngleRandom), up(kRangeAngleRandom)});
  std::string randomMaximal = format("\\n\\nThe maximal angle under these conditions is %3.2f",
                                     {r.largest(kRangeAngleRandom)});

  std::string fluryTitle = format("\\nThe Log-likelihood ratio test of Matrices (Flury)");
  std::string randomMetrics = format(
      "\\nThe observed Krzanowski metric was %4.3f,\\n the 97.5th percentiles over %i "
      "randomizations: %4.3f to %4.3f ",
      {o.metric, n, low(kRangeMetricRandom), up(kRangeMetricRandom)});
  std::string observedChi = format("\\nObserved Chi^2 = %4.4f", {florig});
  std::string stemp4 = format("\\n95 percent upper bound on Group1 Chi^2=%4.4f", {floup});
  display(host, "stemp4", stemp4);
  std::string stemp5 = format("\\n95 percent upper bound on Group2 Chi^2=%4.4f", {floup2});
  display(host, "stemp5", stemp5);
  std::string stemp3 = format("\\n95 percent lower bound on Random Chi^2=%4.4f", {flolim});
  display(host, "stemp3", stemp3);
  display(host, "ans", flolim);
  std::string maximalMetric =
      format("\\nThe maximal Krzanowski metric under these conditions is %3.3f",
             {r.largest(kRangeMetricRandom)});

  return joinTrimmed({stempa, angles, metrics, maximal, stemp2, randomAngles, randomMaximal,
                      fluryTitle, randomMetrics, observedChi, stemp4, stemp5, stemp3,
                      maximalMetric});
}

namespace {

// The shuffle and the randomization test differ only in their draws, their
// title and the closing blank of two formats.
std::string intervalText(ResamplingTest test, const char* title, bool closingBlank,
                         const AnalysisInput& in, const ResamplingOptions& options, Host& host) {
  Observed o{};
  ReplicateResults r = replicatesOf(test, in, options, host, o);
  double n = static_cast<double>(r.count());
  std::string blank = closingBlank ? " " : "";
  std::string stemp = format(
      "\\nThe observed angle was %4.2f,\\n the 95th percentiles over %i randomizations: %4.2f to "
      "%4.2f" +
          blank,
      {o.angle, n, r.lower(kPairAngle, kLowerLevel), r.upper(kPairAngle, kUpperLevel)});
  std::string stempz = format(
      "\\nThe observed Krzanowski metric was %4.3f,\\n the 95th percentiles over %i "
      "randomizations: %4.3f to %4.3f" +
          blank,
      {o.metric, n, r.lower(kPairMetric, kLowerLevel), r.upper(kPairMetric, kUpperLevel)});
  std::string stempa = title;
  display(host, "stempa", stempa);
  std::string stempb = format("\\nThe maximal angle under these conditions is %3.2f", {o.maxAngle});
  return joinTrimmed({stempa, stemp, stempz, stempb});
}

}  // namespace

std::string permuteMezeyAngleText(const AnalysisInput& in, const ResamplingOptions& options,
                                  Host& host) {
  return intervalText(ResamplingTest::kShuffle, "Random Shuffle Test of Angle", true, in, options,
                      host);
}

std::string randMezeyAngleText(const AnalysisInput& in, const ResamplingOptions& options,
                               Host& host) {
  return intervalText(ResamplingTest::kRandomization, "Randomization Test of Angle", false, in,
                      options, host);
}

}  // namespace vexmoor
