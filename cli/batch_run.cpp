#include "batch_run.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>

#include "actions/analysis_actions.h"
#include "actions/replicate_table.h"
#include "io/landmark_file.h"
#include "output_file.h"
#include "runtime/error.h"

namespace vexmoor {
namespace {

Matrix loadGroup(const std::string& path, bool threeD) {
  Matrix x = readLandmarkFile(path);
  checkLandmarkColumns(x, threeD, path);
  return x;
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

std::string batchJson(const BatchOptions& options, const AnalysisResult& result) {
  RunDescription run;
  // The formats and identifiers stay "plain" and empty until the readers
  // report them.
  run.group1.file = options.group1File;
  run.group2.file = options.group2File;
  run.settings = settingsOf(options);
  return resultJson(result, run);
}

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
  Matrix data1 = loadGroup(options.group1File, options.threeD);
  Matrix data2 = loadGroup(options.group2File, options.threeD);
  AnalysisRequest request;
  request.data1 = &data1;
  request.data2 = &data2;
  request.settings = settingsOf(options);
  request.seed = options.seed;
  request.progress = progress;
  AnalysisResult result = action->run(request, host);

  if (replicates && result.resampling) {
    replicates->commit(replicateCsv(*result.resampling));
  }
  if (plot) {
    drawPicture(BatchPicture{result, data1, data2, options.threeD}, plot->temporaryPath(),
                lowerExtension(plot->path()));
    plot->commitFile();
  }
  return (options.json ? batchJson(options, result) : result.text) + "\n";
}

}  // namespace vexmoor
