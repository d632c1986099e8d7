#include "shell/session/dispatcher.h"

#include <QWidget>
#include <array>
#include <filesystem>
#include <utility>
#include <vector>

#include "api/group_views.h"
#include "api/session_groups.h"
#include "api/setting_rules.h"
#include "graphics/graphics_system.h"
#include "graphics/plotting.h"
#include "graphics/ui_control.h"
#include "io/landmark_file.h"
#include "plot/copy_big_image.h"
#include "plot/showshape.h"
#include "runtime/error.h"
#include "runtime/format.h"
#include "runtime/text.h"
#include "shell/session/status_text.h"
#include "shell/views/consensus_window.h"

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
  const Matrix& data = file.input.group.data;
  const GroupInfo& info = file.input.group.info;
  constexpr size_t kShownIdentifiers = 60;
  std::string text = formatName(info.format) + " file " + file.name + ": " +
                     std::to_string(data.rows()) + " specimens, ";
  text +=
      info.kind == RowKind::kVariables
          ? std::to_string(data.cols()) + " variables (not landmarks)"
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

// How the window's user chooses the other dimension, after the message
// that the file's values would fit it.
std::string dimensionAdvice(bool fitsThreeD) {
  return fitsThreeD ? ": tick the box \"Three-dimensional landmarks\" before the first load of "
                      "group 1 (the dimension then holds for the session: restart Vexmoor to "
                      "change it)"
                    : ", but the box \"Three-dimensional landmarks\" was ticked at the first load "
                      "of group 1 and holds for the session: restart Vexmoor to load "
                      "two-dimensional groups";
}

// The host of a load: the window's console; the reader's warnings are kept
// for the status line rather than shown in boxes.
class LoadHost : public Host {
 public:
  explicit LoadHost(Host& inner) : m_inner(inner) {}
  bool consoleEnabled() const override { return m_inner.consoleEnabled(); }
  void consoleWrite(std::string_view text) override { m_inner.consoleWrite(text); }
  void messageBox(std::string_view text) override { m_warnings.emplace_back(text); }
  const std::vector<std::string>& warnings() const { return m_warnings; }

 private:
  Host& m_inner;
  std::vector<std::string> m_warnings;
};

// The note for the status line when the number of components the analysis
// used is not the number typed ("2.5"): "; k = 3 used".
std::string componentsNote(const std::optional<std::string>& typed, int used) {
  if (!typed || used <= 0) {
    return "";
  }
  std::optional<std::vector<double>> numbers = parseNumbers(*typed);
  if (numbers && numbers->size() == 1 && numbers->front() == double(used)) {
    return "";
  }
  return "; k = " + std::to_string(used) + " used";
}

constexpr const char* kThreeDPartialWarpsTip =
    "With three-dimensional landmarks the analyses always use shape variables; this box then "
    "changes only the random data of the range of angle test and the randomization test (one "
    "column more when it is off)";
constexpr const char* kTwoDimensionalTip = "vexmoorTwoDimensionalTip";

// From this many columns of landmark data (about 40 two-dimensional
// landmarks, 80 shape variables) an analysis without replicates can take
// seconds.
constexpr Index kLongColumns = 80;

}  // namespace

const InputGroup* ApplicationState::group(int g) const {
  const std::optional<InputGroup>& slot = g == 1 ? group1 : group2;
  return slot ? &*slot : nullptr;
}

const Matrix* ApplicationState::data(int g) const {
  const InputGroup* in = group(g);
  return in ? &in->group.data : nullptr;
}

const GroupInfo* ApplicationState::info(int g) const {
  const InputGroup* in = group(g);
  return in ? &in->group.info : nullptr;
}

Dispatcher::Dispatcher(Host& host, LongActionRunner& runner)
    : m_host(host),
      m_runner(runner),
      m_fileDialog(qtFileDialog()),
      m_dropQuestion(qtDropQuestion()),
      m_lookup(findAnalysisAction),
      m_run([](const RunGroups& groups, const RunSettings& settings, Host& host,
               Progress* progress) { return runAnalysis(groups, settings, host, progress); }) {}

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
    analyse(*a);
  } else if (action == "ClearData") {
    clearData();
    status("Data cleared");
  } else {
    CopyBigImage();
    status("Plot copied to the clipboard");
  }
}

