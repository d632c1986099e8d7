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
#include "shell/status_text.h"

namespace vexmoor {
namespace {

constexpr std::array<std::pair<std::string_view, std::string_view>, 10> kLabels{{
    {"LoadData1", "Load group 1"},
    {"LoadData2", "Load group 2"},
    {"DoMezeyAngle", "Angle between planes"},
    {"RunCPC", "CPC model hierarchy"},
    {"BootMezeyAngle", "Bootstrap test of angle"},
    {"BootConMezeyAngle", "Bootstrap range of angle"},
    {"RangeMezeyAngle", "Range of angle test"},
    {"PermuteMezeyAngle", "Random shuffle test of angle"},
    {"RandMezeyAngle", "Randomization test of angle"},
    {"ClearData", "Clear data"},
}};

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

// The mean of each column; a single row averages to one number, as the
// runtime's mean of a row does.
Matrix columnMeans(const Matrix& x) {
  if (x.rows() == 1) {
    return Matrix::Constant(1, 1, x.mean());
  }
  return x.colwise().mean();
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

// Clears the busy flag however the action ends.
struct BusyScope {
  bool& busy;
  ~BusyScope() { busy = false; }
};

}  // namespace

std::string actionLabel(std::string_view action) {
  for (const auto& [name, label] : kLabels) {
    if (name == action) {
      return std::string(label);
    }
  }
  return std::string(action);
}

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
  BusyScope scope{m_busy};
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
      m_fileDialog(FileDialogRequest{"Enter file to Load?", "*.*", m_lastFolder});
  if (!path) {
    return std::nullopt;
  }
  LandmarkGroup group = readGroupFile(*path);
  LoadedFile file{std::move(group.data), fileNameOf(*path), std::move(group.info)};
  m_lastFolder = std::filesystem::path(*path).parent_path().string();
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
  std::optional<LoadedFile> file = mfload();
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
    checkLandmarkColumns(data, threeD, file->name);
  } else {
    info.kind = RowKind::kVariables;
  }
  std::string shownName = info.format == GroupFormat::kPlain
                              ? file->name
                              : file->name + " (" + formatName(info.format) + ")";
  std::string summary;
  size_t before = graphics::graphics().gca().children().size();
  if (table) {
    summary = format("File %s \\n %4.0f Samples \\n %4.0f variables",
                     {shownName, double(data.rows()), double(data.cols())});
  } else if (!threeD) {
    showshape(data, group == 1 ? "bo" : "rs");
    labelPlot(group, graphics::graphics().gca(), before, data, false);
    before = graphics::graphics().gca().children().size();
    showshape(columnMeans(data), group == 1 ? "b<" : "r*");
    labelPlot(group, graphics::graphics().gca(), before, data, true);
    graphics::Axes& axes = graphics::graphics().gca();
    graphics::axis(axes, "auto");
    graphics::axis(axes, "equal");
    axes.setHold(true);
    summary = format("File %s \\n %4.0f Samples \\n %4.0f landmarks",
                     {shownName, double(data.rows()), double(data.cols() - 1) / 2.0});
  } else {
    // Superimposed whether or not the picture is shown, so that a group the
    // fit cannot take fails here in both settings; the analyses start again
    // from the stored data.
    Matrix reference = groupConsensus3D(data, m_host);
    if (number("Suppress3", "Value") == 0) {
      graphics::Figure& window = graphics::graphics().newPlotWindow();
      window.set("Name", textValue("Group " + std::to_string(group) + " consensus: " + file->name));
      showshape3D(LandmarkArray(reference), "gp");
      addLandmarkNumbering(window);
    }
    summary = threeDimensionalSummary(shownName, data.rows(), data.cols());
  }
  if (!remark.empty()) {
    m_state.tval = threeD ? 1 : 0;
    control("ThreeD").set("Value", scalarValue(threeD ? 1 : 0));
  }
  m_dimensionSettled = true;
  if (group == 1) {
    control("Pushbutton2").set("Enable", textValue("on"));
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
  setText(tag, "String", summary);
  noteLoaded(group, file->name, remark + warnings);
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
  graphics::graphics().removeChildren(graphics::graphics().gca());
  m_state.data1.reset();
  m_state.data2.reset();
  m_fileNames = {};
  m_pointLabels.clear();
  m_state.info1.reset();
  m_state.info2.reset();
  setGroupToolTip("FileBox1", "");
  setGroupToolTip("FileBox2", "");
  setText("FileBox1", "String", "No data loaded");
  setText("FileBox2", "String", "No data loaded");
  setText("OutBox", "String", format("\\n \\n \\n \\n"));
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
  status(label + ": " + doneStatus(action.name, result.text) +
         (result.seed ? "; seed " + std::to_string(*result.seed) : "") + noteStatus(result.note));
  if (m_resultDataSink) {
    m_resultDataSink(*m_lastResult);
  }
  if (m_resultSink) {
    AnalysisRecord record{
        std::string(action.name), label, {}, std::nullopt, std::nullopt, result.seed, result.text};
    for (const std::string& f : m_fileNames) {
      if (!f.empty()) {
        record.files.push_back(f);
      }
    }
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
  m_fileNames[group == 1 ? 0 : 1] = name;
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

void Dispatcher::labelPlot(int group, graphics::Axes& axes, size_t firstNew, const Matrix& data,
                           bool mean) {
  const std::vector<graphics::GraphicsObject*>& lines = axes.children();
  Index landmarks = (data.cols() - 1) / 2;
  Index rows = mean ? 1 : data.rows();
  for (Index i = 0; i < rows; ++i) {
    std::string id;
    if (!mean && m_identifierOf) {
      id = m_identifierOf(group, i + 1).value_or("");
    }
    for (Index j = 0; j < landmarks; ++j) {
      size_t at = firstNew + static_cast<size_t>(i * landmarks + j);
      if (at < lines.size()) {
        m_pointLabels.add(lines[at]->handle(), PointLabel{group, mean ? 0 : i + 1, j + 1, id});
      }
    }
  }
}

}  // namespace vexmoor
