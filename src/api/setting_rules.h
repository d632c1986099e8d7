// The rules of a run's settings, each in one place with one wording, for
// every door: the batch front end's options, the window's boxes and the R
// and Python arguments all hand their values over in their own type and
// get back the setting or a vexmoor::Error whose message names the setting,
// the rule and the value. A door may put its own name of the setting in
// front ("option -v: ..."); it never words a rule itself.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "analyses/analysis_actions.h"

namespace vexmoor {

// A setting's value as a door received it: text as typed (a command-line
// word, an edit box, a string argument), a number (an R numeric, a Python
// float, a spin box's value), a whole number (an R integer, a Python or
// numpy int) or a logical value, which no numeric setting takes.
using SettingValue = std::variant<std::string, double, std::int64_t, bool>;

// The seed of a resampling run: a whole number from 0 to 2^64 − 1, written
// in digits. A number (double) above 2^53 is refused: its digits may
// already be lost, so it must come as text.
std::uint64_t seedSetting(const SettingValue& value);

// The resampling size v (100·v² replicates, 100·v for the bootstrap range):
// a whole number from 1 to kMaxBootValue.
int resamplingSizeSetting(const SettingValue& value);

// The number of principal components k as RunSettings::components holds
// it. Text passes as typed: the run rounds it and checks it against the
// number of shape variables, which only the data decide. A number must be
// whole and at least 1; it is handed on in digits.
std::string componentsSetting(const SettingValue& value);

// The number of pooled principal components that RunCPC fits its models
// to (pcs): a whole number from 1 to 2^31 − 1; the run checks it against
// the groups' sizes.
int pooledComponentsSetting(const SettingValue& value);

// The most threads a resampling test may be given.
inline constexpr int kMaxThreads = 1024;

// The resampling tests' threads: a whole number from 1 to kMaxThreads.
int threadCountSetting(const SettingValue& value);

// The number of principal components of all specimens together that the
// covariance analyses reduce their variables to (total_pcs): a whole
// number from 1 to 2^31 − 1; the run checks it against the groups' sizes.
int totalComponentsSetting(const SettingValue& value);

// A name the covariance analyses take (`name` names the setting:
// "within" a column, "reference" a group): text of one line, not empty.
std::string nameSetting(const SettingValue& value, std::string_view name);

// The covariance analyses' settings against the action: pcs and total_pcs
// are no two reductions at once, and each setting goes to the analyses it
// applies to (within and total_pcs to the covariance analyses, reference
// to RelativeEigenanalysis, log_euclidean to CovarianceDistances, diagonal
// to MatrixCorrelation, mean_angle to RandomSkewers). Throws
// vexmoor::Error naming the setting and the action.
void checkCovarianceSettings(std::string_view action, int pcs, const CovarianceSettings& settings);

// The dimension of the landmarks: 2 or 3.
int dimensionSetting(const SettingValue& value);

// A switch (`name` names it in the message: "partial_warps"): only a
// logical value; text and numbers are refused rather than guessed at.
bool switchSetting(const SettingValue& value, std::string_view name);

// The analysis named `name` (exact, case-sensitive); throws naming it and
// listing the valid ones. Its entry says whether it reads k and whether it
// draws replicates (so v and the seed apply).
const AnalysisAction& runAction(std::string_view name);

// The resampling tests as the bindings name them, with their actions:
// "bootstrap" BootMezeyAngle, "boot_range" BootConMezeyAngle, "range"
// RangeMezeyAngle, "shuffle" PermuteMezeyAngle, "randomization"
// RandMezeyAngle.
struct ResamplingTestName {
  std::string_view test;
  std::string_view action;
};
std::span<const ResamplingTestName> resamplingTestNames();
// The action of the test named `test`; throws listing the names.
std::string_view resamplingTestAction(std::string_view test);

// "BootMezeyAngle, BootConMezeyAngle, ..." : the actions that draw
// replicates, for messages that send the user to one.
std::string resamplingActionList();

}  // namespace vexmoor
