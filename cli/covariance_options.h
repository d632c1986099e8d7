// The covariance analyses' options of vexmoor-batch: --total-pcs M,
// --within COLUMN, --reference NAME, --log-euclidean, --diagonal and
// --mean-angle. Each value goes through the interface's rule for its
// setting (api/setting_rules.h); the message names the option as typed.
#pragma once

#include <string>
#include <string_view>

#include "analyses/covariance_result.h"
#include "batch_options.h"

namespace CLI {
class App;
}

namespace vexmoor {

// The options as typed, before any value is checked.
struct CovarianceArguments {
  std::string totalPcs, within, reference;
  bool logEuclidean = false, diagonal = false, meanAngle = false;
};

bool isCovarianceValueOption(std::string_view name);
bool isCovarianceFlag(std::string_view name);

void defineCovarianceOptions(CLI::App& app, CovarianceArguments& raw);

// The settings the parsed options give; `resample` when -v was given.
// Throws vexmoor::Error naming the option.
CovarianceSettings covarianceSettings(const CLI::App& app, const CovarianceArguments& raw,
                                      bool resample);

// --replicates with a covariance analysis that draws replicates only with
// -v: throws vexmoor::Error when -v is missing.
void checkCovarianceReplicates(const BatchOptions& options);

// The lines of --help on these options and on -v and --pcs with them.
std::string covarianceUsage();

}  // namespace vexmoor
