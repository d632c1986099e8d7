#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <random>
#include <thread>

#include "runtime/error.h"
#include "shell/shell_fixture.h"

using namespace vexmoor;

namespace {

// A long run that takes its steps until it finishes or is cancelled;
// halfway it asks for a message box, as the statistics do.
std::atomic<int> g_stepsTaken{0};
std::atomic<bool> g_finishAlone{true};
std::atomic<bool> g_fail{false};
constexpr int kSteps = 40;

RunOutput fakeLongRun(const RunGroups& groups, const RunSettings& settings, Host& host,
                      Progress* progress) {
  if (groups.groups.size() != 2 || !progress) {
    throw Error("the fake run needs two groups and a progress");
  }
  for (int i = 0; i < 100000; ++i) {
    if (progress->cancelRequested()) {
      throw Cancelled();
    }
    if (g_finishAlone && i == kSteps) {
      break;
    }
    progress->report(i, kSteps);
    if (i == 3) {
      host.messageBox("message from the worker");
      host.consoleWrite("console line from the worker\n");
    }
    if (i == 5 && g_fail) {
      throw Error("the fake computation failed");
    }
    g_stepsTaken = i + 1;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  RunOutput output;
  output.result.action = settings.action;
  output.result.text = "fake result with v = " + std::to_string(settings.bootValue);
  return output;
}

// Only its name and kind count: the run is the fake's.
AnalysisResult unused(const AnalysisRequest&, Host&) {
  throw Error("the fake action runs through the fake run");
}

constexpr AnalysisAction kFake{"FakeLong", true, true, &unused};

const AnalysisAction* lookup(std::string_view name) {
  return name == kFake.name ? &kFake : findAnalysisAction(name);
}

// Watches for a modal file dialog: when one opens it is noted and
// dismissed with Escape, as a user who changed their mind would.
class FileDialogWatch : public QObject {
 public:
  int seen = 0;
  FileDialogWatch() {
    m_timer.setInterval(20);
    QObject::connect(&m_timer, &QTimer::timeout, this, [this] {
      if (auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
          d && d->isVisible()) {
        ++seen;
        QTest::keyClick(d, Qt::Key_Escape);
      }
    });
    m_timer.start();
  }

 private:
  QTimer m_timer;
};

QProgressDialog* progressDialog() {
  return qobject_cast<QProgressDialog*>(QApplication::activeModalWidget());
}

// Counts the paint events of a widget.
class PaintCounter : public QObject {
 public:
  int count = 0;
  bool eventFilter(QObject*, QEvent* e) override {
    count += e->type() == QEvent::Paint;
    return false;
  }
};

}  // namespace

class LongActionTest : public QObject {
  Q_OBJECT

 private:
  ShellFixture m_fx;

  void useTheFakeRun() {
    m_fx.dispatcher().setActionLookup(lookup);
    m_fx.dispatcher().setAnalysisRun(fakeLongRun);
  }

  void startWithGroups() {
    m_fx.start();
    useTheFakeRun();
    m_fx.answer(ShellFixture::example("gorilla/gorf.txt"));
    m_fx.dispatcher().mezeysw("LoadData1");
    m_fx.answer(ShellFixture::example("gorilla/gorm.txt"));
    m_fx.dispatcher().mezeysw("LoadData2");
    m_fx.control("ResBox").set("String", textValue("earlier result"));
    m_fx.control("BootBox").set("Value", scalarValue(3));
    // The fake action runs from a button like the real ones.
    m_fx.control("BootButton").set("Callback", textValue("mezeysw('FakeLong')"));
    g_stepsTaken = 0;
    g_finishAlone = true;
    g_fail = false;
  }

 private slots:
  void initTestCase() { QGuiApplication::setQuitOnLastWindowClosed(false); }
  void cleanup() { m_fx.stop(); }

