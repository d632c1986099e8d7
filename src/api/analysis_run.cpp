#include "api/analysis_run.h"

#include "actions/replicate_table.h"
#include "actions/result_json.h"
#include "io/landmark_file.h"
#include "runtime/error.h"
#include "runtime/text.h"

namespace vexmoor {
namespace {

std::string dimensionWord(int d) {
  return d == 3 ? "three-dimensional" : "two-dimensional";
}

// How messages name where a group came from.
std::string sourceText(const InputGroup& g) {
  return (g.inMemory ? "group \"" : "file \"") + g.file + "\"";
}

std::string contradiction(const InputGroup& g) {
  return (g.inMemory ? "the dimension 3 contradicts " : "--3d contradicts ") + sourceText(g) +
         ", which holds two-dimensional landmarks";
}

// The dimension of the run: the settings, or what a group's source states.
// Sources that state different dimensions, or two against the settings'
// three, are an error.
bool settleDimension(const RunGroups& groups, bool threeD) {
  const bool two = !groups.named;
  const InputGroup* stated = nullptr;
  for (const InputGroup& g : groups.groups) {
    const std::optional<int>& d = g.group.info.dimension;
    if (!d) {
      continue;
    }
    // Two groups are compared with each other first, then with the
    // settings; more groups one by one with both.
    if (!two && threeD && *d == 2) {
      throw Error(contradiction(g));
    }
    if (stated && *stated->group.info.dimension != *d) {
      const InputGroup& first = *stated;
      throw Error(sourceText(g) + " holds " + dimensionWord(*d) + " landmarks, " +
                  sourceText(first) + " " + dimensionWord(*first.group.info.dimension) + " ones; " +
                  (two ? "both" : "all") + " groups must have the same dimension");
    }
    stated = stated ? stated : &g;
  }
  if (two && threeD) {
    for (const InputGroup& g : groups.groups) {
      if (g.group.info.dimension == 2) {
        throw Error(contradiction(g));
      }
    }
  }
  return threeD || (stated && *stated->group.info.dimension == 3);
}

// Landmark analyses need landmark configurations; the raw-coordinate path
// (two dimensions, no partial warps) takes any consistent column count.
void checkColumns(const InputGroup& input, bool threeD, bool partialWarps) {
  const LandmarkGroup& g = input.group;
  bool rawPath = !partialWarps && !threeD;
  if (g.info.kind == RowKind::kVariables) {
    if (!rawPath) {
      throw Error(sourceText(input) + " is " + variablesTableText(g) + "; " +
                  (threeD ? "three-dimensional analyses need landmarks"
                          : "partial warps need landmarks: give --raw to analyse its columns as "
                            "they stand"));
    }
    return;
  }
  if (g.info.kind == RowKind::kUnstated && !rawPath) {
    checkGroupColumns(g.data, g.info, threeD, input.file);
  }
}

AnalysisSettings analysisSettings(const RunSettings& s, bool threeD) {
  AnalysisSettings a;
  a.threeD = threeD;
  a.partialWarps = s.partialWarps;
  a.componentsText = s.components.value_or("");
  a.bootValue = s.bootValue;
  a.pcs = s.pcs;
  return a;
}

GroupSource sourceOf(const InputGroup& g) {
  GroupSource source;
  source.file = g.file;
  source.format = g.inMemory ? "array" : formatName(g.group.info.format);
  // A plain file names no specimens: its identifiers are running numbers.
  bool named = g.inMemory ? g.specimensNamed : g.group.info.format != GroupFormat::kPlain;
  if (named) {
    source.identifiers = g.group.info.identifiers;
  }
  source.name = g.name;
  return source;
}

RunDescription describe(const RunGroups& groups, const AnalysisSettings& settings) {
  RunDescription run;
  if (groups.named) {
    for (const InputGroup& g : groups.groups) {
      run.groups.push_back(sourceOf(g));
    }
    run.files = groups.sources.files;
    run.groupBy = groups.sources.groupBy.value_or("");
    run.classifier = groups.sources.classifier.value_or("");
    run.by = groups.sources.by.value_or("");
  }
  run.group1 = sourceOf(groups.groups[0]);
  run.group2 = sourceOf(groups.groups[1]);
  run.settings = settings;
  return run;
}

std::string actionList() {
  std::string list;
  for (std::string_view name : runActionNames()) {
    list += (list.empty() ? "" : ", ") + std::string(name);
  }
  return list;
}

}  // namespace

std::vector<std::string_view> runActionNames() {
  std::vector<std::string_view> names;
  for (const AnalysisAction& a : analysisActions()) {
    names.push_back(a.name);
  }
  return names;
}

void checkRunSettings(const RunSettings& s) {
  const AnalysisAction* action = findAnalysisAction(s.action);
  if (!action) {
    throw Error("unknown action \"" + escapeNonPrintable(s.action) +
                "\"; valid actions: " + actionList());
  }
  if (action->readsComponents && !s.components) {
    throw Error(s.action + " needs the number of principal components: give -k K");
  }
  if (s.pcs < 0) {
    throw Error("the number of pooled principal components (pcs) must be positive; it is " +
                std::to_string(s.pcs));
  }
  if (s.pcs > 0 && s.action != "RunCPC") {
    throw Error("pcs chooses the variables of RunCPC's models; " + s.action + " fits none");
  }
}

std::string RunOutput::text() const {
  return result.note.empty() ? result.text : result.text + "\n" + result.note;
}

std::string RunOutput::replicatesCsv() const {
  if (result.resampling) {
    return replicateCsv(*result.resampling);
  }
  return pairReplicates;
}

RunOutput runAnalysis(const RunGroups& groups, const RunSettings& settings, Host& host,
                      Progress* progress, const ReplicateRows& rows) {
  checkRunSettings(settings);
  if (groups.groups.size() < 2 || (!groups.named && groups.groups.size() != 2)) {
    throw Error("a run needs two groups" + std::string(groups.named ? " or more" : "") + ", not " +
                std::to_string(groups.groups.size()));
  }
  RunOutput out;
  out.threeD = settleDimension(groups, settings.threeD);
  for (const InputGroup& g : groups.groups) {
    checkColumns(g, out.threeD, settings.partialWarps);
  }
  AnalysisRequest request;
  if (groups.named) {
    for (const InputGroup& g : groups.groups) {
      request.groups.push_back({g.name, &g.group.data});
    }
  } else {
    request.data1 = &groups.groups[0].group.data;
    request.data2 = &groups.groups[1].group.data;
  }
  request.settings = analysisSettings(settings, out.threeD);
  request.seed = settings.seed;
  request.progress = progress;
  if (groups.named) {
    request.pairFinished = [&rows, &out, first = true](const GroupComparison& c, const GroupPair& p,
                                                       const ResamplingResult& r) mutable {
      std::string piece = (first ? pairwiseReplicateHeader(r) : "") + pairReplicateRows(c, p, r);
      first = false;
      if (rows) {
        rows(piece);
      } else {
        out.pairReplicates += piece;
      }
    };
  }
  out.result = findAnalysisAction(settings.action)->run(request, host);
  out.json = resultJson(out.result, describe(groups, request.settings));
  return out;
}

}  // namespace vexmoor
