#include "shell/views/results_panel.h"

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
#include <cstdio>

#include "api/setting_rules.h"
#include "plot/picture_caption.h"
#include "runtime/error.h"
#include "runtime/text.h"
#include "shell/session/dispatcher.h"
#include "shell/views/components_window.h"
#include "shell/views/histogram_window.h"
#include "shell/views/result_saving.h"
#include "shell/views/stale_note.h"

namespace vexmoor {
namespace {

// Wide enough for the largest seed, 20 digits.
constexpr int kSeedDigits = 20;

}  // namespace

std::optional<std::uint64_t> seedFromText(const std::string& text) {
  if (text.empty()) {
    return std::nullopt;
  }
  return seedSetting(text);
}

ResultsPanel::ResultsPanel(Dispatcher& dispatcher, QPlainTextEdit* resultBox, QWidget* parent)
    : QWidget(parent), m_dispatcher(dispatcher), m_resultBox(resultBox) {
  setObjectName("ResultsPanel");
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
    if (const std::optional<RunOutput>& output = m_dispatcher.lastOutput()) {
      saveResult(window(), *output);
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

void ResultsPanel::showResult(const RunOutput& output, const ShownRun& shown) {
  const AnalysisResult& result = output.result;
  std::string line = pValueLine(result);
  m_pValues->setText(QString::fromStdString(line));
  m_pValues->setVisible(!line.empty());
  showRun(shown);
  if (result.resampling) {
    histogramWindow().showResult(*result.resampling, actionLabel(result.action),
                                 pictureCaption(result, shown.run), shown);
  }
  if (result.components) {
    componentsWindow().showResult(
        *result.components,
        [this](int group, Index row) { return m_dispatcher.specimenIdentifier(group, row); },
        shown);
  }
}

void ResultsPanel::markStale(const std::optional<std::string>& reason) {
  std::string note =
      reason ? "The result above is " + *reason + "; run an analysis for the groups loaded now"
             : "";
  markView(*m_staleNote, {m_resultBox.data()}, note);
  m_pValues->setEnabled(!reason);
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
  return *panel;
}

}  // namespace vexmoor
