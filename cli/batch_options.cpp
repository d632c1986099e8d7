#include "batch_options.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <filesystem>

#include "api/analysis_run.h"
#include "api/setting_rules.h"
#include "batch_run.h"
#include "covariance_options.h"
#include "runtime/error.h"
#include "runtime/text.h"

#ifndef VEXMOOR_VERSION
#define VEXMOOR_VERSION "unknown"
#endif

namespace vexmoor {
namespace {

// An option's value through the interface's rule for its setting; the
// message names the option as typed.
template <typename Rule>
auto converted(const char* option, const std::string& text, Rule rule) {
  try {
    return rule(SettingValue(text));
  } catch (const Error& e) {
    rethrowWithContext(std::string("option ") + option, e);
  }
}

constexpr const char* kValueOptions[] = {"-k",     "-v",       "--seed",       "--replicates",
                                         "--plot", "--by",     "--classifier", "--group-by",
                                         "--pcs",  "--threads"};
constexpr const char* kFlags[] = {"--3d", "--raw", "--diagnostics", "--json", "--drop-incomplete"};

bool takesValue(std::string_view name) {
  return std::find(std::begin(kValueOptions), std::end(kValueOptions), name) !=
             std::end(kValueOptions) ||
         isCovarianceValueOption(name);
}

bool isFlag(std::string_view name) {
  return std::find(std::begin(kFlags), std::end(kFlags), name) != std::end(kFlags) ||
         isCovarianceFlag(name);
}

// The option that `arg` gives, "" for none; `attached` when its value is
// part of it (--seed=7, -k2).
std::string optionOf(const std::string& arg, bool& attached) {
  attached = false;
  if (takesValue(arg) || isFlag(arg)) {
    return arg;
  }
  size_t eq = arg.find('=');
  if (arg.rfind("--", 0) == 0 && eq != std::string::npos &&
      (takesValue(arg.substr(0, eq)) || isFlag(arg.substr(0, eq)))) {
    attached = true;
    return arg.substr(0, eq);
  }
  if (arg.size() > 2 && arg[0] == '-' && arg[1] != '-' && takesValue(arg.substr(0, 2))) {
    attached = true;
    return arg.substr(0, 2);
  }
  return "";
}

// What the parser would misreport: an option given twice (it would say
// the option needs a value), and an option followed by another option where
// its value belongs (it would take the next word, or count arguments).
void checkOptionUse(const std::vector<std::string>& args) {
  std::vector<std::string> seen;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--") {
      return;
    }
    bool attached = false;
    std::string name = optionOf(args[i], attached);
    if (name.empty()) {
      continue;
    }
    if (std::find(seen.begin(), seen.end(), name) != seen.end()) {
      throw Error("option " + name + " was given twice; give it once");
    }
    seen.push_back(name);
    if (!takesValue(name) || attached || i + 1 == args.size()) {
      continue;
    }
    bool nextAttached = false;
    if (!optionOf(args[i + 1], nextAttached).empty()) {
      throw Error("option " + name + " needs a value; it is followed by option " +
                  escapeNonPrintable(args[i + 1]));
    }
    ++i;  // the value
  }
}

std::string actionNames() {
  std::string list;
  for (std::string_view name : runActionNames()) {
    list += (list.empty() ? "" : ", ") + std::string(name);
  }
  return list;
}

// What the command line holds as typed, before any value is checked.
struct RawArguments {
  std::vector<std::string> positional;
  std::string bootValue, seed, pcs, threads;
  std::vector<std::string> unknown;
};

