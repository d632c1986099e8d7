// The window's kept results: the p-value line below the result box, the
// seed for the next run, the one histogram window, and saving results and
// plots.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>
#include <sstream>

#include "shell/histogram_window.h"
#include "shell/result_saving.h"
#include "shell_fixture.h"

using namespace vexmoor;

namespace {

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

int histogramWindows() {
  int n = 0;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    n += dynamic_cast<HistogramWindow*>(w) ? 1 : 0;
  }
  return n;
}

}  // namespace

class ResultsWindowTest : public QObject {
  Q_OBJECT

 private:
  ShellFixture m_fx;
  QTemporaryDir m_dir;

  std::string path(const char* name) { return m_dir.filePath(name).toStdString(); }
  QWidget* mainWidget() { return m_fx.mainWindow().window(); }

 private slots:
  void initTestCase() { QGuiApplication::setQuitOnLastWindowClosed(false); }
  void init() {
    m_fx.start();
    m_fx.answer(ShellFixture::example("gorilla/gorf.txt"));
    m_fx.dispatcher().mezeysw("LoadData1");
    m_fx.answer(ShellFixture::example("gorilla/gorm.txt"));
    m_fx.dispatcher().mezeysw("LoadData2");
  }
  void cleanup() { m_fx.stop(); }

  void aSeededRunShowsItsSeedPValuesAndOneHistogramWindow() {
    auto* seed = mainWidget()->findChild<QLineEdit*>("SeedBox");
    QVERIFY(seed);
    seed->setText("42");
    m_fx.click("PermuteButton");
    std::string first = m_fx.string("ResBox");
    QVERIFY2(m_fx.status().ends_with("; seed 42"), m_fx.status().c_str());
    auto* line = mainWidget()->findChild<QLabel*>("PValueLine");
    QVERIFY(line);
    QVERIFY2(line->text().startsWith("p-values: angle below shuffled "),
             line->text().toUtf8().constData());
    QVERIFY(first.find("p-values") == std::string::npos);
    HistogramWindow* histograms = existingHistogramWindow();
    QVERIFY(histograms && histograms->isVisible());

    m_fx.click("PermuteButton");
    QCOMPARE(m_fx.string("ResBox"), first);  // the same seed, the same text
    QCOMPARE(existingHistogramWindow(), histograms);
    QCOMPARE(histogramWindows(), 1);

    seed->clear();
    m_fx.click("AngleButton");
    QCOMPARE(line->text(), QString());
  }

  void resultsAndPlotsAreSaved() {
    m_fx.click("RangeButton");
    const auto& result = m_fx.dispatcher().lastResult();
    QVERIFY(result && result->resampling);
    saveResultAs(path("r.txt"), ResultFormat::kText, *result, m_fx.dispatcher().lastRun());
    QCOMPARE(slurp(path("r.txt")), m_fx.string("ResBox") + "\n");
    saveResultAs(path("r.json"), ResultFormat::kJson, *result, m_fx.dispatcher().lastRun());
    QVERIFY(slurp(path("r.json")).find("\"gorf.txt\"") != std::string::npos);
    saveResultAs(path("r.csv"), ResultFormat::kReplicatesCsv, *result, m_fx.dispatcher().lastRun());
    QVERIFY(slurp(path("r.csv")).starts_with("replicate,angle_group1,angle_group2,"));
    saveHistogramPlotAs(path("h.pdf"));
    QVERIFY(slurp(path("h.pdf")).starts_with("%PDF"));
    saveGroupPlotAs(path("g.svg"));
    QVERIFY(slurp(path("g.svg")).find("<svg") != std::string::npos);
    QVERIFY_THROWS_EXCEPTION(std::exception, saveGroupPlotAs(path("g.gif")));
    QVERIFY_THROWS_EXCEPTION(std::exception, saveHistogramPlotAs(path("missing/h.png")));
  }

  // The buttons ask the save dialog and never wait on a box of their own: a
  // failed save is a message, and the window goes on.
  void theSaveButtonsAskWhereAndReportFailures() {
    m_fx.click("PermuteButton");
    auto button = [&](QWidget* top, const char* name) {
      auto* b = top->findChild<QPushButton*>(name);
      return b;
    };
    QPushButton* saveResultButton = button(mainWidget(), "SaveResultButton");
    QPushButton* savePlotButton = button(mainWidget(), "SavePlotButton");
    QPushButton* saveHistograms = button(existingHistogramWindow(), "SaveHistogramsButton");
    QVERIFY(saveResultButton && savePlotButton && saveHistograms);

    m_fx.answerSave(SaveDialogAnswer{path("b.csv"), "Replicates as CSV (*.csv)"});
    QTest::mouseClick(saveResultButton, Qt::LeftButton);
    QVERIFY(slurp(path("b.csv")).starts_with("replicate,"));
    m_fx.answerSave(SaveDialogAnswer{path("b.png"), ""});
    QTest::mouseClick(savePlotButton, Qt::LeftButton);
    QVERIFY(slurp(path("b.png")).starts_with("\x89PNG"));
    m_fx.answerSave(SaveDialogAnswer{path("missing/h.svg"), ""});
    QTest::mouseClick(saveHistograms, Qt::LeftButton);
    QCOMPARE(m_fx.saveRequests().size(), size_t{3});
    QCOMPARE(m_fx.saveRequests().back().title, std::string("Save histograms"));
    QVERIFY(!m_fx.messageBoxes().empty());
    QVERIFY2(m_fx.messageBoxes().back().find("missing/h.svg") != std::string::npos,
             m_fx.messageBoxes().back().c_str());
    QTest::mouseClick(savePlotButton, Qt::LeftButton);  // no answer: a cancel
    QCOMPARE(m_fx.messageBoxes().size(), size_t{1});
  }
};

QTEST_MAIN(ResultsWindowTest)
#include "results_window_test.moc"
