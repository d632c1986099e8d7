#include "covariance_options.h"

#include <CLI/CLI.hpp>
#include <algorithm>

#include "analyses/covariance_actions.h"
#include "api/setting_rules.h"
#include "runtime/error.h"

namespace vexmoor {
namespace {

constexpr std::string_view kValueOptions[] = {"--total-pcs", "--within", "--reference"};
constexpr std::string_view kFlags[] = {"--log-euclidean", "--diagonal", "--mean-angle"};

template <typename Rule>
auto converted(const char* option, const std::string& text, Rule rule) {
  try {
    return rule(SettingValue(text));
  } catch (const Error& e) {
    rethrowWithContext(std::string("option ") + option, e);
  }
}

}  // namespace

bool isCovarianceValueOption(std::string_view name) {
  return std::find(std::begin(kValueOptions), std::end(kValueOptions), name) !=
         std::end(kValueOptions);
}

bool isCovarianceFlag(std::string_view name) {
  return std::find(std::begin(kFlags), std::end(kFlags), name) != std::end(kFlags);
}

void defineCovarianceOptions(CLI::App& app, CovarianceArguments& raw) {
  app.add_option("--total-pcs", raw.totalPcs);
  app.add_option("--within", raw.within);
  app.add_option("--reference", raw.reference);
  app.add_flag("--log-euclidean", raw.logEuclidean);
  app.add_flag("--diagonal", raw.diagonal);
  app.add_flag("--mean-angle", raw.meanAngle);
}

CovarianceSettings covarianceSettings(const CLI::App& app, const CovarianceArguments& raw,
                                      bool resample) {
  CovarianceSettings s;
  if (app.count("--total-pcs") > 0) {
    s.totalPcs = converted("--total-pcs", raw.totalPcs, totalComponentsSetting);
  }
  auto name = [](std::string_view setting) {
    return [setting](const SettingValue& v) { return nameSetting(v, setting); };
  };
  if (app.count("--within") > 0) {
    s.within = converted("--within", raw.within, name("within"));
  }
  if (app.count("--reference") > 0) {
    s.reference = converted("--reference", raw.reference, name("reference"));
  }
  s.logEuclidean = raw.logEuclidean;
  s.diagonal = raw.diagonal;
  s.meanAngle = raw.meanAngle;
  s.resample = resample;
  return s;
}

void checkCovarianceReplicates(const BatchOptions& o) {
  if (o.replicatesFile && isCovarianceAction(o.action) && o.action != "RandomSkewers" &&
      !o.covariance.resample) {
    throw Error("option --replicates: " + o.action + " draws replicates only with -v V");
  }
}

std::string covarianceUsage() {
  return "  covariance analyses (RelativeEigenanalysis, CovarianceDistances, RandomSkewers,\n"
         "  MatrixCorrelation, CommonSubspace; see docs/covariance.md):\n"
         "  --raw                 the variables as given: a table's columns, or landmark\n"
         "                        coordinates without their trailing value\n"
         "  --total-pcs M         first reduce the variables to the first M principal\n"
         "                        components of all specimens together\n"
         "  --pcs M               first reduce them to the first M principal components\n"
         "                        of the pooled within-group covariance matrix\n"
         "  --within COLUMN       each group's covariance matrix is the mean of those of\n"
         "                        its sub-groups in COLUMN (of each file, of the\n"
         "                        --group-by table, or of the classifier)\n"
         "  -v V                  draw 100*V^2 replicates: the bootstrap of\n"
         "                        RelativeEigenanalysis, the permutation tests of\n"
         "                        CovarianceDistances and MatrixCorrelation, the null of\n"
         "                        CommonSubspace; RandomSkewers always draws 100*V^2\n"
         "                        skewers (default V 1)\n"
         "  -k K                  CommonSubspace: each group's first K components\n"
         "  --reference NAME      RelativeEigenanalysis: every other group relative to\n"
         "                        group NAME, instead of every pair\n"
         "  --log-euclidean       CovarianceDistances: the log-Euclidean distances too\n"
         "  --diagonal            MatrixCorrelation: correlate the diagonal elements too\n"
         "  --mean-angle          RandomSkewers: the mean angle between the responses\n";
}

}  // namespace vexmoor