void defineOptions(CLI::App& app, BatchOptions& o, RawArguments& raw) {
  app.allow_extras();
  app.set_help_flag();
  app.add_option("positional", raw.positional);
  app.add_flag("--3d", o.threeD);
  app.add_flag("--raw", o.raw);
  app.add_flag("--drop-incomplete", o.dropIncomplete);
  app.add_flag("--diagnostics", o.diagnostics);
  app.add_flag("--json", o.json);
  app.add_option("-k", o.components);
  app.add_option("-v", raw.bootValue);
  app.add_option("--seed", raw.seed);
  app.add_option("--pcs", raw.pcs);
  app.add_option("--threads", raw.threads);
  app.add_option("--replicates", o.replicatesFile);
  app.add_option("--plot", o.plotFile);
  app.add_option("--group-by", o.groupBy);
  app.add_option("--classifier", o.classifier);
  app.add_option("--by", o.by);
}

void checkPlotExtension(const std::string& path) {
  std::string extension = lowerCaseExtension(path);
  if (extension != ".svg" && extension != ".png" && extension != ".pdf") {
    throw Error("option --plot: \"" + escapeNonPrintable(path) +
                "\" has no picture extension; use .svg, .png or .pdf");
  }
}

void checkGrouping(const BatchOptions& o, const std::vector<std::string>& positional) {
  if (o.groupBy && o.classifier) {
    throw Error("--group-by and --classifier both name the groups; give one of them");
  }
  if (o.by && !o.classifier) {
    throw Error("option --by names the classifier's column of groups; it needs --classifier CSV");
  }
  if (o.classifier && !o.by) {
    throw Error("option --classifier needs --by COLUMN, the classifier's column of groups");
  }
  if (o.groupBy || o.classifier) {
    if (positional.size() != 2) {
      throw Error(std::string(o.groupBy ? "--group-by" : "--classifier") +
                  " splits one file of specimens into groups: expected ACTION FILE, got " +
                  std::to_string(positional.size()) + " arguments (see --help)");
    }
    return;
  }
  if (positional.size() < 3) {
    throw Error("expected ACTION GROUP1_FILE GROUP2_FILE, got " +
                std::to_string(positional.size()) + " arguments (see --help)");
  }
}

}  // namespace

std::string batchUsage() {
  return "usage: vexmoor-batch ACTION GROUP1_FILE GROUP2_FILE [FILE3 ...] [--3d] [--raw]\n"
         "                     [-k K] [-v V] [--seed N] [--json] [--replicates FILE.csv]\n"
         "                     [--plot FILE] [--pcs M] [--threads N] [--drop-incomplete]\n"
         "                     [--diagnostics]\n"
         "       vexmoor-batch ACTION TABLE --group-by COLUMN [options]\n"
         "       vexmoor-batch ACTION FILE --classifier CSV --by COLUMN [options]\n"
         "       vexmoor-batch --help | --version\n"
         "\n"
         "Compares groups of landmark specimens and prints the result text. Two groups\n"
         "give the two-group analyses; three or more give pairwise tables and the\n"
         "hierarchy of all groups, from one pooled frame (see docs/groups.md).\n"
         "\n"
         "  ACTION                " +
         actionNames() +
         "\n"
         "  --3d                  the landmarks are three-dimensional\n"
         "  --raw                 analyse the raw coordinates instead of partial warps (2D)\n"
         "  -k K                  number of principal components to compare\n"
         "  -v V                  resampling size: 100*V^2 replicates (100*V for\n"
         "                        BootConMezeyAngle); default 1\n"
         "  --seed N              make the resampling reproducible (the seed used is in --json)\n"
         "  --json                print one JSON document (text, settings, seed, statistics,\n"
         "                        intervals, p-values) instead of the text\n"
         "  --replicates FILE.csv write every replicate's values, one row per replicate\n"
         "                        (resampling tests); an output never replaces an input\n"
         "                        file, and a device or /dev/stdout is written directly\n"
         "  --plot FILE           draw the groups, the replicates' histograms, or the\n"
         "                        principal components' pictures into FILE\n"
         "                        (.svg, .png or .pdf)\n"
         "  --group-by COLUMN     TABLE is one CSV/TSV table; COLUMN (its header text)\n"
         "                        holds each specimen's group\n"
         "  --classifier CSV      a table of specimen identifiers (first column) and\n"
         "  --by COLUMN           their groups (column COLUMN), for one TPS, NTS,\n"
         "                        Morphologika or table FILE\n"
         "  --pcs M               RunCPC: fit the models to the scores of the first M\n"
         "                        principal components of the pooled within-group\n"
         "                        covariance matrix (M below every group's specimen count)\n"
         "  --threads N           the resampling tests' threads, 1 to " +
         std::to_string(kMaxThreads) +
         "; default: one per core\n"
         "                        the process may use (the numbers do not depend on it)\n"
         "  --drop-incomplete     leave out specimens with missing values (TPS -999 or NA,\n"
         "                        the NTS missing-value code, NA/NaN/empty in tables and\n"
         "                        Morphologika) and name them in a note; without it such\n"
         "                        a file is an error\n"
         "\n" +
         covarianceUsage() +
         "\n"
         "  --diagnostics         write the console diagnostics to standard error (and\n"
         "                        Qt's own messages of --plot)\n"
         "  --                    end of the options: every argument after it is a\n"
         "                        file, also one whose name starts with -\n"
         "  -h, --help            show this help\n"
         "  --version             show the version\n";
}

