// Runs one analysis for the batch front end.
#pragma once

#include <functional>
#include <istream>
#include <ostream>
#include <string>

#include "actions/analysis_actions.h"
#include "actions/result_json.h"
#include "batch_options.h"
#include "io/group_file.h"
#include "runtime/host.h"
#include "runtime/progress.h"

namespace vexmoor {

// The console goes to `diagnostics` only when enabled; message boxes always
// go to it, as warnings. With `keyWaits`, a key wait prompts on
// `diagnostics` and reads one line of `keys`; without, it returns at once.
class StreamHost : public Host {
 public:
  StreamHost(std::ostream& diagnostics, bool consoleEnabled, bool keyWaits = false,
             std::istream* keys = nullptr)
      : m_out(diagnostics), m_enabled(consoleEnabled), m_keyWaits(keyWaits), m_keys(keys) {}
  bool consoleEnabled() const override { return m_enabled; }
  void consoleWrite(std::string_view text) override;
  void messageBox(std::string_view text) override;
  void waitForKey() override;

 private:
  std::ostream& m_out;
  bool m_enabled;
  bool m_keyWaits;
  std::istream* m_keys;
};

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

// The JSON document of a run.
std::string batchJson(const BatchOptions& options, const AnalysisResult& result,
                      const LandmarkGroup& group1, const LandmarkGroup& group2, bool threeD);

}  // namespace vexmoor
