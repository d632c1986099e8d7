#include "api/setting_rules.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>

#include "analyses/covariance_actions.h"
#include "compare/resampling_replicates.h"
#include "runtime/error.h"
#include "runtime/text.h"

namespace vexmoor {
namespace {

constexpr std::uint64_t kLargestInt = std::numeric_limits<int>::max();
// Above 2^53 a double no longer holds every whole number.
constexpr double kExactDoubles = 9007199254740992.0;
constexpr double kTwoTo64 = 18446744073709551616.0;

std::string numberText(double v) {
  if (std::isnan(v)) {
    return "NaN";
  }
  if (std::isinf(v)) {
    return v > 0 ? "Inf" : "-Inf";
  }
  char buffer[32];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, v);
  return std::string(buffer, end);
}

// A whole number from `lo` to `hi`; `rule` opens every message.
class WholeRule {
 public:
  WholeRule(std::string rule, std::uint64_t lo, std::uint64_t hi)
      : m_rule(std::move(rule)), m_lo(lo), m_hi(hi) {}

  std::uint64_t operator()(const SettingValue& value) const {
    if (const std::string* text = std::get_if<std::string>(&value)) {
      return fromText(*text);
    }
    if (const double* number = std::get_if<double>(&value)) {
      return fromNumber(*number);
    }
    if (const std::int64_t* whole = std::get_if<std::int64_t>(&value)) {
      if (*whole < 0) {
        fail(std::to_string(*whole) + " is out of range");
      }
      return inRange(static_cast<std::uint64_t>(*whole), std::to_string(*whole));
    }
    fail(std::string("a logical value (") + (std::get<bool>(value) ? "true" : "false") +
         ") is not a number");
  }

 private:
  [[noreturn]] void fail(const std::string& problem) const { throw Error(m_rule + "; " + problem); }

  std::uint64_t inRange(std::uint64_t v, const std::string& shown) const {
    if (v < m_lo || v > m_hi) {
      fail(shown + " is out of range");
    }
    return v;
  }

  std::uint64_t fromText(std::string_view text) const {
    std::string_view t = trimWhiteSpace(text);
    if (t.empty()) {
      fail(text.empty() ? "nothing was entered"
                        : "\"" + escapeNonPrintable(text) + "\" is not a whole number");
    }
    std::string_view digits = t;
    bool negative = digits.front() == '-';
    if (digits.front() == '-' || digits.front() == '+') {
      digits.remove_prefix(1);
    }
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos) {
      fail("\"" + escapeNonPrintable(text) + "\" is not a whole number");
    }
    std::uint64_t v = 0;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), v);
    if (ec == std::errc::result_out_of_range || (negative && v != 0)) {
      fail(std::string(t) + " is out of range");
    }
    return inRange(v, std::string(t));
  }

  std::uint64_t fromNumber(double v) const {
    std::string shown = numberText(v);
    if (!std::isfinite(v) || v != std::floor(v)) {
      fail(shown + " is not a whole number");
    }
    if (v < 0 || v >= kTwoTo64) {
      fail(shown + " is out of range");
    }
    std::uint64_t whole = inRange(static_cast<std::uint64_t>(v), shown);
    if (v > kExactDoubles) {
      fail(shown + " lies above 2^53, where numbers lose digits: give it as text");
    }
    return whole;
  }

  std::string m_rule;
  std::uint64_t m_lo, m_hi;
};

constexpr std::array<ResamplingTestName, 5> kTests{{
    {"bootstrap", "BootMezeyAngle"},
    {"boot_range", "BootConMezeyAngle"},
    {"range", "RangeMezeyAngle"},
    {"shuffle", "PermuteMezeyAngle"},
    {"randomization", "RandMezeyAngle"},
}};

}  // namespace

std::uint64_t seedSetting(const SettingValue& value) {
  static const WholeRule rule("the seed must be a whole number from 0 to 18446744073709551615", 0,
                              std::numeric_limits<std::uint64_t>::max());
  return rule(value);
}

int resamplingSizeSetting(const SettingValue& value) {
  static const WholeRule rule(
      "the resampling size v must be a whole number from 1 to " + std::to_string(kMaxBootValue), 1,
      kMaxBootValue);
  return static_cast<int>(rule(value));
}

std::string componentsSetting(const SettingValue& value) {
  if (const std::string* text = std::get_if<std::string>(&value)) {
    return *text;
  }
  static const WholeRule rule(
      "the number of components must be a whole number from 1 to the number of shape variables", 1,
      kLargestInt);
  return std::to_string(rule(value));
}

int pooledComponentsSetting(const SettingValue& value) {
  static const WholeRule rule(
      "the number of pooled principal components pcs must be a whole number from 1 to " +
          std::to_string(kLargestInt),
      1, kLargestInt);
  return static_cast<int>(rule(value));
}

