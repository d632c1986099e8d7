// The action dispatcher `mezeysw` and the application state it keeps
// between actions: the two groups and the dimension flag. Groups are read
// and checked, and analyses run, through the library interface (src/api),
// as every front end does; the dispatcher reads the controls and writes
// what the interface gives back into the window.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "analyses/analysis_actions.h"
#include "api/analysis_run.h"
#include "api/input_groups.h"
#include "graphics/axes.h"
#include "runtime/host.h"
#include "runtime/matrix.h"
#include "shell/session/file_dialog.h"
#include "shell/session/long_action.h"
#include "shell/views/group_plot.h"
#include "shell/views/point_labels.h"

namespace vexmoor {

struct ApplicationState {
  // Each group as read: the landmark data matrix, and what the file said
  // of it (format, identifiers, notes); known by its full path.
  std::optional<InputGroup> group1, group2;
  std::optional<double> tval;  // ThreeD as the first LoadData1 read it

  // Group 1 or 2; null when it is not loaded.
  const InputGroup* group(int g) const;
  const Matrix* data(int g) const;
  const GroupInfo* info(int g) const;
};

// A data file as the load actions read it.
struct LoadedFile {
  InputGroup input;  // known by its full path
  std::string name;  // without its folder
};

// Which load each group is (0: not loaded): every load makes a new mark, so
// that a view can tell the groups of the run it shows from those loaded now.
using LoadMarks = std::array<std::uint64_t, 2>;

// Runs an analysis: runAnalysis, unless a test stands in for it.
using AnalysisRun = std::function<RunOutput(const RunGroups& groups, const RunSettings& settings,
                                            Host& host, Progress* progress)>;

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
  LoadMarks loadMarks() const { return m_loads; }
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
  void setDropQuestion(DropQuestion question) { m_dropQuestion = std::move(question); }
  // Receives the line of status an action leaves (done, cancelled).
  void setStatusSink(std::function<void(const std::string&)> sink) { m_status = std::move(sink); }
  // Receives the identifier of a specimen for its hover text: group (1 or
  // 2) and row (1-based); nullopt where the file has none.
  using IdentifierLookup = std::function<std::optional<std::string>(int group, Index specimen)>;
  void setIdentifierLookup(IdentifierLookup lookup) { m_identifierOf = std::move(lookup); }
  // The file name group 1 or 2 was loaded from, without its folder; empty
  // when not loaded.
  std::string fileName(int group) const;
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
  // The last analysis that ended well: its result, text, JSON document,
  // replicates and the description of the run; and the loads it saw.
  const std::optional<RunOutput>& lastOutput() const { return m_lastOutput; }
  const LoadMarks& lastOutputLoads() const { return m_lastLoads; }
  // Receives every analysis that ended well, once its text is in the
  // result box.
  void setResultSink(std::function<void(const RunOutput&)> sink) { m_resultSink = std::move(sink); }
  // Replaces the table of analysis actions and the run (tests).
  void setActionLookup(std::function<const AnalysisAction*(std::string_view)> lookup) {
    m_lookup = std::move(lookup);
  }
  void setAnalysisRun(AnalysisRun run) { m_run = std::move(run); }

 private:
  void run(std::string_view action);
  // The file dialog and the read, with `host` for what the reader says.
  std::optional<LoadedFile> readFile(Host& host);
  std::optional<InputGroup> readOffering(const std::string& path, Host& host);
  void loadData(int group);
  void clearData();
  void analyse(const AnalysisAction& action);
  RunSettings settingsFor(const AnalysisAction& action) const;
  void status(const std::string& text);
  void noteLoaded(int group, const std::string& name, const std::string& remarks);
  // Draws the loaded groups; a remark for the status line when the chosen
  // view could not be drawn.
  std::string redrawGroups();
  std::optional<InputGroup>& slot(int group) {
    return group == 1 ? m_state.group1 : m_state.group2;
  }

  Host& m_host;
  LongActionRunner& m_runner;
  FileDialog m_fileDialog;
  DropQuestion m_dropQuestion;
  std::function<void(const std::string&)> m_status;
  IdentifierLookup m_identifierOf;
  PointLabels m_pointLabels;
  std::function<const AnalysisAction*(std::string_view)> m_lookup;
  AnalysisRun m_run;
  ApplicationState m_state;
  LoadMarks m_loads{};
  std::uint64_t m_loadCount = 0;
  std::string m_lastFolder;
  bool m_busy = false;
  std::optional<std::uint64_t> m_nextSeed;
  std::optional<RunOutput> m_lastOutput;
  LoadMarks m_lastLoads{};
  std::optional<Matrix> m_consensus[2];  // three dimensions: each group's consensus
  GroupPlot m_groupPlot{m_pointLabels};
  std::function<void(const RunOutput&)> m_resultSink;
  std::function<void()> m_dataChanged;
  std::function<void(std::string_view, bool)> m_actionObserver;
  std::optional<std::string> m_seedError;
  bool m_dimensionSettled = false;  // a group has been loaded
  int m_loadingGroup = 0;           // the group the file dialog is asked for
};

}  // namespace vexmoor
