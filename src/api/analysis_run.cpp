#include "api/analysis_run.h"

#include <nlohmann/json.hpp>

#include <algorithm>

#include "analyses/covariance_actions.h"
#include "analyses/covariance_outputs.h"
#include "analyses/replicate_table.h"
#include "analyses/result_json.h"
#include "api/setting_rules.h"
#include "io/landmark_file.h"
#include "runtime/blas_threads.h"
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

// Plain files whose count of values would make landmarks in either
// dimension, when nothing else chose: many 2D sets have 9, 12 or 15
// landmarks, so two stays the reading, but not silently.
std::vector<std::string> ambiguousDimensions(const RunGroups& groups) {
  std::vector<std::string> warnings, files;
  for (const InputGroup& g : groups.groups) {
    const Index values = g.group.data.cols() - 1;
    if (g.group.info.kind != RowKind::kUnstated || values < 6 || values % 6 != 0 ||
        std::find(files.begin(), files.end(), g.file) != files.end()) {
      continue;
    }
    files.push_back(g.file);
    warnings.push_back(sourceText(g) + ": its " + std::to_string(values + 1) +
                       " values a line make " + std::to_string(values / 2) +
                       " two-dimensional landmarks or " + std::to_string(values / 3) +
                       " three-dimensional ones; read as two-dimensional (give the dimension 3 "
                       "to read them as three-dimensional: --3d, dim = 3)");
  }
  return warnings;
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
  run.dropIncomplete = groups.sources.dropIncomplete || !groups.dropped.empty();
  for (const DroppedSpecimens& file : groups.dropped) {
    for (const DroppedSpecimen& s : file.specimens) {
      run.dropped.push_back({file.file, file.kind, s});
    }
  }
  return run;
}

// One note line per file whose incomplete specimens were left out.
std::string droppedNote(const std::vector<DroppedSpecimens>& dropped) {
  constexpr size_t kListed = 10;
  std::string note;
  for (const DroppedSpecimens& file : dropped) {
    std::string list;
    for (size_t i = 0; i < file.specimens.size() && i < kListed; ++i) {
      list += (i == 0 ? "" : "; ") + droppedText(file.specimens[i], file.kind);
    }
    if (file.specimens.size() > kListed) {
      list += "; and " + std::to_string(file.specimens.size() - kListed) + " more (see the JSON)";
    }
    note += (note.empty() ? "" : "\n") + std::string("Note: file \"") + file.file +
            "\": left out for missing values: " + list;
  }
  return note;
}

// What the covariance analyses take of each group: its sub-groups and,
// with partial warps off, its variables as given. Landmark rows lose the
// trailing value, which is no coordinate (and may be no more than the
// centroid size a reader appended); a table of variables keeps every column.
std::vector<CovarianceGroupInput> covarianceGroupInputs(const RunGroups& groups) {
  std::vector<CovarianceGroupInput> inputs;
  for (const InputGroup& g : groups.groups) {
    CovarianceGroupInput in;
    in.within = g.within;
    if (g.group.info.kind == RowKind::kLandmarks && g.group.info.dimension == 2) {
      in.variables = g.group.data.cols() - 1;
      in.landmarks = true;
    }
    inputs.push_back(std::move(in));
  }
  return inputs;
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
  const AnalysisAction& action = runAction(s.action);
  if (action.readsComponents && !s.components) {
    throw Error(s.action + " needs the number of principal components k");
  }
  if (action.resampling) {
    resamplingSizeSetting(std::int64_t{s.bootValue});
  }
  if (s.pcs != 0) {
    pooledComponentsSetting(std::int64_t{s.pcs});
    if (s.action != "RunCPC" && !isCovarianceAction(s.action)) {
      throw Error("pcs chooses the variables of RunCPC's models; " + s.action + " fits none");
    }
  }
  checkCovarianceSettings(s.action, s.pcs, s.covariance);
}

void checkRunColumns(const InputGroup& group, bool threeD, bool partialWarps) {
  checkColumns(group, threeD, partialWarps);
}

std::string RunOutput::text() const {
  return result.note.empty() ? result.text : result.text + "\n" + result.note;
}

std::string RunOutput::replicatesCsv() const {
  if (result.covariance) {
    return covarianceReplicateCsv(*result.covariance);
  }
  if (result.resampling) {
    return replicateCsv(*result.resampling);
  }
  return replicateCsv(pairColumns);
}

ReplicateColumns RunOutput::replicateColumns() const {
  if (result.resampling) {
    return vexmoor::replicateColumns(*result.resampling);
  }
  return pairColumns;
}

RunOutput runAnalysis(const RunGroups& groups, const RunSettings& settings, Host& host,
                      Progress* progress, const ReplicateRows& rows) {
  checkRunSettings(settings);
  if (groups.groups.size() < 2 || (!groups.named && groups.groups.size() != 2)) {
    throw Error("a run needs two groups" + std::string(groups.named ? " or more" : "") + ", not " +
                std::to_string(groups.groups.size()));
  }
  if (groups.named) {
    std::vector<std::string> names;
    for (const InputGroup& g : groups.groups) {
      names.push_back(g.name);
    }
    checkGroupNames(names);
  }
  SingleThreadedBlas oneBlasThread;
  RunOutput out;
  out.threeD = settleDimension(groups, settings.threeD);
  const bool chosen = settings.threeD || settings.dimensionChosen;
  const bool stated = std::any_of(groups.groups.begin(), groups.groups.end(),
                                  [](const InputGroup& g) { return g.group.info.dimension; });
  if (!chosen && !stated) {
    out.warnings = ambiguousDimensions(groups);
  }
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
  request.threads = settings.threads;
  if (isCovarianceAction(settings.action)) {
    request.covariance = settings.covariance;
    request.covarianceGroups = covarianceGroupInputs(groups);
  }
  if (groups.named) {
    request.pairFinished = [&rows, &out, first = true](const GroupComparison& c, const GroupPair& p,
                                                       const ResamplingResult& r) mutable {
      if (rows) {
        rows((first ? pairwiseReplicateHeader(r) : "") + pairReplicateRows(c, p, r));
      } else {
        appendPairColumns(out.pairColumns, c, p, r);
      }
      first = false;
    };
  }
  out.result = findAnalysisAction(settings.action)->run(request, host);
  if (std::string dropped = droppedNote(groups.dropped); !dropped.empty()) {
    std::string& note = out.result.note;
    note = note.empty() ? dropped : dropped + "\n" + note;
  }
  out.description = describe(groups, request.settings);
  if (out.result.covariance) {
    out.result.covariance->caption = covarianceCaption(out.result, out.description);
  }
  auto document = std::make_shared<nlohmann::json>(resultDocument(out.result, out.description));
  out.json = resultJson(*document);
  out.document = std::move(document);
  // Told once the run has a result: a failed run ends in its one error.
  for (const std::string& w : out.warnings) {
    host.messageBox(w);
  }
  return out;
}

}  // namespace vexmoor
