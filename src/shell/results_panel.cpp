#include "shell/results_panel.h"

#include <QDockWidget>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>

#include "runtime/error.h"
#include "runtime/text.h"
#include "shell/components_window.h"
#include "shell/dispatcher.h"
#include "shell/histogram_window.h"
#include "shell/result_saving.h"
#include "shell/stale_note.h"
#include "shell/status_text.h"

namespace vexmoor {
namespace {

// Wide enough for the largest seed, 20 digits.
constexpr int kSeedDigits = 20;

std::string filesOf(const RunDescription& run) {
  std::string files;
  for (const std::string& f : {run.group1.file, run.group2.file}) {
    if (!f.empty()) {
      files += (files.empty() ? "" : ", ") + escapeNonPrintable(f);
    }
  }
  return files;
}

}  // namespace

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

std::string histogramCaption(const AnalysisResult& result, const RunDescription& run) {
  std::string line = filesOf(run);
  if (result.groups.npca > 0) {
    line += " · k = " + std::to_string(result.groups.npca);
  }
  line += " · v = " + std::to_string(run.settings.bootValue);
  if (result.seed) {
    line += " · seed " + std::to_string(*result.seed);
  }
  line += run.settings.threeD         ? " · 3D"
          : run.settings.partialWarps ? " · partial warps"
                                      : " · raw coordinates";
  std::string p = pValueLine(result);
  return p.empty() ? line : line + "\n" + p;
}

std::optional<std::uint64_t> seedFromText(const std::string& text) {
  if (text.empty()) {
    return std::nullopt;
  }
  std::uint64_t seed = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), seed);
  if (ec != std::errc() || end != text.data() + text.size()) {
    throw Error("seed needs a whole number; \"" + escapeNonPrintable(text) +
                "\" is not one (the largest is 18446744073709551615)");
  }
  return seed;
}

ResultsPanel::ResultsPanel(Dispatcher& dispatcher, QPlainTextEdit* resultBox, QWidget* parent)
    : QWidget(parent), m_dispatcher(dispatcher), m_resultBox(resultBox) {
  setObjectName("ResultsPanel");
  if (m_resultBox) {
    m_resultPalette = m_resultBox->palette();
  }
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 2, 0, 2);
  layout->setSpacing(3);
  m_staleNote = makeStaleNote(this);
  layout->addWidget(m_staleNote);
  m_pValues = new QLabel(this);
  m_pValues->setObjectName("PValueLine");
  m_pValues->setTextInteractionFlags(Qt::TextSelectableByMouse);
  m_pValues->setWordWrap(true);
  m_pValues->hide();
  layout->addWidget(m_pValues);

  auto* row = new QHBoxLayout;
  row->addStretch(1);
  auto* seedLabel = new QLabel("Seed:", this);
  m_seed = new QLineEdit(this);
  m_seed->setObjectName("SeedBox");
  m_seed->setPlaceholderText("fresh");
  m_seed->setToolTip(
      "Seed of the next resampling run, a whole number from 0 to 18446744073709551615; empty: a "
      "fresh one. The seed of the last run is in the status line and the results log");
  m_seed->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]{0,20}"), m_seed));
  QFontMetrics fm(m_seed->font());
  m_seed->setMinimumWidth(fm.horizontalAdvance(QString(kSeedDigits + 1, '0')) + 16);
  seedLabel->setBuddy(m_seed);
  row->addWidget(seedLabel);
  row->addWidget(m_seed);
  auto* saveResultButton = new QPushButton("Save result…", this);
  saveResultButton->setObjectName("SaveResultButton");
  saveResultButton->setToolTip("Save the last result as text, JSON or its replicates as CSV");
  auto* savePlotButton = new QPushButton("Save plot…", this);
  savePlotButton->setObjectName("SavePlotButton");
  savePlotButton->setToolTip("Save the plot of the groups as SVG, PNG or PDF");
  row->addWidget(saveResultButton);
  row->addWidget(savePlotButton);
  layout->addLayout(row);

  connect(m_seed, &QLineEdit::textChanged, this, [this] { seedEdited(); });
  connect(saveResultButton, &QPushButton::clicked, this, [this] {
    if (const auto& r = m_dispatcher.lastResult()) {
      saveResult(window(), *r, m_dispatcher.lastRun());
    } else {
      m_pValues->setText("Nothing to save yet: run an analysis first");
      m_pValues->show();
    }
  });
  connect(savePlotButton, &QPushButton::clicked, this, [this] { saveGroupPlot(window()); });
}