  void theWorkRunsBehindAProgressDialogWhileTheWindowPaints() {
    startWithGroups();
    PaintCounter paints;
    auto* resBox = qobject_cast<QPlainTextEdit*>(
        dynamic_cast<graphics::UiControl&>(m_fx.control("ResBox")).widget());
    resBox->viewport()->installEventFilter(&paints);
    QVERIFY(QTest::qWaitForWindowExposed(m_fx.mainWindow().window()));

    bool dialogSeen = false;
    bool refused = false;
    int paintsDuringRun = 0;
    QTimer::singleShot(100, [&] {
      QProgressDialog* d = progressDialog();
      dialogSeen = d && d->isVisible() && d->labelText().startsWith("FakeLong");
      refused = !m_fx.dispatcher().busy() ? false : [&] {
        try {
          m_fx.dispatcher().mezeysw("DoMezeyAngle");
        } catch (const Error& e) {
          return std::string(e.what()).starts_with("another action is still running");
        }
        return false;
      }();
      paints.count = 0;
      resBox->viewport()->update();
    });
    QTimer::singleShot(250, [&] { paintsDuringRun = paints.count; });
    m_fx.click("BootButton");

    QVERIFY(dialogSeen);
    QVERIFY(refused);
    QVERIFY2(paintsDuringRun > 0, "the window did not paint while the work ran");
    QCOMPARE(g_stepsTaken.load(), kSteps);
    QCOMPARE(m_fx.string("ResBox"), std::string("fake result with v = 3"));
    QCOMPARE(m_fx.messageBoxes(), std::vector<std::string>{"message from the worker"});
    QVERIFY(m_fx.console().find("console line from the worker") != std::string::npos);
    QVERIFY(!progressDialog());
    QVERIFY(!m_fx.dispatcher().busy());
  }

  void cancelLeavesEveryBoxAsItWas() {
    startWithGroups();
    g_finishAlone = false;
    std::string file1 = m_fx.string("FileBox1");
    QTimer::singleShot(150, [&] {
      QProgressDialog* d = progressDialog();
      QVERIFY(d);
      auto* cancel = d->findChild<QPushButton*>();
      QVERIFY(cancel);
      QTest::mouseClick(cancel, Qt::LeftButton);
    });
    m_fx.click("BootButton");
    QVERIFY(g_stepsTaken.load() > 0);
    QVERIFY(g_stepsTaken.load() < 100000);
    QCOMPARE(m_fx.string("ResBox"), std::string("earlier result"));
    QCOMPARE(m_fx.string("FileBox1"), file1);
    QCOMPARE(m_fx.status(), std::string("FakeLong cancelled; nothing changed"));
    QVERIFY(!m_fx.statusIsError());
    QVERIFY(!progressDialog());
    // The next action runs as usual.
    g_finishAlone = true;
    m_fx.click("BootButton");
    QCOMPARE(m_fx.string("ResBox"), std::string("fake result with v = 3"));
  }

  void anErrorInTheWorkerReachesTheWindow() {
    startWithGroups();
    g_fail = true;
    m_fx.click("BootButton");
    QCOMPARE(m_fx.string("ResBox"), std::string("earlier result"));
    QVERIFY(m_fx.statusIsError());
    QCOMPARE(m_fx.status(), std::string("FakeLong failed: the fake computation failed"));
    QVERIFY(m_fx.console().find("the fake computation failed\n") != std::string::npos);
    QVERIFY(!m_fx.dispatcher().busy());
  }

