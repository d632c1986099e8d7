#include "batch_run.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "actions/analysis_actions.h"
#include "actions/replicate_table.h"
#include "io/group_assignment.h"
#include "io/group_file.h"
#include "io/landmark_file.h"
#include "output_file.h"
#include "pair_replicate_file.h"
#include "runtime/error.h"

namespace vexmoor {
namespace {

std::string dimensionWord(int d) {
  return d == 3 ? "three-dimensional" : "two-dimensional";
}

// The dimension of the run: --3d, or what a file states. A file that states
// another dimension than --3d or than the other file is an error.
bool settleDimension(const BatchOptions& options, const LandmarkGroup& g1,
                     const LandmarkGroup& g2) {
  const std::optional<int>& d1 = g1.info.dimension;
  const std::optional<int>& d2 = g2.info.dimension;
  if (d1 && d2 && *d1 != *d2) {
    throw Error("file \"" + options.group2File + "\" holds " + dimensionWord(*d2) +
                " landmarks, file \"" + options.group1File + "\" " + dimensionWord(*d1) +
                " ones; both groups must have the same dimension");
  }
  if (options.threeD) {
    for (const auto& [d, path] : {std::pair{d1, &options.group1File}, {d2, &options.group2File}}) {
      if (d && *d == 2) {
        throw Error("--3d contradicts file \"" + *path +
                    "\", which holds two-dimensional landmarks");
      }
    }
  }
  return options.threeD || (d1 && *d1 == 3) || (d2 && *d2 == 3);
}

// Landmark analyses need landmark configurations; the raw-coordinate path
// (two dimensions, --raw) takes any consistent column count.
void checkColumns(const LandmarkGroup& g, const std::string& path, bool threeD, bool raw) {
  bool rawPath = raw && !threeD;
  if (g.info.kind == RowKind::kVariables) {
    if (!rawPath) {
      throw Error("file \"" + path + "\" is " + variablesTableText(g) + "; " +
                  (threeD ? "three-dimensional analyses need landmarks"
                          : "partial warps need landmarks: give --raw to analyse its columns as "
                            "they stand"));
    }
    return;
  }
  if (g.info.kind == RowKind::kUnstated && !rawPath) {
    checkLandmarkColumns(g.data, threeD, path);
  }
}

void report(const LandmarkGroup& g, const std::string& path, Host& host) {
  for (const std::string& w : g.info.warnings) {
    host.messageBox("file \"" + path + "\": " + w);
  }
  if (host.consoleEnabled()) {
    for (const std::string& n : g.info.notes) {
      host.consoleWrite("note: file \"" + path + "\": " + n + "\n");
    }
  }
}

// What a plain run prints: the text, then the note where there is one.
std::string plainText(const AnalysisResult& result) {
  return result.note.empty() ? result.text : result.text + "\n" + result.note;
}

std::string lowerExtension(const std::string& path) {
  std::string e = std::filesystem::path(path).extension().string();
  std::transform(e.begin(), e.end(), e.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return e;
}

AnalysisSettings settingsOf(const BatchOptions& options) {
  AnalysisSettings s;
  s.threeD = options.threeD;
  s.partialWarps = !options.raw;
  s.componentsText = options.components.value_or("");
  s.bootValue = options.bootValue;
  s.pcs = options.pcs;
  return s;
}

}  // namespace

void StreamHost::consoleWrite(std::string_view text) {
  m_out << text << std::flush;
}

void StreamHost::waitForKey() {
  if (!m_keyWaits || !m_keys) {
    return;
  }
  m_out << "Press Enter to continue." << std::endl;
  std::string line;
  std::getline(*m_keys, line);
}

bool batchKeyWaits(bool diagnostics, int inputDescriptor) {
  return diagnostics && ::isatty(inputDescriptor) == 1;
}

void StreamHost::messageBox(std::string_view text) {
  m_out << "warning: " << text << std::endl;
}

namespace {

GroupSource sourceOf(const std::string& file, const LandmarkGroup& group) {
  GroupSource source;
  source.file = file;
  source.format = formatName(group.info.format);
  // A plain file names no specimens: its identifiers are running numbers.
  if (group.info.format != GroupFormat::kPlain) {
    source.identifiers = group.info.identifiers;
  }
  return source;
}

}  // namespace

std::string batchJson(const BatchOptions& options, const AnalysisResult& result,
                      const LandmarkGroup& group1, const LandmarkGroup& group2, bool threeD) {
  RunDescription run;
  run.group1 = sourceOf(options.group1File, group1);
  run.group2 = sourceOf(options.group2File, group2);
  run.settings = settingsOf(options);
  run.settings.threeD = threeD;
  return resultJson(result, run);
}

namespace {

// A group of a named run, with the file it was read from.
struct LoadedGroup {
  std::string name;
  std::string file;
  LandmarkGroup group;
};

// Group names of several files: each file's name without its folder and
// extension, or the path as given where two files would share a name.
std::vector<std::string> fileGroupNames(const std::vector<std::string>& files) {
  std::vector<std::string> names;
  for (const std::string& f : files) {
    names.push_back(std::filesystem::path(f).stem().string());
  }
  for (size_t i = 0; i < names.size(); ++i) {
    if (names[i].empty() || std::count(names.begin(), names.end(), names[i]) > 1) {
      names[i] = files[i];
    }
  }
  return names;
}

std::vector<LoadedGroup> loadNamedGroups(const BatchOptions& options, Host& host) {
  std::vector<LoadedGroup> loaded;
  auto take = [&](NamedGroups named, const std::string& file) {
    report(LandmarkGroup{Matrix(), named.info}, file, host);
    for (size_t g = 0; g < named.groups.size(); ++g) {
      loaded.push_back({named.names[g], file, std::move(named.groups[g])});
    }
  };
  const std::string& file = options.files.front();
  if (options.groupBy) {
    take(readGroupedTable(file, *options.groupBy), file);
  } else if (options.classifier) {
    LandmarkGroup all = readGroupFile(file);
    Classifier classifier = readClassifier(*options.classifier, *options.by);
    take(classifyGroups(all, file, classifier), file);
  } else {
    std::vector<std::string> names = fileGroupNames(options.files);
    for (size_t i = 0; i < options.files.size(); ++i) {
      LandmarkGroup g = readGroupFile(options.files[i]);
      report(g, options.files[i], host);
      loaded.push_back({names[i], options.files[i], std::move(g)});
    }
  }
  return loaded;
}

// The dimension of a named run, as settleDimension decides it for two files.
bool settleNamedDimension(const BatchOptions& options, const std::vector<LoadedGroup>& groups) {
  const LoadedGroup* stated = nullptr;
  for (const LoadedGroup& g : groups) {
    const std::optional<int>& d = g.group.info.dimension;
    if (!d) {
      continue;
    }
    if (options.threeD && *d == 2) {
      throw Error("--3d contradicts file \"" + g.file +
                  "\", which holds two-dimensional landmarks");
    }
    if (stated && *stated->group.info.dimension != *d) {
      throw Error("file \"" + g.file + "\" holds " + dimensionWord(*d) + " landmarks, file \"" +
                  stated->file + "\" " + dimensionWord(*stated->group.info.dimension) +
                  " ones; all groups must have the same dimension");
    }
    stated = stated ? stated : &g;
  }
  return options.threeD || (stated && *stated->group.info.dimension == 3);
}

RunDescription namedRun(const BatchOptions& options, const std::vector<LoadedGroup>& groups,
                        bool threeD) {
  RunDescription run;
  for (const LoadedGroup& g : groups) {
    GroupSource source = sourceOf(g.file, g.group);
    source.name = g.name;
    run.groups.push_back(std::move(source));
  }
  run.group1 = run.groups[0];
  run.group2 = run.groups[1];
  run.files = options.files;
  run.groupBy = options.groupBy.value_or("");
  run.classifier = options.classifier.value_or("");
  run.by = options.by.value_or("");
  run.settings = settingsOf(options);
  run.settings.threeD = threeD;
  return run;
}

// The replicate file and the picture, once the result is there; each is
// written whole or not at all. The replicate file of three or more groups
// is written as the pairs finish (streamedReplicates).
void writeOutputs(const AnalysisResult& result, const Matrix& data1, const Matrix& data2,
                  bool threeD, const PictureWriter& drawPicture, PendingOutput* replicates,
                  PendingOutput* plot) {
  if (replicates && result.resampling) {
    replicates->commit(replicateCsv(*result.resampling));
  }
  if (plot) {
    drawPicture(BatchPicture{result, data1, data2, threeD}, plot->temporaryPath(),
                lowerExtension(plot->path()));
    plot->commitFile();
  }
}

// With three or more groups the replicates go to their file pair by pair.
std::unique_ptr<PairReplicateFile> streamedReplicates(AnalysisRequest& request,
                                                      PendingOutput* replicates) {
  if (!replicates || request.groups.size() < 3) {
    return nullptr;
  }
  auto file = std::make_unique<PairReplicateFile>(*replicates);
  request.pairFinished = [f = file.get()](const GroupComparison& c, const GroupPair& p,
                                          const ResamplingResult& r) { f->add(c, p, r); };
  return file;
}

}  // namespace

std::string runBatch(const BatchOptions& options, Host& host, const PictureWriter& drawPicture,
                     Progress* progress) {
  const AnalysisAction* action = findAnalysisAction(options.action);
  if (!action) {
    throw Error("unknown action \"" + options.action + "\"");
  }
  // Before any work: a long run must not be lost to a path that cannot be
  // written.
  std::unique_ptr<PendingOutput> replicates, plot;
  if (options.replicatesFile) {
    replicates = std::make_unique<PendingOutput>(*options.replicatesFile);
  }
  if (options.plotFile) {
    if (!drawPicture) {
      throw Error("option --plot: this build of vexmoor-batch draws no pictures");
    }
    plot = std::make_unique<PendingOutput>(*options.plotFile);
  }
  if (namesGroups(options)) {
    std::vector<LoadedGroup> groups = loadNamedGroups(options, host);
    bool threeD = settleNamedDimension(options, groups);
    for (const LoadedGroup& g : groups) {
      checkColumns(g.group, g.file, threeD, options.raw);
    }
    if (groups.size() > 2 && plot) {
      throw Error("option --plot serves two groups; this run has " + std::to_string(groups.size()) +
                  " (use --json and --replicates for every pair's results)");
    }
    AnalysisRequest request;
    for (const LoadedGroup& g : groups) {
      request.groups.push_back({g.name, &g.group.data});
    }
    request.settings = settingsOf(options);
    request.settings.threeD = threeD;
    request.seed = options.seed;
    request.progress = progress;
    std::unique_ptr<PairReplicateFile> pairFile = streamedReplicates(request, replicates.get());
    AnalysisResult result = action->run(request, host);
    if (pairFile) {
      pairFile->commit();
    }
    writeOutputs(result, groups[0].group.data, groups[1].group.data, threeD, drawPicture,
                 pairFile ? nullptr : replicates.get(), plot.get());
    return (options.json ? resultJson(result, namedRun(options, groups, threeD))
                         : plainText(result)) +
           "\n";
  }
  LandmarkGroup group1 = readGroupFile(options.group1File);
  LandmarkGroup group2 = readGroupFile(options.group2File);
  bool threeD = settleDimension(options, group1, group2);
  checkColumns(group1, options.group1File, threeD, options.raw);
  checkColumns(group2, options.group2File, threeD, options.raw);
  report(group1, options.group1File, host);
  report(group2, options.group2File, host);
  AnalysisRequest request;
  request.data1 = &group1.data;
  request.data2 = &group2.data;
  request.settings = settingsOf(options);
  request.settings.threeD = threeD;
  request.seed = options.seed;
  request.progress = progress;
  AnalysisResult result = action->run(request, host);
  writeOutputs(result, group1.data, group2.data, threeD, drawPicture, replicates.get(), plot.get());
  return (options.json ? batchJson(options, result, group1, group2, threeD) : plainText(result)) +
         "\n";
}

}  // namespace vexmoor