int threadCountSetting(const SettingValue& value) {
  static const WholeRule rule(
      "the number of threads must be a whole number from 1 to " + std::to_string(kMaxThreads), 1,
      kMaxThreads);
  return static_cast<int>(rule(value));
}

int totalComponentsSetting(const SettingValue& value) {
  static const WholeRule rule(
      "the number of principal components of all specimens together total_pcs must be a whole "
      "number from 1 to " +
          std::to_string(kLargestInt),
      1, kLargestInt);
  return static_cast<int>(rule(value));
}

std::string nameSetting(const SettingValue& value, std::string_view name) {
  const std::string* text = std::get_if<std::string>(&value);
  if (!text) {
    throw Error(std::string(name) + " must be a name (text)");
  }
  if (trimWhiteSpace(*text).empty()) {
    throw Error(std::string(name) + " must be a name; it is empty");
  }
  if (std::any_of(text->begin(), text->end(),
                  [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; })) {
    throw Error(std::string(name) + " must be a name of one line; \"" + escapeNonPrintable(*text) +
                "\" holds a control character");
  }
  return *text;
}

void checkCovarianceSettings(std::string_view action, int pcs, const CovarianceSettings& s) {
  const std::string name(action);
  if (s.totalPcs != 0) {
    totalComponentsSetting(std::int64_t{s.totalPcs});
  }
  if (pcs > 0 && s.totalPcs > 0) {
    throw Error(
        "pcs and total_pcs both reduce the variables to principal components (of the pooled "
        "within-group covariance matrix and of all specimens together); give one of them");
  }
  const bool covariance = isCovarianceAction(action);
  const std::string list =
      "RelativeEigenanalysis, CovarianceDistances, RandomSkewers, "
      "MatrixCorrelation, CommonSubspace";
  if (s.totalPcs > 0 && !covariance) {
    throw Error("total_pcs reduces the variables of the covariance analyses (" + list + "); " +
                name + " reduces none");
  }
  if (!s.within.empty() && !covariance) {
    throw Error("within pools covariance matrices within sub-groups for the covariance analyses (" +
                list + "); " + name + " pools none");
  }
  struct Only {
    bool set;
    const char* setting;
    const char* owner;
    const char* what;
  };
  const Only rules[] = {
      {!s.reference.empty(), "reference", "RelativeEigenanalysis",
       "names the group that RelativeEigenanalysis compares every other group with"},
      {s.logEuclidean, "log_euclidean", "CovarianceDistances",
       "adds the log-Euclidean distances to CovarianceDistances"},
      {s.diagonal, "diagonal", "MatrixCorrelation",
       "adds the diagonal elements to MatrixCorrelation's correlation"},
      {s.meanAngle, "mean_angle", "RandomSkewers",
       "adds the mean angle between the responses to RandomSkewers"},
  };
  for (const Only& rule : rules) {
    if (rule.set && action != rule.owner) {
      throw Error(std::string(rule.setting) + " " + rule.what + "; " + name + " takes no " +
                  rule.setting);
    }
  }
}

int dimensionSetting(const SettingValue& value) {
  static const WholeRule rule("the dimension must be 2 or 3", 2, 3);
  return static_cast<int>(rule(value));
}

bool switchSetting(const SettingValue& value, std::string_view name) {
  if (const bool* on = std::get_if<bool>(&value)) {
    return *on;
  }
  std::string shown;
  if (const std::string* text = std::get_if<std::string>(&value)) {
    shown = "\"" + escapeNonPrintable(*text) + "\"";
  } else if (const double* number = std::get_if<double>(&value)) {
    shown = numberText(*number);
  } else {
    shown = std::to_string(std::get<std::int64_t>(value));
  }
  throw Error(std::string(name) + " must be true or false; " + shown + " is not a logical value");
}

const AnalysisAction& runAction(std::string_view name) {
  if (const AnalysisAction* action = findAnalysisAction(name)) {
    return *action;
  }
  std::string list;
  for (const AnalysisAction& a : analysisActions()) {
    list += (list.empty() ? "" : ", ") + std::string(a.name);
  }
  throw Error("unknown action \"" + escapeNonPrintable(name) + "\"; valid actions: " + list);
}

std::span<const ResamplingTestName> resamplingTestNames() {
  return kTests;
}

std::string_view resamplingTestAction(std::string_view test) {
  std::string list;
  for (const ResamplingTestName& t : kTests) {
    if (t.test == test) {
      return t.action;
    }
    list += (list.empty() ? "" : ", ") + std::string(t.test);
  }
  throw Error("the resampling test must be one of " + list + "; \"" + escapeNonPrintable(test) +
              "\" is not one");
}

std::string resamplingActionList() {
  std::string list;
  for (const AnalysisAction& a : analysisActions()) {
    if (a.resampling) {
      list += (list.empty() ? "" : ", ") + std::string(a.name);
    }
  }
  return list;
}

}  // namespace vexmoor
