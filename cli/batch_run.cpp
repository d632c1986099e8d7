#include "batch_run.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "analyses/covariance_actions.h"
#include "batch_outputs.h"
#include "interrupt.h"
#include "runtime/error.h"
#include "runtime/text.h"

namespace vexmoor {
namespace {

// Qt draws a PNG in helper threads and waits for them without end when
// none can be started: a picture needs one thread to spare.
void checkAThreadCanStart() {
  try {
    std::thread([] {}).join();
  } catch (const std::system_error& e) {
    throw Error("option --plot: no thread can be started to draw the picture (" +
                e.code().message() + "); the limit on processes and threads (ulimit -u) or on " +
                "memory (ulimit -v) is reached");
  }
}

// The replicate file and the picture, once the result is there, held until
// the commit. (The replicates of three or more groups are already held.)
void prepareOutputs(const RunOutput& run, const RunGroups& groups, const PictureWriter& drawPicture,
                    const RunOutputs& outputs) {
  if (outputs.plot) {
    checkAThreadCanStart();
    outputs.plot->write(
        drawPicture(BatchPicture{run.result, groups.groups[0].group.data,
                                 groups.groups[1].group.data, run.threeD, run.description},
                    lowerCaseExtension(outputs.plot->path())));
  }
  if (outputs.replicates) {
    outputs.replicates->write(run.replicatesCsv());
  }
}

std::vector<OutputFile*> filesOf(const RunOutputs& outputs) {
  std::vector<OutputFile*> files;
  for (OutputFile* f : {outputs.replicates.get(), outputs.plot.get()}) {
    if (f) {
      files.push_back(f);
    }
  }
  return files;
}

}  // namespace

bool batchKeyWaits(bool diagnostics, int inputDescriptor) {
  return diagnostics && ::isatty(inputDescriptor) == 1;
}

GroupSources groupSourcesOf(const BatchOptions& options) {
  GroupSources sources{options.files, options.groupBy, options.classifier, options.by,
                       options.dropIncomplete};
  if (!options.covariance.within.empty()) {
    sources.within = options.covariance.within;
  }
  return sources;
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
  s.covariance = options.covariance;
  s.threads = options.threads;
  return s;
}

PreparedBatch prepareBatch(const BatchOptions& options, Host& host,
                           const PictureWriter& drawPicture, Progress* progress) {
  RunSettings settings = runSettingsOf(options);
  // Before any work: a long run must not be lost to a path that cannot be
  // written.
  if (options.plotFile && !drawPicture) {
    throw Error("option --plot: this build of vexmoor-batch draws no pictures");
  }
  PreparedBatch prepared{settleOutputs(options), {}};
  const RunOutputs& outputs = prepared.outputs;
  if (outputs.plot) {
    checkAThreadCanStart();
  }
  RunGroups groups = [&] {
    InterruptWatch::EndAtOnce reading;
    return loadGroups(groupSourcesOf(options), host);
  }();
  if (groups.groups.size() > 2 && outputs.plot && !isCovarianceAction(options.action)) {
    throw Error("option --plot serves two groups; this run has " +
                std::to_string(groups.groups.size()) +
                " (use --json and --replicates for every pair's results)");
  }
  // Three or more groups: the replicates are held pair by pair.
  ReplicateRows rows;
  if (outputs.replicates) {
    rows = [f = outputs.replicates.get()](std::string_view piece) { f->write(piece); };
  }
  RunOutput run = runAnalysis(groups, settings, host, progress, rows);
  prepareOutputs(run, groups, drawPicture, outputs);
  prepared.standardOutput = (options.json ? run.json : run.text()) + "\n";
  return prepared;
}

void commitBatch(PreparedBatch& run, const Progress* progress) {
  std::vector<OutputFile*> files = filesOf(run.outputs);
  deliverTogether(files, run.standardOutput, progress);
  InterruptWatch::testPoint("no-return");
  installTogether(files);
}

std::string runBatch(const BatchOptions& options, Host& host, const PictureWriter& drawPicture,
                     Progress* progress) {
  PreparedBatch run = prepareBatch(options, host, drawPicture, progress);
  std::vector<OutputFile*> files = filesOf(run.outputs);
  deliverTogether(files, {}, progress);
  installTogether(files);
  return run.standardOutput;
}

}  // namespace vexmoor