void ResultsPanel::seedEdited() {
  try {
    m_dispatcher.setNextSeed(seedFromText(m_seed->text().toStdString()));
    m_seed->setStyleSheet("");
    m_seed->setProperty("refused", false);
  } catch (const std::exception& e) {
    // A run never takes another seed than the one shown: it is refused.
    m_dispatcher.refuseSeed(e.what());
    m_seed->setStyleSheet("QLineEdit { border: 2px solid #b00020; }");
    m_seed->setProperty("refused", true);
    m_seed->setToolTip(QString::fromStdString(e.what()));
  }
}

void ResultsPanel::showResult(const AnalysisResult& result) {
  std::string line = pValueLine(result);
  m_pValues->setText(QString::fromStdString(line));
  m_pValues->setVisible(!line.empty());
  m_resultFiles = filesOf(m_dispatcher.lastRun());
  m_hasResult = true;
  setStale(false);
  if (result.resampling) {
    histogramWindow().showResult(*result.resampling, actionLabel(result.action),
                                 histogramCaption(result, m_dispatcher.lastRun()));
  }
  if (result.components) {
    componentsWindow().showResult(*result.components, [this](int group, Index row) {
      return m_dispatcher.specimenIdentifier(group, row);
    });
  }
}

void ResultsPanel::markStale() {
  if (m_hasResult) {
    setStale(true);
  }
}

void ResultsPanel::setStale(bool stale) {
  m_stale = stale;
  std::string note = "for the data loaded before: " + m_resultFiles;
  m_staleNote->setText(QString::fromStdString("The result above is " + note +
                                              "; run an analysis for the groups loaded now"));
  m_staleNote->setVisible(stale);
  m_pValues->setEnabled(!stale);
  if (m_resultBox) {
    QPalette faded = m_resultPalette;
    faded.setColor(QPalette::Text, m_resultPalette.color(QPalette::Disabled, QPalette::Text));
    m_resultBox->setPalette(stale ? faded : m_resultPalette);
    m_resultBox->setProperty("stale", stale);
  }
  if (HistogramWindow* h = existingHistogramWindow(); stale && h) {
    h->markStale("These histograms are " + note);
  }
}

ResultsPanel& attachResultsPanel(QMainWindow& window, Dispatcher& dispatcher) {
  auto* resultBox = window.findChild<QPlainTextEdit*>("ResBox");
  QWidget* row = window.findChild<QWidget*>("ResultsRow");
  ResultsPanel* panel = nullptr;
  if (row && row->layout()) {
    panel = new ResultsPanel(dispatcher, resultBox, row);
    row->layout()->addWidget(panel);
    panel->show();  // at once, so that the window's minimum size counts it
  } else {
    auto* dock = new QDockWidget("Results", &window);
    dock->setObjectName("ResultsDock");
    dock->setFeatures(QDockWidget::NoDockWidgetFeatures);
    dock->setTitleBarWidget(new QWidget(dock));
    panel = new ResultsPanel(dispatcher, resultBox, dock);
    dock->setWidget(panel);
    window.addDockWidget(Qt::BottomDockWidgetArea, dock);
  }
  dispatcher.setResultDataSink([panel](const AnalysisResult& r) { panel->showResult(r); });
  dispatcher.setDataChangedSink([panel] { panel->markStale(); });
  return *panel;
}

}  // namespace vexmoor