std::optional<LoadedFile> Dispatcher::mfload() {
  return readFile(m_host);
}

// A file refused for incomplete specimens is read again without them when
// the user chooses so; the run's note and JSON name those left out.
// nullopt when the user declines, the refusal shown in the question.
std::optional<InputGroup> Dispatcher::readOffering(const std::string& path, Host& host) {
  try {
    return readSessionGroup(path, host);
  } catch (const IncompleteSpecimens& e) {
    if (!m_dropQuestion) {
      throw;
    }
    if (!m_dropQuestion(e.what())) {
      return std::nullopt;
    }
  }
  return readSessionGroup(path, host, MissingValues::kDropIncomplete);
}

std::optional<LoadedFile> Dispatcher::readFile(Host& host) {
  std::optional<std::string> path =
      m_fileDialog(FileDialogRequest{"Enter file to Load?", "*.*", recentFolder(), m_loadingGroup});
  if (!path) {
    return std::nullopt;
  }
  // In full, so that the log's command lines work from any folder.
  std::error_code ec;
  std::filesystem::path full = std::filesystem::absolute(*path, ec);
  std::optional<InputGroup> group = readOffering(ec ? *path : full.string(), host);
  if (!group) {
    return std::nullopt;
  }
  LoadedFile file{std::move(*group), fileNameOf(*path)};
  m_lastFolder = std::filesystem::path(*path).parent_path().string();
  noteRecentFile(*path);
  return file;
}

std::string Dispatcher::fileName(int group) const {
  const InputGroup* in = m_state.group(group);
  return in ? fileNameOf(in->file) : "";
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
  LoadHost loadHost(m_host);
  m_loadingGroup = group;
  std::optional<LoadedFile> file = readFile(loadHost);
  m_loadingGroup = 0;
  if (!file) {
    return;
  }
  SessionJoin join;
  try {
    join = joinSession(file->input, {*m_state.tval != 0, m_dimensionSettled});
  } catch (const OtherDimensionColumns& e) {
    throw Error(e.what() + dimensionAdvice(e.fitsThreeD()));
  }
  const bool threeD = join.threeD;
  const Matrix& data = file->input.group.data;
  const GroupInfo& info = file->input.group.info;
  const bool table = info.kind == RowKind::kVariables;
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
  std::string remarks;
  if (join.followsFile) {
    m_state.tval = threeD ? 1 : 0;
    control("ThreeD").set("Value", scalarValue(threeD ? 1 : 0));
    remarks = threeD ? " (the file is three-dimensional: 3D box ticked)"
                     : " (the file is two-dimensional: 3D box cleared)";
  }
  m_dimensionSettled = true;
  if (group == 1) {
    control("Pushbutton2").set("Enable", textValue("on"));
  }
  if (auto* box = dynamic_cast<graphics::UiControl*>(&control("PWButton")); box && box->widget()) {
    // The layout's tooltip speaks of two dimensions: kept aside, and given
    // back when a later session loads two-dimensional groups.
    QWidget* widget = box->widget();
    if (!widget->property(kTwoDimensionalTip).isValid()) {
      widget->setProperty(kTwoDimensionalTip, widget->toolTip());
    }
    widget->setToolTip(threeD ? QString(kThreeDPartialWarpsTip)
                              : widget->property(kTwoDimensionalTip).toString());
  }
  std::string tag = group == 1 ? "FileBox1" : "FileBox2";
  setGroupToolTip(tag, groupDescription(*file, threeD));
  for (const std::string& w : loadHost.warnings()) {
    m_host.consoleWrite("warning: " + w + "\n");
  }
  for (const std::string& w : info.warnings) {
    remarks += "; " + w;
  }
  std::string name = file->name;
  slot(group) = std::move(file->input);
  m_loads[group - 1] = ++m_loadCount;
  m_consensus[group - 1] = reference;
  remarks += redrawGroups();
  if (showConsensus) {
    graphics::Figure& window = graphics::graphics().newPlotWindow();
    showshape3D(LandmarkArray(*reference), "gp");
    furnishConsensusWindow(window, group, name, m_pointLabels);
  }
  setText(tag, "String", summary);
  enableComponents(m_state.group1 && m_state.group2);
  noteLoaded(group, name, remarks);
  if (m_dataChanged) {
    m_dataChanged();
  }
}