  void theInlineRunnerNeedsNoDialog() {
    m_fx.start(std::make_unique<InlineRunner>());
    useTheFakeRun();
    m_fx.answer(ShellFixture::example("gorilla/gorf.txt"));
    m_fx.dispatcher().mezeysw("LoadData1");
    m_fx.answer(ShellFixture::example("gorilla/gorm.txt"));
    m_fx.dispatcher().mezeysw("LoadData2");
    g_finishAlone = true;
    g_fail = false;
    m_fx.dispatcher().mezeysw("FakeLong");
    QCOMPARE(m_fx.string("ResBox"), std::string("fake result with v = 1"));
  }
  // The reported sequence: a completed run, the result copied with the
  // keyboard, runs again; none may end as cancelled, and the file dialog
  // still opens afterwards.
  void runsAfterCopyingTheResultAreNotCancelled() {
    m_fx.start();
    m_fx.answer(ShellFixture::example("gorilla/gorf.txt"));
    m_fx.dispatcher().mezeysw("LoadData1");
    m_fx.answer(ShellFixture::example("gorilla/gorm.txt"));
    m_fx.dispatcher().mezeysw("LoadData2");
    m_fx.control("BootBox").set("Value", scalarValue(3));
    QWidget* window = m_fx.mainWindow().window();
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
    auto* resBox = qobject_cast<QPlainTextEdit*>(
        dynamic_cast<graphics::UiControl&>(m_fx.control("ResBox")).widget());

    m_fx.click("BootButton");
    QVERIFY(m_fx.status().starts_with("Bootstrap test of angle: done; seed "));
    for (int run = 0; run < 3; ++run) {
      QTest::mouseClick(resBox->viewport(), Qt::LeftButton);
      QTest::keyClick(resBox, Qt::Key_A, Qt::ControlModifier);
      QTest::keyClick(resBox, Qt::Key_C, Qt::ControlModifier);
      QCOMPARE(QApplication::clipboard()->text().toStdString(), m_fx.string("ResBox"));
      m_fx.click("BootButton");
      QVERIFY(m_fx.status().starts_with("Bootstrap test of angle: done; seed "));
    }
    FileDialogWatch watch;
    m_fx.dispatcher().setFileDialog(qtFileDialog());
    m_fx.click("Pushbutton1");
    QCOMPARE(watch.seen, 1);
  }

  // A seeded random sequence of runs, cancels, dialogs dismissed and
  // clipboard copies: a run nobody cancels always completes, and every
  // dialog opens.
  void aRandomSequenceNeverCancelsOnItsOwn() {
    startWithGroups();
    unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    QWidget* window = m_fx.mainWindow().window();
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
    FileDialogWatch watch;
    auto* resBox = qobject_cast<QPlainTextEdit*>(
        dynamic_cast<graphics::UiControl&>(m_fx.control("ResBox")).widget());
    int dialogsAsked = 0;
    for (int step = 0; step < 24; ++step) {
      std::string where = "seed " + std::to_string(seed) + ", step " + std::to_string(step);
      switch (random() % 5) {
        case 0:  // a run nobody cancels
          g_finishAlone = true;
          m_fx.click("BootButton");
          QVERIFY2(m_fx.status() == "FakeLong: done", (where + ": " + m_fx.status()).c_str());
          break;
        case 1: {  // cancelled with the button or with Escape
          g_finishAlone = false;
          bool escape = random() % 2 == 0;
          QTimer::singleShot(60, [escape] {
            if (QProgressDialog* d = progressDialog()) {
              if (escape) {
                QTest::keyClick(d, Qt::Key_Escape);
              } else {
                QTest::mouseClick(d->findChild<QPushButton*>(), Qt::LeftButton);
              }
            }
          });
          m_fx.click("BootButton");
          QVERIFY2(m_fx.status() == "FakeLong cancelled; nothing changed", where.c_str());
          break;
        }
        case 2:  // the file dialog, dismissed
          m_fx.dispatcher().setFileDialog(qtFileDialog());
          m_fx.click("Pushbutton1");
          QVERIFY2(watch.seen == ++dialogsAsked, where.c_str());
          break;
        case 3:  // the result copied with the keyboard
          QTest::mouseClick(resBox->viewport(), Qt::LeftButton);
          QTest::keyClick(resBox, Qt::Key_A, Qt::ControlModifier);
          QTest::keyClick(resBox, Qt::Key_C, Qt::ControlModifier);
          break;
        default:  // the plot copied
          m_fx.click("CopyButton");
          QVERIFY2(!m_fx.statusIsError(), where.c_str());
      }
      QVERIFY2(!progressDialog(), where.c_str());
      QVERIFY2(!m_fx.dispatcher().busy(), where.c_str());
    }
  }

  // Asking the application's event loops to quit, as closing its last
  // window does, must not make the next run end as cancelled.
  void aRequestToQuitTheLoopsCancelsNothing() {
    startWithGroups();
    QTimer::singleShot(30, [] { QCoreApplication::exit(0); });
    m_fx.click("BootButton");
    QCOMPARE(m_fx.status(), std::string("FakeLong: done"));
    QCOMPARE(g_stepsTaken.load(), kSteps);
  }
};

QTEST_MAIN(LongActionTest)
#include "long_action_test.moc"
