// The window's kept results: the p-value line below the result box, the
// seed for the next run, the one histogram window, results marked once the
// data change, and saving results and plots.
#include <qcustomplot.h>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>
#include <sstream>

#include "graphics/message_box.h"
#include "shell/shell_fixture.h"
#include "shell/views/histogram_window.h"
#include "shell/views/result_saving.h"

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

  // A seed beyond 2^64 − 1 is refused with the interface's words, as every
  // door refuses it; no run takes another seed than the one shown.
  void aSeedBeyondTheLargestIsRefused() {
    auto* seed = mainWidget()->findChild<QLineEdit*>("SeedBox");
    QVERIFY(seed->width() >= seed->fontMetrics().horizontalAdvance(QString(20, '0')));
    m_fx.click("AngleButton");
    std::string before = m_fx.string("ResBox");
    for (const char* big : {"18446744073709551616", "99999999999999999999"}) {
      seed->setText(big);
      m_fx.click("PermuteButton");
      QVERIFY(m_fx.statusIsError());
      QCOMPARE(m_fx.status(),
               "Random shuffle test of angle failed: the seed must be a whole "
               "number from 0 to 18446744073709551615; " +
                   std::string(big) + " is out of range");
      QCOMPARE(m_fx.string("ResBox"), before);
    }
    seed->setText("18446744073709551615");
    m_fx.click("PermuteButton");
    QVERIFY2(m_fx.status().ends_with("; seed 18446744073709551615"), m_fx.status().c_str());
  }

  // After other data or Clear data the result box, the p-values and the
  // histograms say that they are the earlier data's.
  void resultsOfEarlierDataAreMarked() {
    m_fx.click("BootButton");
    auto* note = mainWidget()->findChild<QLabel*>("StaleNote");
    auto* resBox = mainWidget()->findChild<QPlainTextEdit*>("ResBox");
    QVERIFY(note && note->isHidden() && !resBox->property("stale").toBool());
    m_fx.answer(ShellFixture::example("gorilla/gorf.txt"));
    m_fx.dispatcher().mezeysw("LoadData2");
    QVERIFY(!note->isHidden());
    QVERIFY(note->text().contains("for the data loaded before: gorf.txt, gorm.txt"));
    QVERIFY(resBox->property("stale").toBool());
    QVERIFY(existingHistogramWindow()->stale());
    QVERIFY(!mainWidget()->findChild<QLabel*>("PValueLine")->isEnabled());
    m_fx.click("BootButton");
    QVERIFY(note->isHidden() && !existingHistogramWindow()->stale());
    m_fx.click("ClearButton");
    QVERIFY(!note->isHidden());
    QVERIFY(note->text().contains("gorf.txt, gorf.txt"));
  }

  // The histograms' note names the files of the run they show, not those
  // of a later result.
  void theHistogramNoteNamesTheirOwnRun() {
    const std::string formats = VEXMOOR_TEST_DATA "/formats/";
    m_fx.click("BootButton");
    m_fx.click("ClearButton");
    m_fx.answer(formats + "gorf.csv");
    m_fx.dispatcher().mezeysw("LoadData1");
    m_fx.answer(formats + "gorm.csv");
    m_fx.dispatcher().mezeysw("LoadData2");
    m_fx.click("AngleButton");
    m_fx.click("ClearButton");
    m_fx.answer(formats + "gorf.tps");
    m_fx.dispatcher().mezeysw("LoadData1");
    HistogramWindow* h = existingHistogramWindow();
    QVERIFY(h->stale());
    QCOMPARE(h->findChild<QLabel*>("StaleNote")->text(),
             QString("These histograms are for the data loaded before: gorf.txt, gorm.txt"));
  }

  // A save that cannot be made says why in the user's words, in a box
  // that stays in front of the window until it is read.
  void aFailedSaveSaysWhyInAModalBox() {
    m_fx.control("NumberABox").set("String", textValue("2"));
    m_fx.click("PcButton");
    auto* save = mainWidget()->findChild<QPushButton*>("SaveResultButton");
    m_fx.answerSave(SaveDialogAnswer{path("pc.csv"), "Result text (*.txt)"});
    save->click();
    QCOMPARE(m_fx.messageBoxes().back(),
             std::string("Principal components draws no replicates; save its text or JSON "
                         "instead"));
    graphics::setMessageBoxHook(nullptr);
    m_fx.answerSave(SaveDialogAnswer{path("pc.csv"), "Result text (*.txt)"});
    save->click();
    auto* box = mainWidget()->findChild<QMessageBox*>();
    QVERIFY(box && box->isVisible());
    QCOMPARE(box->windowModality(), Qt::WindowModal);
    box->close();
  }

  // The histograms: the metric beside the angle, titled with the test's
  // name, and a caption with files, settings and p-values.
  void theHistogramsShowTheMetricAndACaption() {
    m_fx.click("RangeButton");
    HistogramWindow* h = existingHistogramWindow();
    QVERIFY(h);
    QVERIFY2(h->windowTitle().contains("Range of angle test"), qPrintable(h->windowTitle()));
    QCOMPARE(h->plot().axisRects().size(), 6);  // group 1, group 2, random: angle and metric
    QString caption;
    for (int i = 0; i < h->plot().plotLayout()->elementCount(); ++i) {
      if (auto* t = dynamic_cast<QCPTextElement*>(h->plot().plotLayout()->elementAt(i))) {
        caption = t->text();
      }
    }
    QVERIFY2(caption.startsWith("gorf.txt, gorm.txt · k = 2 · v = 1 · seed "), qPrintable(caption));
    QVERIFY(caption.contains(" · partial warps\np-values: angle above group1 "));
  }

  // Saves start where the last file was, take the filter's extension and
  // say in the status line what they wrote; the file dialog names its group.
  void savesTakeTheFilterExtensionAndSaySo() {
    QCOMPARE(m_fx.requests().back().group, 2);
    m_fx.click("PermuteButton");
    m_fx.answerSave(SaveDialogAnswer{path("result"), "JSON (*.json)"});
    mainWidget()->findChild<QPushButton*>("SaveResultButton")->click();
    QCOMPARE(m_fx.saveRequests().back().defaultName,
             std::string(VEXMOOR_EXAMPLES) + "/gorilla/result.txt");
    QVERIFY(slurp(path("result.json")).starts_with("{"));
    QCOMPARE(m_fx.status(), "Saved the result as JSON to " + path("result.json"));
    m_fx.answerSave(SaveDialogAnswer{path("plot"), "PNG (*.png)"});
    mainWidget()->findChild<QPushButton*>("SavePlotButton")->click();
    QVERIFY(slurp(path("plot.png")).starts_with("\x89PNG"));
    QCOMPARE(m_fx.status(), "Saved the plot to " + path("plot.png"));
    // The next dialog starts where the last file was saved.
    m_fx.answerSave(std::nullopt);
    mainWidget()->findChild<QPushButton*>("SavePlotButton")->click();
    QCOMPARE(m_fx.saveRequests().back().defaultName, path("plot.svg"));
  }

  void resultsAndPlotsAreSaved() {
    m_fx.click("RangeButton");
    const std::optional<RunOutput>& output = m_fx.dispatcher().lastOutput();
    QVERIFY(output && output->result.resampling);
    saveResultAs(path("r.txt"), ResultFormat::kText, *output);
    QCOMPARE(slurp(path("r.txt")), m_fx.string("ResBox") + "\n");
    saveResultAs(path("r.json"), ResultFormat::kJson, *output);
    QVERIFY(slurp(path("r.json")).find("/gorilla/gorf.txt\"") != std::string::npos);
    saveResultAs(path("r.csv"), ResultFormat::kReplicatesCsv, *output);
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
