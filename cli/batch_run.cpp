#include "batch_run.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>

#include "output_file.h"
#include "runtime/error.h"
#include "runtime/text.h"

namespace vexmoor {
namespace {

std::string lowerExtension(const std::string& path) {
  std::string e = std::filesystem::path(path).extension().string();
  std::transform(e.begin(), e.end(), e.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return e;
}

// The replicate file and the picture, once the result is there; each is
// written whole or not at all, and neither is changed when the picture
// cannot be drawn. (The replicates of three or more groups are already in
// their file.)
void writeOutputs(const RunOutput& run, const RunGroups& groups, const PictureWriter& drawPicture,
                  const RunOutputs& outputs) {
  std::string picture;
  if (outputs.plot) {
    picture = drawPicture(BatchPicture{run.result, groups.groups[0].group.data,
                                       groups.groups[1].group.data, run.threeD},
                          lowerExtension(outputs.plot->path()));
  }
  if (outputs.replicates) {
    outputs.replicates->write(run.replicatesCsv());
  }
  if (outputs.plot) {
    outputs.plot->write(picture);
  }
  for (OutputFile* f : {outputs.replicates.get(), outputs.plot.get()}) {
    if (f) {
      f->commit();
    }
  }
}

}  // namespace

bool batchKeyWaits(bool diagnostics, int inputDescriptor) {
  return diagnostics && ::isatty(inputDescriptor) == 1;
}

GroupSources groupSourcesOf(const BatchOptions& options) {
  return {options.files, options.groupBy, options.classifier, options.by};
}

RunSettings runSettingsOf(const BatchOptions& options) {
  RunSettings s;
  s.action = options.action;
  s.threeD = options.threeD;
  s.partialWarps = !options.raw;
  s.components = options.components;
  s.bootValue = options.bootValue;
  s.seed = options.seed;
  s.pcs = options.pcs;
  return s;
}

std::string runBatch(const BatchOptions& options, Host& host, const PictureWriter& drawPicture,
                     Progress* progress) {
  RunSettings settings = runSettingsOf(options);
  checkRunSettings(settings);
  // Before any work: a long run must not be lost to a path that cannot be
  // written.
  if (options.plotFile && !drawPicture) {
    throw Error("option --plot: this build of vexmoor-batch draws no pictures");
  }
  RunOutputs outputs = settleOutputs(options);
  RunGroups groups = loadGroups(groupSourcesOf(options), host);
  if (groups.groups.size() > 2 && outputs.plot) {
    throw Error("option --plot serves two groups; this run has " +
                std::to_string(groups.groups.size()) +
                " (use --json and --replicates for every pair's results)");
  }
  // Three or more groups: the replicates go to their file pair by pair.
  ReplicateRows rows;
  if (outputs.replicates) {
    rows = [f = outputs.replicates.get()](std::string_view piece) { f->write(piece); };
  }
  RunOutput run = runAnalysis(groups, settings, host, progress, rows);
  writeOutputs(run, groups, drawPicture, outputs);
  return (options.json ? run.json : run.text()) + "\n";
}

}  // namespace vexmoor