std::string batchVersion() {
  return std::string("vexmoor-batch ") + VEXMOOR_VERSION;
}

BatchOptions parseBatchOptions(const std::vector<std::string>& given) {
  BatchOptions o;
  // Everything after "--" is a file, also a name that starts with "-".
  auto end = std::find(given.begin(), given.end(), std::string("--"));
  std::vector<std::string> args(given.begin(), end);
  std::vector<std::string> afterOptions(end == given.end() ? end : end + 1, given.end());
  // Help and version win over everything else on the line.
  for (const std::string& a : args) {
    if (a == "-h" || a == "--help") {
      o.help = true;
      return o;
    }
    if (a == "--version") {
      o.version = true;
      return o;
    }
  }
  checkOptionUse(args);
  CLI::App app("vexmoor-batch");
  RawArguments raw;
  defineOptions(app, o, raw);
  CovarianceArguments covariance;
  defineCovarianceOptions(app, covariance);
  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::ArgumentMismatch& e) {
    std::string what = e.what();
    throw Error("option " + what.substr(0, what.find(':')) + " needs a value");
  } catch (const CLI::ParseError& e) {
    throw Error(escapeNonPrintable(e.what()));
  }
  for (const std::string& extra : app.remaining()) {
    if (extra.size() > 1 && extra[0] == '-') {
      throw Error("unknown option \"" + escapeNonPrintable(extra) + "\"");
    }
    raw.positional.push_back(extra);
  }
  raw.positional.insert(raw.positional.end(), afterOptions.begin(), afterOptions.end());
  if (app.count("-v") > 0) {
    o.bootValue = converted("-v", raw.bootValue, resamplingSizeSetting);
  }
  if (app.count("--seed") > 0) {
    o.seed = converted("--seed", raw.seed, seedSetting);
  }
  if (app.count("--pcs") > 0) {
    o.pcs = converted("--pcs", raw.pcs, pooledComponentsSetting);
  }
  o.covariance = covarianceSettings(app, covariance, app.count("-v") > 0);
  if (app.count("--threads") > 0) {
    o.threads = converted("--threads", raw.threads, threadCountSetting);
  }
  checkGrouping(o, raw.positional);
  o.action = raw.positional[0];
  o.files.assign(raw.positional.begin() + 1, raw.positional.end());
  // The command line's one check of its settings, before any file is read.
  checkRunSettings(runSettingsOf(o));
  if (o.replicatesFile && !runAction(o.action).resampling) {
    throw Error("option --replicates: " + o.action +
                " draws no replicates; it needs a resampling test (" + resamplingActionList() +
                ")");
  }
  checkCovarianceReplicates(o);
  if (o.plotFile) {
    checkPlotExtension(*o.plotFile);
  }
  return o;
}

}  // namespace vexmoor
