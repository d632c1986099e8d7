// The window and vexmoor-batch are two doors to one library interface:
// every analysis run through the window (two and three dimensions, raw
// coordinates, TPS files that name their specimens, seeded resampling)
// saves the JSON document that the results log's command line prints with
// --json, and the log's command prints the window's result text.
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "shell/shell_fixture.h"

using namespace vexmoor;
using nlohmann::json;

namespace {

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string outputOf(const std::string& command) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) {
    return out;
  }
  char buffer[4096];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
    out.append(buffer, n);
  }
  pclose(pipe);
  return out;
}

struct Case {
  std::string file1, file2;
  bool threeD = false;  // the box ticked before the first load
  bool partialWarps = true;
  std::vector<std::string> actions;
};

}  // namespace

class WindowBatchParityTest : public QObject {
  Q_OBJECT

 private:
  ShellFixture m_fx;
  QTemporaryDir m_dir;

  // The window's document of `action` on the loaded groups, saved with its
  // Save result button, against the batch's for the log's command line.
  void compareRun(const std::string& action, const std::string& where) {
    m_fx.dispatcher().mezeysw(action);
    QVERIFY2(!m_fx.statusIsError(), (where + ": " + m_fx.status()).c_str());
    std::string saved = m_dir.filePath("result.json").toStdString();
    m_fx.answerSave(SaveDialogAnswer{saved, "JSON (*.json)"});
    m_fx.mainWindow().window()->findChild<QPushButton*>("SaveResultButton")->click();
    json window = json::parse(slurp(saved));

    std::string command = batchCommand(m_fx.app().resultsLog()->entries().back());
    command.replace(0, std::string("vexmoor-batch").size(), shellQuoted(VEXMOOR_BATCH));
    std::string text = outputOf(command + " 2>/dev/null");
    QCOMPARE(text, m_fx.string("ResBox") + "\n");
    // With its console, as the window has one: without, RunCPC finds the
    // partial models' log-likelihoods another way, equal to the printed
    // digits but not to the last bit.
    json batch = json::parse(outputOf(command + " --json --diagnostics 2>/dev/null </dev/null"));
    QVERIFY2(window == batch, (where + ": " + json::diff(batch, window).dump()).c_str());
  }

 private slots:
  void initTestCase() {
    QGuiApplication::setQuitOnLastWindowClosed(false);
    QVERIFY(m_dir.isValid());
  }
  void cleanup() { m_fx.stop(); }

  void everyAnalysisSavesTheBatchsDocument() {
    const std::string formats = VEXMOOR_TEST_DATA "/formats/";
    const std::vector<Case> cases{
        {ShellFixture::example("gorilla/gorf.txt"),
         ShellFixture::example("gorilla/gorm.txt"),
         false,
         true,
         {"DoMezeyAngle", "RunCPC", "BootMezeyAngle", "BootConMezeyAngle", "RangeMezeyAngle",
          "PermuteMezeyAngle", "RandMezeyAngle", "PrincipalComponents"}},
        {ShellFixture::example("gorilla/gorf.txt"),
         ShellFixture::example("gorilla/gorm.txt"),
         false,
         false,
         {"DoMezeyAngle", "RangeMezeyAngle"}},
        {ShellFixture::example("macaque/macf.txt"),
         ShellFixture::example("macaque/macm.txt"),
         true,
         true,
         {"DoMezeyAngle", "RandMezeyAngle", "PrincipalComponents"}},
        {formats + "gorf.tps",
         formats + "gorm.tps",
         false,
         true,
         {"DoMezeyAngle", "PrincipalComponents"}},
        // The window follows the file's dimension, the batch reads it.
        {formats + "macf.tps", formats + "macm.tps", false, true, {"BootMezeyAngle"}},
    };
    for (const Case& c : cases) {
      m_fx.start(std::make_unique<InlineRunner>());
      m_fx.control("ThreeD").set("Value", scalarValue(c.threeD ? 1 : 0));
      m_fx.control("Suppress3").set("Value", scalarValue(1));
      m_fx.answer(c.file1);
      m_fx.dispatcher().mezeysw("LoadData1");
      m_fx.answer(c.file2);
      m_fx.dispatcher().mezeysw("LoadData2");
      m_fx.control("PWButton").set("Value", scalarValue(c.partialWarps ? 1 : 0));
      m_fx.control("NumberABox").set("String", textValue("2"));
      m_fx.mainWindow().window()->findChild<QLineEdit*>("SeedBox")->setText("7");
      for (const std::string& action : c.actions) {
        compareRun(action, c.file1 + " " + action);
      }
      m_fx.stop();
    }
  }
};

QTEST_MAIN(WindowBatchParityTest)
#include "window_batch_parity_test.moc"
