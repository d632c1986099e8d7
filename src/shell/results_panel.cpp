#include "shell/results_panel.h"

#include <QDockWidget>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>

#include "shell/components_window.h"
#include "shell/dispatcher.h"
#include "shell/histogram_window.h"
#include "shell/result_saving.h"

namespace vexmoor {

std::string pValueLine(const AnalysisResult& result) {
  if (!result.resampling || result.resampling->pValues.empty()) {
    return "";
  }
  std::string line = "p-values:";
  bool first = true;
  for (const EmpiricalPValue& p : result.resampling->pValues) {
    std::string name = p.name;
    std::replace(name.begin(), name.end(), '_', ' ');
    char value[32];
    std::snprintf(value, sizeof value, "%.4g", p.p);
    line += (first ? " " : ", ") + name + " " + value;
    first = false;
  }
  return line;
}

ResultsPanel::ResultsPanel(Dispatcher& dispatcher, QWidget* parent)
    : QWidget(parent), m_dispatcher(dispatcher) {
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(6, 2, 6, 2);
  m_pValues = new QLabel(this);
  m_pValues->setObjectName("PValueLine");
  m_pValues->setTextInteractionFlags(Qt::TextSelectableByMouse);
  m_pValues->setWordWrap(true);
  layout->addWidget(m_pValues, 1);
  auto* seedLabel = new QLabel("Seed:", this);
  m_seed = new QLineEdit(this);
  m_seed->setObjectName("SeedBox");
  m_seed->setPlaceholderText("fresh");
  m_seed->setToolTip(
      "Seed of the next resampling run; empty: a fresh one. The seed of the last run is in the "
      "status line");
  m_seed->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]{0,20}"), m_seed));
  m_seed->setMaximumWidth(170);
  seedLabel->setBuddy(m_seed);
  layout->addWidget(seedLabel);
  layout->addWidget(m_seed);
  auto* saveResultButton = new QPushButton("Save result…", this);
  saveResultButton->setObjectName("SaveResultButton");
  saveResultButton->setToolTip("Save the last result as text, JSON or its replicates as CSV");
  auto* savePlotButton = new QPushButton("Save plot…", this);
  savePlotButton->setObjectName("SavePlotButton");
  savePlotButton->setToolTip("Save the plot of the groups as SVG, PNG or PDF");
  layout->addWidget(saveResultButton);
  layout->addWidget(savePlotButton);
  connect(m_seed, &QLineEdit::textChanged, this, [this] { seedEdited(); });
  connect(saveResultButton, &QPushButton::clicked, this, [this] {
    if (const auto& r = m_dispatcher.lastResult()) {
      saveResult(window(), *r, m_dispatcher.lastRun());
    } else {
      m_pValues->setText("Nothing to save yet: run an analysis first");
    }
  });
  connect(savePlotButton, &QPushButton::clicked, this, [this] { saveGroupPlot(window()); });
}

void ResultsPanel::seedEdited() {
  std::string text = m_seed->text().toStdString();
  std::uint64_t seed = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), seed);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size()) {
    m_dispatcher.setNextSeed(std::nullopt);
  } else {
    m_dispatcher.setNextSeed(seed);
  }
}

void ResultsPanel::showResult(const AnalysisResult& result) {
  m_pValues->setText(QString::fromStdString(pValueLine(result)));
  if (result.resampling) {
    std::string title = result.text.substr(0, result.text.find('\n'));
    histogramWindow().showResult(*result.resampling, title);
  }
  if (result.components) {
    // A plain file names no specimens: its identifiers are running numbers.
    auto named = [](const std::optional<GroupInfo>& info) {
      return info && info->format != GroupFormat::kPlain ? info->identifiers
                                                         : std::vector<std::string>{};
    };
    std::array<std::vector<std::string>, 2> ids{named(m_dispatcher.state().info1),
                                                named(m_dispatcher.state().info2)};
    componentsWindow().showResult(*result.components,
                                  [ids](int g, Index row) -> std::optional<std::string> {
                                    const std::vector<std::string>& v = ids[g == 1 ? 0 : 1];
                                    return row >= 1 && static_cast<size_t>(row) <= v.size()
                                               ? std::optional(v[static_cast<size_t>(row - 1)])
                                               : std::nullopt;
                                  });
  }
}

ResultsPanel& attachResultsPanel(QMainWindow& window, Dispatcher& dispatcher) {
  auto* dock = new QDockWidget("Results", &window);
  dock->setObjectName("ResultsDock");
  dock->setFeatures(QDockWidget::NoDockWidgetFeatures);
  dock->setTitleBarWidget(new QWidget(dock));
  auto* panel = new ResultsPanel(dispatcher, dock);
  dock->setWidget(panel);
  window.addDockWidget(Qt::BottomDockWidgetArea, dock);
  dispatcher.setResultDataSink([panel](const AnalysisResult& r) { panel->showResult(r); });
  return *panel;
}

}  // namespace vexmoor
