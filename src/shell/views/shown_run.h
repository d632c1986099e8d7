// The one way a view of a result knows whether it still belongs to the
// session: it holds the description of the run it shows (files, dimension,
// shape variables, k, seed, the loads of the groups) and compares it with
// the session's groups and its last run. Every such view (the result box,
// the histograms, the components window, any later one) is a RunView: it
// is told the session after every load, clear and run, and marks itself
// stale the same way (a note saying whose result it is, the content faded,
// its controls idle) until it shows a result of the session again.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "analyses/result_json.h"
#include "api/analysis_run.h"
#include "shell/session/dispatcher.h"

namespace vexmoor {

// What a view shows: the run's description, as the interface gave it.
struct ShownRun {
  RunDescription run;
  int components = 0;   // the k the run used; 0: it reads none
  LoadMarks loads{};    // the loads of the groups the run saw
  std::string caption;  // for its pictures (plot/picture_caption.h)
};

ShownRun shownRunOf(const RunOutput& output, const LoadMarks& loads);

// The session as views compare themselves with it.
struct SessionNow {
  LoadMarks loads{};                // the groups loaded now
  std::optional<ShownRun> lastRun;  // the last run that ended well
};

SessionNow sessionNowOf(const Dispatcher& dispatcher);

// nullopt when `shown` belongs to the session: its groups are the ones
// loaded now, and the last run used the same dimension, shape variables
// and k; else why not, as the end of "… is ": "for the data loaded
// before: gorf.txt, gorm.txt", "for other settings than the last run: k =
// 2 · partial warps".
std::optional<std::string> staleReason(const ShownRun& shown, const SessionNow& now);

// The files of the run: "gorf.txt, gorm.txt".
std::string runFiles(const ShownRun& shown);

class RunView {
 public:
  RunView();
  virtual ~RunView();
  RunView(const RunView&) = delete;
  RunView& operator=(const RunView&) = delete;

  // Tells every view the session now: each marks itself stale or current.
  static void followSession(const SessionNow& now);

  const std::optional<ShownRun>& shown() const { return m_shown; }
  bool stale() const { return m_stale; }

 protected:
  // The view now shows the result of `run`, which is the session's.
  void showRun(ShownRun run);
  // Marks the view: `reason` says why it is stale (see staleReason);
  // nullopt: it is current.
  virtual void markStale(const std::optional<std::string>& reason) = 0;

 private:
  void follow(const SessionNow& now);

  std::optional<ShownRun> m_shown;
  bool m_stale = false;
};

}  // namespace vexmoor
