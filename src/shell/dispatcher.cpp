#include "shell/dispatcher.h"

#include <array>
#include <filesystem>
#include <utility>

#include "io/landmark_file.h"
#include "plot/copy_big_image.h"
#include "plot/showshape.h"
#include "runtime/error.h"
#include "runtime/format.h"
#include "runtime/graphics/graphics_system.h"
#include "runtime/graphics/plotting.h"
#include "runtime/graphics/ui_control.h"
#include "runtime/text.h"
#include "shape/group_consensus3d.h"
#include "shell/consensus_window.h"
#include "shell/group_plot.h"
#include "shell/status_text.h"

namespace vexmoor {
namespace {

graphics::GraphicsObject& control(std::string_view tag) {
  std::vector<graphics::Handle> found = graphics::graphics().findByTag(tag);
  if (found.empty()) {
    throw Error("the window has no control tagged \"" + std::string(tag) + "\"");
  }
  return graphics::graphics().object(found.front());
}

double number(std::string_view tag, std::string_view property) {
  Value v = control(tag).get(property);
  const Matrix* m = std::get_if<Matrix>(&v);
  if (!m || m->size() != 1) {
    throw Error("the \"" + std::string(property) + "\" of the control tagged \"" +
                std::string(tag) + "\" is not one number");
  }
  return (*m)(0);
}

std::string text(std::string_view tag, std::string_view property) {
  Value v = control(tag).get(property);
  if (const std::string* s = std::get_if<std::string>(&v)) {
    return *s;
  }
  throw Error("the \"" + std::string(property) + "\" of the control tagged \"" + std::string(tag) +
              "\" is not a text");
}

void setText(std::string_view tag, std::string_view property, std::string_view value) {
  control(tag).set(property, textValue(value));
}

// The principal-components button needs both groups; layouts without it
// are left alone.
void enableComponents(bool on) {
  for (graphics::Handle h : graphics::graphics().findByTag("PcButton")) {
    graphics::graphics().object(h).set("Enable", textValue(on ? "on" : "off"));
  }
}

std::string dimensionWord(bool threeD) {
  return threeD ? "three-dimensional" : "two-dimensional";
}

// The group box's hover text: the layout's own, then what the file said.
void setGroupToolTip(std::string_view tag, const std::string& text) {
  auto* box = dynamic_cast<graphics::UiControl*>(&control(tag));
  QWidget* w = box ? box->widget() : nullptr;
  if (!w) {
    return;
  }
  QVariant layoutTip = w->property("layoutToolTip");
  if (!layoutTip.isValid()) {
    layoutTip = w->toolTip();
    w->setProperty("layoutToolTip", layoutTip);
  }
  QString tip = layoutTip.toString();
  if (!text.empty()) {
    tip += (tip.isEmpty() ? "" : "\n\n") + QString::fromStdString(text);
  }
  w->setToolTip(tip);
}

std::string groupDescription(const LoadedFile& file, bool threeD) {
  const GroupInfo& info = file.info;
  constexpr size_t kShownIdentifiers = 60;
  std::string text = formatName(info.format) + " file " + file.name + ": " +
                     std::to_string(file.data.rows()) + " specimens, ";
  text +=
      info.kind == RowKind::kVariables
          ? std::to_string(file.data.cols()) + " variables (not landmarks)"
          : dimensionWord(threeD) + " landmarks" + (info.dimension ? " (as the file states)" : "");
  text += "\nSpecimens:";
  for (size_t i = 0; i < info.identifiers.size() && i < kShownIdentifiers; ++i) {
    text += (i % 6 == 0 ? "\n  " : ", ") + info.identifiers[i];
  }
  if (info.identifiers.size() > kShownIdentifiers) {
    text += ", ... (" + std::to_string(info.identifiers.size()) + " in all)";
  }
  for (const auto* list : {&info.warnings, &info.notes, &info.comments}) {
    for (const std::string& line : *list) {
      text += "\n" + line;
    }
  }
  return text;
}

// Clears the busy flag and tells the observer however the action ends.
struct BusyScope {
  bool& busy;
  std::string_view action;
  const std::function<void(std::string_view, bool)>& observer;
  ~BusyScope() {
    busy = false;
    if (observer) {
      observer(action, false);
    }
  }
};

// What a file of the other dimension would need, for the message that
// refuses its column count.
std::string dimensionHint(Index cols, bool threeD) {
  bool fitsOther = threeD ? cols >= 5 && (cols - 1) % 2 == 0 : cols >= 7 && (cols - 1) % 3 == 0;
  if (!fitsOther) {
    return "";
  }
  return threeD ? "; its values would fit two-dimensional landmarks, but the box \"Three-"
                  "dimensional landmarks\" was ticked at the first load of group 1 and holds for "
                  "the session: restart Vexmoor to load two-dimensional groups"
                : "; its values would fit three-dimensional landmarks: tick the box \"Three-"
                  "dimensional landmarks\" before the first load of group 1 (the dimension "
                  "then holds for the session: restart Vexmoor to change it)";
}

// The note for the status line when the number of components typed was
// rounded: "k = 3 used"; empty when it was a whole number.
std::string componentsNote(const std::string& text) {
  std::optional<std::vector<double>> numbers = parseNumbers(text);
  std::optional<int> k = componentsAsRead(text);
  if (!k || !numbers || numbers->size() != 1 || numbers->front() == double(*k)) {
    return "";
  }
  return "; k = " + std::to_string(*k) + " used";
}

constexpr const char* kThreeDPartialWarpsTip =
    "With three-dimensional landmarks the analyses always use shape variables; this box then "
    "changes only the random data of the range of angle test and the randomization test (one "
    "column more when it is off)";

}  // namespace

Dispatcher::Dispatcher(Host& host, LongActionRunner& runner)
    : m_host(host), m_runner(runner), m_fileDialog(qtFileDialog()), m_lookup(findAnalysisAction) {}

void Dispatcher::status(const std::string& line) {
  if (m_status) {
    m_status(line);
  }
}

void Dispatcher::mezeysw(std::string_view action) {
  if (m_busy) {
    throw Error("another action is still running: wait for it to end or cancel it");
  }
  m_busy = true;
  if (m_actionObserver) {
    m_actionObserver(action, true);
  }
  BusyScope scope{m_busy, action, m_actionObserver};
  try {
    run(action);
  } catch (const Cancelled&) {
    status(actionLabel(action) + " cancelled; nothing changed");
  }
}

void Dispatcher::run(std::string_view action) {
  if (action == "LoadData1" || action == "LoadData2") {
    loadData(action == "LoadData1" ? 1 : 2);
  } else if (const AnalysisAction* a = m_lookup(action)) {
    runAnalysis(*a);
  } else if (action == "ClearData") {
    clearData();
    status("Data cleared");
  } else {
    CopyBigImage();
    status("Plot copied to the clipboard");
  }
}

std::optional<LoadedFile> Dispatcher::mfload() {
  std::optional<std::string> path =
      m_fileDialog(FileDialogRequest{"Enter file to Load?", "*.*", recentFolder(), m_loadingGroup});
  if (!path) {
    return std::nullopt;
  }
  LandmarkGroup group = readGroupFile(*path);
  // In full, so that the log's command lines work from any folder.
  std::error_code ec;
  std::filesystem::path full = std::filesystem::absolute(*path, ec);
  LoadedFile file{std::move(group.data), fileNameOf(*path), std::move(group.info),
                  ec ? *path : full.string()};
  m_lastFolder = std::filesystem::path(*path).parent_path().string();
  noteRecentFile(*path);
  return file;
}

bool Dispatcher::settleDimension(const LoadedFile& file, std::string& remark) {
  bool threeD = *m_state.tval != 0;
  if (!file.info.dimension || (*file.info.dimension == 3) == threeD) {
    return threeD;
  }
  bool stated = *file.info.dimension == 3;
  if (m_dimensionSettled) {
    throw Error("file \"" + file.name + "\" holds " + dimensionWord(stated) +
                " landmarks, but the groups of this run are " + dimensionWord(threeD));
  }
  remark = stated ? " (the file is three-dimensional: 3D box ticked)"
                  : " (the file is two-dimensional: 3D box cleared)";
  return stated;
}

void Dispatcher::loadData(int group) {
  if (group == 1) {
    m_state.tval = number("ThreeD", "Value");
    control("ThreeD").set("Enable", textValue("off"));
  } else if (!m_state.tval) {
    throw Error(
        "load group 1 first: its first load fixes whether the landmarks are two- or "
        "three-dimensional");
  }
  m_loadingGroup = group;
  std::optional<LoadedFile> file = mfload();
  m_loadingGroup = 0;
  if (!file) {
    return;
  }
  std::string remark;
  bool threeD = settleDimension(*file, remark);
  const Matrix& data = file->data;
  GroupInfo& info = file->info;
  // A headed table of variables goes the raw-coordinate path only; a plain
  // file must still make landmarks here, as it always had to.
  bool table = info.kind == RowKind::kVariables;
  if (table && threeD) {
    throw Error("file \"" + file->name + "\" is a table of " + std::to_string(data.cols()) +
                " variables, not landmark configurations; three-dimensional analyses need "
                "landmarks");
  }
  if (!table) {
    try {
      checkGroupColumns(data, info, threeD, file->name);
    } catch (const Error& e) {
      throw Error(e.what() + dimensionHint(data.cols(), threeD));
    }
  } else {
    info.kind = RowKind::kVariables;
  }
  std::string shownName = info.format == GroupFormat::kPlain
                              ? file->name
                              : file->name + " (" + formatName(info.format) + ")";
  std::string summary;
  std::optional<Matrix> reference;
  if (table) {
    summary = format("File %s \\n %4.0f Samples \\n %4.0f variables",
                     {shownName, double(data.rows()), double(data.cols())});
  } else if (!threeD) {
    summary = format("File %s \\n %4.0f Samples \\n %4.0f landmarks",
                     {shownName, double(data.rows()), double(data.cols() - 1) / 2.0});
  } else {
    // Superimposed whether or not the picture is shown, so that a group the
    // fit cannot take fails here in both settings; the analyses start again
    // from the stored data.
    reference = groupConsensus3D(data, m_host);
    summary = threeDimensionalSummary(shownName, data.rows(), data.cols());
  }
  bool showConsensus = reference && number("Suppress3", "Value") == 0;

  // Nothing below refuses the file: the group is replaced.
  if (!remark.empty()) {
    m_state.tval = threeD ? 1 : 0;
    control("ThreeD").set("Value", scalarValue(threeD ? 1 : 0));
  }
  m_dimensionSettled = true;
  if (group == 1) {
    control("Pushbutton2").set("Enable", textValue("on"));
  }
  if (threeD) {
    if (auto* box = dynamic_cast<graphics::UiControl*>(&control("PWButton"));
        box && box->widget()) {
      box->widget()->setToolTip(kThreeDPartialWarpsTip);
    }
  }
  std::string tag = group == 1 ? "FileBox1" : "FileBox2";
  setGroupToolTip(tag, groupDescription(*file, threeD));
  for (const std::string& note : info.notes) {
    m_host.consoleWrite("file " + file->name + ": " + note + "\n");
  }
  std::string warnings;
  for (const std::string& w : info.warnings) {
    m_host.consoleWrite("file " + file->name + ": " + w + "\n");
    warnings += "; " + w;
  }
  (group == 1 ? m_state.data1 : m_state.data2) = std::move(file->data);
  (group == 1 ? m_state.info1 : m_state.info2) = std::move(file->info);
  m_groupFile[group - 1] = file->name;
  m_groupPath[group - 1] = file->path;
  m_consensus[group - 1] = reference;
  m_fileNames[group - 1] = file->name;
  std::string plotRemark = redrawGroups();
  if (showConsensus) {
    graphics::Figure& window = graphics::graphics().newPlotWindow();
    showshape3D(LandmarkArray(*reference), "gp");
    furnishConsensusWindow(window, group, file->name, m_pointLabels);
  }
  setText(tag, "String", summary);
  enableComponents(m_state.data1 && m_state.data2);
  noteLoaded(group, file->name, remark + warnings + plotRemark);
  if (m_dataChanged) {
    m_dataChanged();
  }
}

void Dispatcher::checkTables(bool threeD, bool partialWarps) const {
  if (!threeD && !partialWarps) {
    return;
  }
  for (int g : {1, 2}) {
    const std::optional<GroupInfo>& info = g == 1 ? m_state.info1 : m_state.info2;
    const std::optional<Matrix>& data = g == 1 ? m_state.data1 : m_state.data2;
    if (info && data && info->kind == RowKind::kVariables) {
      throw Error("group " + std::to_string(g) + " is a table of " + std::to_string(data->cols()) +
                  " variables, not landmark configurations: switch partial warps off to analyse "
                  "its columns as they stand");
    }
  }
}

void Dispatcher::clearData() {
  m_groupPlot.clear();
  m_state.data1.reset();
  m_state.data2.reset();
  m_fileNames = {};
  for (int g = 0; g < 2; ++g) {
    m_groupFile[g].clear();
    m_groupPath[g].clear();
    m_consensus[g].reset();
  }
  m_state.info1.reset();
  m_state.info2.reset();
  enableComponents(false);
  setGroupToolTip("FileBox1", "");
  setGroupToolTip("FileBox2", "");
  setText("FileBox1", "String", "No data loaded");
  setText("FileBox2", "String", "No data loaded");
  setText("OutBox", "String", format("\\n \\n \\n \\n"));
  // Group 2 comes after group 1 again, as at the start.
  control("Pushbutton2").set("Enable", textValue("off"));
  if (m_dataChanged) {
    m_dataChanged();
  }
}

namespace {

// From this many columns of landmark data (about 40 two-dimensional
// landmarks, 80 shape variables) an analysis without replicates can take
// seconds.
constexpr Index kLongColumns = 80;

}  // namespace

void Dispatcher::runAnalysis(const AnalysisAction& action) {
  // The worker gets copies: nothing it reads can change under it.
  std::optional<Matrix> data1 = m_state.data1;
  std::optional<Matrix> data2 = m_state.data2;
  AnalysisRequest request;
  request.data1 = data1 ? &*data1 : nullptr;
  request.data2 = data2 ? &*data2 : nullptr;
  request.settings.threeD = m_state.tval && *m_state.tval != 0;
  request.settings.partialWarps = number("PWButton", "Value") != 0;
  checkTables(request.settings.threeD, request.settings.partialWarps);
  if (action.readsComponents) {
    request.settings.componentsText = text("NumberABox", "String");
  }
  if (action.resampling && m_seedError) {
    throw Error(*m_seedError);
  }
  request.seed = m_nextSeed;
  AnalysisResult result;
  std::string label = actionLabel(action.name);
  if (action.resampling) {
    request.settings.bootValue = static_cast<int>(number("BootBox", "Value"));
  }
  // Many variables make the decompositions and the sweeps long: such runs
  // go behind the progress dialog too, where Cancel reaches them.
  const bool inDialog = action.resampling || (data1 && data1->cols() >= kLongColumns) ||
                        (data2 && data2->cols() >= kLongColumns);
  if (inDialog) {
    m_runner.run(label, [&](Progress& progress) {
      AnalysisRequest r = request;
      r.progress = &progress;
      result = action.run(r, m_host);
      return std::string();
    });
  } else {
    result = action.run(request, m_host);
  }
  setText("ResBox", "String", result.text);
  m_lastRun.group1.file = m_groupFile[0];
  m_lastRun.group2.file = m_groupFile[1];
  m_lastRun.settings = request.settings;
  m_lastResult = result;
  std::string kNote = action.readsComponents ? componentsNote(request.settings.componentsText) : "";
  status(label + ": " + doneStatus(action.name, result.text) + kNote + noteStatus(result.note) +
         (result.seed ? "; seed " + std::to_string(*result.seed) : ""));
  if (m_resultDataSink) {
    m_resultDataSink(*m_lastResult);
  }
  if (m_resultSink) {
    AnalysisRecord record;
    record.action = action.name;
    record.label = label;
    record.seed = result.seed;
    record.text = result.text;
    for (int g = 0; g < 2; ++g) {
      if (!m_fileNames[g].empty()) {
        record.files.push_back(m_fileNames[g]);
        record.paths.push_back(m_groupPath[g]);
      }
    }
    record.threeD = request.settings.threeD;
    record.partialWarps = request.settings.partialWarps;
    if (action.readsComponents) {
      record.components = componentsAsRead(request.settings.componentsText);
    }
    if (action.resampling) {
      record.bootValue = request.settings.bootValue;
    }
    m_resultSink(record);
  }
}

void Dispatcher::noteLoaded(int group, const std::string& name, const std::string& remarks) {
  std::string line =
      "Group " + std::to_string(group) + " loaded from " + escapeNonPrintable(name) + remarks;
  if (m_state.data1 && m_state.data2) {
    if (std::optional<std::string> w =
            groupMismatch(*m_state.data1, *m_state.data2, m_state.tval && *m_state.tval != 0)) {
      line += "; " + *w;
    }
  }
  status(line);
}

std::string Dispatcher::redrawGroups() {
  std::array<PlotGroup, 2> groups;
  for (int g = 0; g < 2; ++g) {
    const std::optional<Matrix>& data = g == 0 ? m_state.data1 : m_state.data2;
    const std::optional<GroupInfo>& info = g == 0 ? m_state.info1 : m_state.info2;
    groups[g].data = data ? &*data : nullptr;
    groups[g].file = m_groupFile[g];
    groups[g].variables = info && info->kind == RowKind::kVariables;
    groups[g].consensus = m_consensus[g] ? &*m_consensus[g] : nullptr;
  }
  bool threeD = m_state.tval && *m_state.tval != 0;
  std::optional<std::string> unavailable = m_groupPlot.draw(
      groups, threeD, [this](int g, Index row) { return specimenIdentifier(g, row); });
  if (!unavailable) {
    return "";
  }
  return "; superimposed view unavailable (" + *unavailable +
         "): the plot shows the coordinates "
         "as loaded";
}

void Dispatcher::setPlotView(PlotView view) {
  m_groupPlot.setView(view);
  bool threeD = m_state.tval && *m_state.tval != 0;
  std::string remark = redrawGroups();
  if (threeD) {
    status(
        "Plot: three-dimensional groups show their consensus shapes; the superimposed view is "
        "for two-dimensional groups");
  } else if (view == PlotView::kRaw) {
    status("Plot: the coordinates as loaded");
  } else {
    status("Plot: the specimens superimposed in the pooled frame of the analyses" + remark);
  }
}

std::optional<std::string> Dispatcher::specimenIdentifier(int group, Index specimen) const {
  if (m_identifierOf) {
    return m_identifierOf(group, specimen);
  }
  const std::optional<GroupInfo>& info = group == 1 ? m_state.info1 : m_state.info2;
  if (!info || specimen < 1 || specimen > static_cast<Index>(info->identifiers.size())) {
    return std::nullopt;
  }
  const std::string& id = info->identifiers[static_cast<size_t>(specimen - 1)];
  return id.empty() ? std::nullopt : std::optional<std::string>(id);
}

}  // namespace vexmoor
