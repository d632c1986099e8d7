#include "batch_run.h"

#include <unistd.h>

#include <string>

#include "actions/analysis_actions.h"
#include "io/landmark_file.h"
#include "runtime/error.h"

namespace vexmoor {
namespace {

Matrix loadGroup(const std::string& path, bool threeD) {
  Matrix x = readLandmarkFile(path);
  checkLandmarkColumns(x, threeD, path);
  return x;
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

std::string runBatch(const BatchOptions& options, Host& host, Progress* progress) {
  const AnalysisAction* action = findAnalysisAction(options.action);
  if (!action) {
    throw Error("unknown action \"" + options.action + "\"");
  }
  Matrix data1 = loadGroup(options.group1File, options.threeD);
  Matrix data2 = loadGroup(options.group2File, options.threeD);
  AnalysisRequest request;
  request.data1 = &data1;
  request.data2 = &data2;
  request.settings.threeD = options.threeD;
  request.settings.partialWarps = !options.raw;
  request.settings.componentsText = options.components.value_or("");
  request.settings.bootValue = options.bootValue;
  request.seed = options.seed;
  request.progress = progress;
  return action->run(request, host).text;
}

}  // namespace vexmoor
