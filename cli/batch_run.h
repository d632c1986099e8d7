// Runs one analysis for the batch front end: the command line turned into
// the library interface's groups and settings, and its result into the
// output files and standard output.
#pragma once

#include <functional>
#include <string>

#include "analyses/analysis_actions.h"
#include "api/analysis_run.h"
#include "api/stream_host.h"
#include "batch_options.h"
#include "batch_outputs.h"
#include "runtime/host.h"
#include "runtime/progress.h"

namespace vexmoor {

// What a picture of a run is drawn from.
struct BatchPicture {
  const AnalysisResult& result;
  const Matrix& data1;
  const Matrix& data2;
  bool threeD;
  const RunDescription& run;  // the files and settings, for the legend and the caption
};
// The bytes of the picture in the format named by `extension` (".svg",
// ".png" or ".pdf"); throws vexmoor::Error.
using PictureWriter =
    std::function<std::string(const BatchPicture& picture, const std::string& extension)>;

// The batch front end waits for keys only where a person can press them:
// with the diagnostics on and standard input a terminal.
bool batchKeyWaits(bool diagnostics, int inputDescriptor);

// A run whose results are ready and not yet delivered: its output files
// hold their content apart (see io/output_file.h) until commitBatch.
struct PreparedBatch {
  RunOutputs outputs;
  // The result text, or with --json the JSON document, ending in a line
  // break.
  std::string standardOutput;
};

// Checks that every output file can be written, loads the files, runs the
// action and prepares every output. Throws vexmoor::Error on any failure,
// naming the file or setting at fault, and Cancelled when `progress` (may
// be null) asked the work to stop; no file has changed then. `drawPicture`
// serves --plot (an error when empty).
PreparedBatch prepareBatch(const BatchOptions& options, Host& host,
                           const PictureWriter& drawPicture = {}, Progress* progress = nullptr);

// Delivers a prepared run all or nothing: the outputs that are no regular
// files, then standard output, then every output file in its place (see
// deliverTogether and installTogether). Until the first file is replaced,
// an interrupt that `progress` (may be null) reports throws Cancelled and
// a failure throws vexmoor::Error (or BrokenPipe), with every file as it
// was; from then on the commit finishes.
void commitBatch(PreparedBatch& run, const Progress* progress);

// prepareBatch, then the output files committed; returns what goes to
// standard output.
std::string runBatch(const BatchOptions& options, Host& host, const PictureWriter& drawPicture = {},
                     Progress* progress = nullptr);

// The groups and the settings the command line names.
GroupSources groupSourcesOf(const BatchOptions& options);
RunSettings runSettingsOf(const BatchOptions& options);

}  // namespace vexmoor