void Dispatcher::clearData() {
  m_groupPlot.clear();
  m_state.group1.reset();
  m_state.group2.reset();
  m_loads = {};
  for (std::optional<Matrix>& c : m_consensus) {
    c.reset();
  }
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

RunSettings Dispatcher::settingsFor(const AnalysisAction& action) const {
  RunSettings settings;
  settings.action = std::string(action.name);
  settings.threeD = m_state.tval && *m_state.tval != 0;
  settings.partialWarps = number("PWButton", "Value") != 0;
  if (action.readsComponents) {
    settings.components = componentsSetting(text("NumberABox", "String"));
  }
  if (action.resampling) {
    if (m_seedError) {
      throw Error(*m_seedError);
    }
    settings.seed = m_nextSeed;
    settings.bootValue = resamplingSizeSetting(number("BootBox", "Value"));
  }
  return settings;
}

void Dispatcher::analyse(const AnalysisAction& action) {
  RunSettings settings = settingsFor(action);
  for (int g : {1, 2}) {
    if (!m_state.group(g)) {
      throw Error("group " + std::to_string(g) + " is not loaded");
    }
  }
  // The run gets copies: nothing it reads can change under it.
  RunGroups groups = groupsInMemory({*m_state.group1, *m_state.group2}, false);
  std::string label = actionLabel(action.name);
  // Many variables make the decompositions and the sweeps long: such runs
  // go behind the progress dialog too, where Cancel reaches them.
  const bool inDialog = action.resampling || m_state.data(1)->cols() >= kLongColumns ||
                        m_state.data(2)->cols() >= kLongColumns;
  RunOutput output;
  if (inDialog) {
    output = m_runner.run(
        label,
        [&](Host& host, Progress& progress) { return m_run(groups, settings, host, &progress); },
        m_host);
  } else {
    output = m_run(groups, settings, m_host, nullptr);
  }
  setText("ResBox", "String", output.result.text);
  m_lastOutput = std::move(output);
  m_lastLoads = m_loads;
  const AnalysisResult& result = m_lastOutput->result;
  // A reading the run chose without being told (a plain file that fits
  // both dimensions) is said where the user looks, and kept in the console.
  std::string warnings;
  for (const std::string& w : m_lastOutput->warnings) {
    m_host.consoleWrite("warning: " + w + "\n");
    warnings += "; warning: " + w;
  }
  status(label + ": " + doneStatus(action.name, result) +
         componentsNote(settings.components, result.groups.npca) + noteStatus(result.note) +
         (result.seed ? "; seed " + std::to_string(*result.seed) : "") + warnings);
  if (m_resultSink) {
    m_resultSink(*m_lastOutput);
  }
}

void Dispatcher::noteLoaded(int group, const std::string& name, const std::string& remarks) {
  std::string line =
      "Group " + std::to_string(group) + " loaded from " + escapeNonPrintable(name) + remarks;
  if (m_state.group1 && m_state.group2) {
    if (std::optional<std::string> w = landmarkMismatch(*m_state.group1, *m_state.group2,
                                                        m_state.tval && *m_state.tval != 0)) {
      line += "; " + *w;
    }
  }
  status(line);
}

std::string Dispatcher::redrawGroups() {
  std::array<PlotGroup, 2> groups;
  for (int g = 0; g < 2; ++g) {
    const GroupInfo* info = m_state.info(g + 1);
    groups[g].data = m_state.data(g + 1);
    groups[g].file = fileName(g + 1);
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
  const GroupInfo* info = m_state.info(group);
  if (!info || specimen < 1 || specimen > static_cast<Index>(info->identifiers.size())) {
    return std::nullopt;
  }
  const std::string& id = info->identifiers[static_cast<size_t>(specimen - 1)];
  return id.empty() ? std::nullopt : std::optional<std::string>(id);
}

}  // namespace vexmoor
