// The results log: every analysis's text, newest last, each under a heading
// with the time, the action, the files and every setting that changes its
// numbers, and the vexmoor-batch command line that repeats it, so that a
// session's results can be read again, saved and repeated. Failures and
// warnings are kept too, with their whole message.
#pragma once

#include <QWidget>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QPlainTextEdit;
class QPushButton;

namespace vexmoor {

struct RunOutput;

// One analysis as it ran.
struct LogEntry {
  std::chrono::system_clock::time_point time;
  std::string action;                 // what the user reads: "Bootstrap test of angle"
  std::vector<std::string> files;     // group 1's file, then group 2's (names only)
  std::optional<int> components;      // k, when the analysis read it
  std::optional<int> bootValue;       // v, for the resampling tests
  std::optional<std::uint64_t> seed;  // the seed the replicates were drawn with
  std::string text;                   // the result text as the result box shows it
  // The action as vexmoor-batch names it ("BootMezeyAngle"); empty for a
  // note (a failure or a warning), which has no files or settings.
  std::string actionName;
  std::vector<std::string> paths;  // the groups' files in full, as loaded
  bool threeD = false;
  bool partialWarps = true;
};

// The entry of a run at `time`, from what the library interface gave back:
// its text, and its files and settings from the run's description.
LogEntry logEntryOf(const RunOutput& output, std::chrono::system_clock::time_point time);

// "[2026-12-09 03:58:12] Bootstrap test of angle · gorf.txt, gorm.txt · k = 2
// · v = 10 · seed 1234 · partial warps": local time; the parts an analysis
// did not use are left out. The last part is the shape variables: "partial
// warps" or "raw coordinates" in 2D, "3D" (or "3D, partial warps off").
std::string logHeading(const LogEntry& entry);

// The vexmoor-batch command line that prints the entry's text again,
// quoted for a POSIX shell; empty for a note.
std::string batchCommand(const LogEntry& entry);

// `arg` as one word of a POSIX shell command: as it is when it needs no
// quoting, else in single quotes, or as $'...' with \xNN escapes when it
// holds control bytes or malformed UTF-8.
std::string shellQuoted(const std::string& arg);

class ResultsLog : public QWidget {
  Q_OBJECT

 public:
  explicit ResultsLog(QWidget* parent = nullptr);

  void append(LogEntry entry);
  // A failure or a warning: `heading` ("Range of angle test failed") over
  // the whole message.
  void appendNote(const std::string& heading, const std::string& message);
  void clear();
  const std::vector<LogEntry>& entries() const { return m_entries; }
  // Every entry, heading, "$ " and the command line, then text, separated
  // by blank lines.
  std::string text() const;
  // Writes text() to `path`; throws vexmoor::Error naming the file when it
  // cannot be written.
  void saveTo(const std::string& path) const;

  // Asks where to save (nullopt: cancelled). The desktop's save dialog by
  // default; tests answer in its place.
  using SaveDialog = std::function<std::optional<std::string>()>;
  void setSaveDialog(SaveDialog dialog) { m_saveDialog = std::move(dialog); }
  // Runs the Save button: asks, writes, and says what happened in `report`.
  void save();
  void setReporter(std::function<void(const std::string& line, bool error)> report) {
    m_report = std::move(report);
  }

 private:
  void refresh();

  std::vector<LogEntry> m_entries;
  QPlainTextEdit* m_view;
  QPushButton* m_saveButton;
  QPushButton* m_clearButton;
  SaveDialog m_saveDialog;
  std::function<void(const std::string&, bool)> m_report;
};

}  // namespace vexmoor
