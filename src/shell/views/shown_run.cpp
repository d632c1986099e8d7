#include "shell/views/shown_run.h"

#include <algorithm>
#include <vector>

#include "io/landmark_file.h"
#include "plot/picture_caption.h"
#include "runtime/text.h"

namespace vexmoor {
namespace {

std::vector<RunView*>& views() {
  static std::vector<RunView*> all;
  return all;
}

std::string shapeVariables(const ShownRun& s) {
  const AnalysisSettings& settings = s.run.settings;
  return settings.threeD ? "3D" : settings.partialWarps ? "partial warps" : "raw coordinates";
}

// The settings that change what a view shows of the same groups: the
// dimension, the shape variables (in three dimensions the analyses use
// partial warps either way) and k, where both runs read it.
bool sameSettings(const ShownRun& a, const ShownRun& b) {
  const AnalysisSettings& x = a.run.settings;
  const AnalysisSettings& y = b.run.settings;
  if (x.threeD != y.threeD || (!x.threeD && x.partialWarps != y.partialWarps)) {
    return false;
  }
  return a.components == 0 || b.components == 0 || a.components == b.components;
}

std::string settingsText(const ShownRun& s) {
  std::string text = s.components > 0 ? "k = " + std::to_string(s.components) + " · " : "";
  return text + shapeVariables(s);
}

}  // namespace

ShownRun shownRunOf(const RunOutput& output, const LoadMarks& loads) {
  ShownRun s;
  s.run = output.description;
  s.components = output.result.groups.npca;
  s.loads = loads;
  s.caption = pictureCaption(output.result, output.description);
  return s;
}

SessionNow sessionNowOf(const Dispatcher& dispatcher) {
  SessionNow now;
  now.loads = dispatcher.loadMarks();
  if (const std::optional<RunOutput>& last = dispatcher.lastOutput()) {
    now.lastRun = shownRunOf(*last, dispatcher.lastOutputLoads());
  }
  return now;
}

std::optional<std::string> staleReason(const ShownRun& shown, const SessionNow& now) {
  if (shown.loads != now.loads) {
    return "for the data loaded before: " + runFiles(shown);
  }
  if (now.lastRun && !sameSettings(shown, *now.lastRun)) {
    return "for other settings than the last run: " + settingsText(shown);
  }
  return std::nullopt;
}

std::string runFiles(const ShownRun& shown) {
  std::string files;
  for (const GroupSource* g : {&shown.run.group1, &shown.run.group2}) {
    if (!g->file.empty()) {
      files += (files.empty() ? "" : ", ") + escapeNonPrintable(fileNameOf(g->file));
    }
  }
  return files;
}

RunView::RunView() {
  views().push_back(this);
}

RunView::~RunView() {
  std::erase(views(), this);
}

void RunView::followSession(const SessionNow& now) {
  for (RunView* v : views()) {
    v->follow(now);
  }
}

void RunView::showRun(ShownRun run) {
  m_shown = std::move(run);
  m_stale = false;
  markStale(std::nullopt);
}

void RunView::follow(const SessionNow& now) {
  if (!m_shown) {
    return;
  }
  std::optional<std::string> reason = staleReason(*m_shown, now);
  m_stale = reason.has_value();
  markStale(reason);
}

}  // namespace vexmoor
