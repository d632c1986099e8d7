// The action dispatcher `mezeysw` and the application state it keeps
// between actions: the two groups and the dimension flag.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "actions/analysis_actions.h"
#include "io/group_file.h"
#include "runtime/host.h"
#include "runtime/matrix.h"
#include "shell/file_dialog.h"
#include "shell/long_action.h"

namespace vexmoor {

struct ApplicationState {
  std::optional<Matrix> data1, data2;  // the landmark data matrices
  std::optional<double> tval;          // ThreeD as the first LoadData1 read it
  // What the files said of each group (format, identifiers, notes); kind
  // is kVariables for a group that is a table of variables.
  std::optional<GroupInfo> info1, info2;
};

// A data file as the load actions read it.
struct LoadedFile {
  Matrix data;
  std::string name;  // without its folder
  GroupInfo info;
};

// What the user reads for an action name: "Angle between planes", ...; any
// other text stands for itself.
std::string actionLabel(std::string_view action);

class Dispatcher {
 public:
  // `host` and `runner` must outlive the dispatcher.
  Dispatcher(Host& host, LongActionRunner& runner);

  // Runs the action of that exact name (see dispatcherActionNames()); any
  // other text copies the current plot to the clipboard. Controls are found
  // by Tag in the windows each time. Errors propagate as vexmoor::Error
  // with the state and the boxes as they were; a cancelled file dialog or
  // long action ends the action quietly and changes nothing. While an
  // action runs, another call throws.
  void mezeysw(std::string_view action);

  // The file dialog and read of the load actions; nullopt when cancelled.
  // The next dialog opens in the folder of the last file read.
  std::optional<LoadedFile> mfload();

  const ApplicationState& state() const { return m_state; }
  bool busy() const { return m_busy; }
  const std::string& lastFolder() const { return m_lastFolder; }

  void setFileDialog(FileDialog dialog) { m_fileDialog = std::move(dialog); }
  // Receives the line of status an action leaves (done, cancelled).
  void setStatusSink(std::function<void(const std::string&)> sink) { m_status = std::move(sink); }
  // Replaces the table of analysis actions (tests).
  void setActionLookup(std::function<const AnalysisAction*(std::string_view)> lookup) {
    m_lookup = std::move(lookup);
  }

 private:
  void run(std::string_view action);
  void loadData(int group);
  // Whether the file's group is three-dimensional: the flag, or on the
  // first load of the run what the file states (and then `ThreeD` follows
  // it). Throws when a later file states another dimension.
  bool settleDimension(const LoadedFile& file, std::string& remark);
  void checkTables(bool threeD, bool partialWarps) const;
  void clearData();
  void runAnalysis(const AnalysisAction& action);
  void status(const std::string& text);

  Host& m_host;
  LongActionRunner& m_runner;
  FileDialog m_fileDialog;
  std::function<void(const std::string&)> m_status;
  std::function<const AnalysisAction*(std::string_view)> m_lookup;
  ApplicationState m_state;
  std::string m_lastFolder;
  bool m_busy = false;
  bool m_dimensionSettled = false;  // a group has been loaded
};

}  // namespace vexmoor
