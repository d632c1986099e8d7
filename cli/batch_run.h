// Runs one analysis for the batch front end: the command line turned into
// the library interface's groups and settings, and its result into the
// output files and standard output.
#pragma once

#include <functional>
#include <string>

#include "actions/analysis_actions.h"
#include "api/analysis_run.h"
#include "api/stream_host.h"
#include "batch_options.h"
#include "runtime/host.h"
#include "runtime/progress.h"

namespace vexmoor {

// What a picture of a run is drawn from.
struct BatchPicture {
  const AnalysisResult& result;
  const Matrix& data1;
  const Matrix& data2;
  bool threeD;
};
// The bytes of the picture in the format named by `extension` (".svg",
// ".png" or ".pdf"); throws vexmoor::Error.
using PictureWriter =
    std::function<std::string(const BatchPicture& picture, const std::string& extension)>;

// The batch front end waits for keys only where a person can press them:
// with the diagnostics on and standard input a terminal.
bool batchKeyWaits(bool diagnostics, int inputDescriptor);

// Checks that every output file can be written, loads both files, runs the
// action, writes the output files and returns what goes to standard output:
// the result text, or with --json the JSON document, ending in a line
// break. Throws vexmoor::Error on any failure, naming the file or setting
// at fault; output files are then left as they were. `drawPicture` serves
// --plot (an error when empty). Throws Cancelled when `progress` (may be
// null) asked the resampling to stop; output files are then not written.
std::string runBatch(const BatchOptions& options, Host& host, const PictureWriter& drawPicture = {},
                     Progress* progress = nullptr);

// The groups and the settings the command line names.
GroupSources groupSourcesOf(const BatchOptions& options);
RunSettings runSettingsOf(const BatchOptions& options);

}  // namespace vexmoor
