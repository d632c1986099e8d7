#include "batch_options.h"

#include <charconv>

#include "actions/analysis_actions.h"
#include "runtime/error.h"

namespace vexmoor {
namespace {

template <typename T>
T parseWhole(const std::string& text, const std::string& option) {
  T value{};
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) {
    throw Error("option " + option + " needs a whole number; \"" + text + "\" is not one");
  }
  return value;
}

std::string actionList() {
  std::string list;
  for (const AnalysisAction& a : analysisActions()) {
    list += (list.empty() ? "" : ", ") + std::string(a.name);
  }
  return list;
}

}  // namespace

std::string batchUsage() {
  return "usage: vexmoor-batch ACTION GROUP1_FILE GROUP2_FILE [--3d] [--raw] [-k K] [-v V]\n"
         "                     [--seed N] [--diagnostics]\n"
         "\n"
         "Compares two groups of landmark specimens and prints the result text.\n"
         "\n"
         "  ACTION         " +
         actionList() +
         "\n"
         "  --3d           the landmarks are three-dimensional\n"
         "  --raw          analyse the raw coordinates instead of partial warps (2D)\n"
         "  -k K           number of principal components to compare\n"
         "  -v V           resampling size: 100*V^2 replicates (100*V for BootConMezeyAngle);\n"
         "                 default 1\n"
         "  --seed N       make the resampling reproducible\n"
         "  --diagnostics  write the console diagnostics to standard error\n";
}

BatchOptions parseBatchOptions(const std::vector<std::string>& args) {
  BatchOptions o;
  std::vector<std::string> positional;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&]() -> const std::string& {
      if (i + 1 >= args.size()) {
        throw Error("option " + a + " needs a value");
      }
      return args[++i];
    };
    if (a == "-h" || a == "--help") {
      o.help = true;
      return o;
    } else if (a == "--3d") {
      o.threeD = true;
    } else if (a == "--raw") {
      o.raw = true;
    } else if (a == "--diagnostics") {
      o.diagnostics = true;
    } else if (a == "-k") {
      o.components = value();
    } else if (a == "-v") {
      o.bootValue = parseWhole<int>(value(), a);
      if (o.bootValue < 1) {
        throw Error("option -v needs a positive whole number; it is " + args[i]);
      }
    } else if (a == "--seed") {
      o.seed = parseWhole<std::uint64_t>(value(), a);
    } else if (a.size() > 1 && a[0] == '-') {
      throw Error("unknown option \"" + a + "\"");
    } else {
      positional.push_back(a);
    }
  }
  if (positional.size() != 3) {
    throw Error("expected ACTION GROUP1_FILE GROUP2_FILE, got " +
                std::to_string(positional.size()) + " arguments (see --help)");
  }
  o.action = positional[0];
  o.group1File = positional[1];
  o.group2File = positional[2];
  const AnalysisAction* action = findAnalysisAction(o.action);
  if (!action) {
    throw Error("unknown action \"" + o.action + "\"; valid actions: " + actionList());
  }
  if (action->readsComponents && !o.components) {
    throw Error(o.action + " needs the number of principal components: give -k K");
  }
  return o;
}

}  // namespace vexmoor
