// The action dispatcher `mezeysw` and the application state it keeps
// between actions: the two groups and the dimension flag.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "actions/analysis_actions.h"
#include "actions/result_json.h"
#include "io/group_file.h"
#include "runtime/graphics/axes.h"
#include "runtime/host.h"
#include "runtime/matrix.h"
#include "shell/file_dialog.h"
#include "shell/group_plot.h"
#include "shell/long_action.h"
#include "shell/point_labels.h"

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
  std::string path;  // as the dialog gave it
};

// An analysis that completed, as the results log records it.
struct AnalysisRecord {
  std::string action;                 // the action name ("BootMezeyAngle")
  std::string label;                  // what the user reads for it
  std::vector<std::string> files;     // the loaded groups' file names
  std::optional<int> components;      // k, when the analysis read it
  std::optional<int> bootValue;       // v, for the resampling tests
  std::optional<std::uint64_t> seed;  // the seed of the replicates
  std::string text;                   // the result text
  std::vector<std::string> paths;     // the loaded groups' files in full
  bool threeD = false;                // the dimension flag
  bool partialWarps = true;           // PWButton
};

class Dispatcher {
 public:
  // `host` and `runner` must outlive the dispatcher.
  Dispatcher(Host& host, LongActionRunner& runner);

  // Runs the action of that exact name (see dispatcherActionNames()); any
  // other text copies the current plot to the clipboard. Controls are found
  // by Tag in the windows each time. Errors propagate as vexmoor::Error
  // with the state and the boxes as they were; a cancelled file dialog or
  // long action ends the action quietly and changes nothing. While an
  // action runs, another call throws. A load replaces its group's points in
  // the plot (see GroupPlot), whatever the plot held before.
  void mezeysw(std::string_view action);

  // The file dialog and read of the load actions; nullopt when cancelled.
  // The next dialog opens in the folder of the last file read.
  std::optional<LoadedFile> mfload();

  const ApplicationState& state() const { return m_state; }
  // What the plotted points of the groups stand for (hover text).
  const PointLabels& pointLabels() const { return m_pointLabels; }
  // The identifier of specimen `specimen` (1-based) of group 1 or 2: the
  // lookup's answer when one is set, else what the group's file named it;
  // nullopt when there is none. Every hover text that names a specimen
  // asks here.
  std::optional<std::string> specimenIdentifier(int group, Index specimen) const;
  // The plot of the groups draws into these axes (the main window's).
  void setPlotAxes(graphics::Handle axes) { m_groupPlot.setAxes(axes); }
  // Shows the groups as loaded or superimposed, and says so in the status
  // line (also when the groups cannot be superimposed).
  void setPlotView(PlotView view);
  PlotView plotView() const { return m_groupPlot.view(); }
  bool busy() const { return m_busy; }
  const std::string& lastFolder() const { return m_lastFolder; }

  void setFileDialog(FileDialog dialog) { m_fileDialog = std::move(dialog); }
  // Receives the line of status an action leaves (done, cancelled).
  void setStatusSink(std::function<void(const std::string&)> sink) { m_status = std::move(sink); }
  // Receives every analysis that completed (the results log).
  void setResultSink(std::function<void(const AnalysisRecord&)> sink) {
    m_resultSink = std::move(sink);
  }
  // Receives the identifier of a specimen for its hover text: group (1 or
  // 2) and row (1-based); nullopt where the file has none.
  using IdentifierLookup = std::function<std::optional<std::string>(int group, Index specimen)>;
  void setIdentifierLookup(IdentifierLookup lookup) { m_identifierOf = std::move(lookup); }
  // The file name group 1 or 2 was loaded from; empty when not loaded.
  const std::string& fileName(int group) const { return m_fileNames[group == 1 ? 0 : 1]; }
  // The seed of the next resampling run; none: a fresh one each run.
  void setNextSeed(std::optional<std::uint64_t> seed) {
    m_nextSeed = seed;
    m_seedError.reset();
  }
  const std::optional<std::uint64_t>& nextSeed() const { return m_nextSeed; }
  // The seed typed is no seed: resampling runs fail with `message` until
  // the next setNextSeed, rather than run with another seed.
  void refuseSeed(std::string message) {
    m_nextSeed.reset();
    m_seedError = std::move(message);
  }
  // Called after every load or clear that changed the groups.
  void setDataChangedSink(std::function<void()> sink) { m_dataChanged = std::move(sink); }
  // Called when an action starts (true) and when it has ended (false),
  // however it ends.
  void setActionObserver(std::function<void(std::string_view action, bool starting)> observer) {
    m_actionObserver = std::move(observer);
  }
  // The last analysis that ended well, with what repeats it.
  const std::optional<AnalysisResult>& lastResult() const { return m_lastResult; }
  const RunDescription& lastRun() const { return m_lastRun; }
  // Receives every analysis result once its text is in the result box.
  void setResultDataSink(std::function<void(const AnalysisResult&)> sink) {
    m_resultDataSink = std::move(sink);
  }
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
  void noteLoaded(int group, const std::string& name, const std::string& remarks);
  // Draws the loaded groups; a remark for the status line when the chosen
  // view could not be drawn.
  std::string redrawGroups();

  Host& m_host;
  LongActionRunner& m_runner;
  FileDialog m_fileDialog;
  std::function<void(const std::string&)> m_status;
  std::function<void(const AnalysisRecord&)> m_resultSink;
  IdentifierLookup m_identifierOf;
  std::array<std::string, 2> m_fileNames;
  PointLabels m_pointLabels;
  std::function<const AnalysisAction*(std::string_view)> m_lookup;
  ApplicationState m_state;
  std::string m_lastFolder;
  bool m_busy = false;
  std::optional<std::uint64_t> m_nextSeed;
  std::optional<AnalysisResult> m_lastResult;
  RunDescription m_lastRun;
  std::string m_groupFile[2];
  std::string m_groupPath[2];
  std::optional<Matrix> m_consensus[2];  // three dimensions: each group's consensus
  GroupPlot m_groupPlot{m_pointLabels};
  std::function<void(const AnalysisResult&)> m_resultDataSink;
  std::function<void()> m_dataChanged;
  std::function<void(std::string_view, bool)> m_actionObserver;
  std::optional<std::string> m_seedError;
  bool m_dimensionSettled = false;  // a group has been loaded
  int m_loadingGroup = 0;           // the group the file dialog is asked for
};

}  // namespace vexmoor
