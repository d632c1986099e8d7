// A seeded random walk over the real window: buttons, check boxes, edit
// boxes with hostile text, the replicate choice, loads of good and bad files,
// cancels in the middle of a resampling run. After every step the window
// must be alive and responsive, the application state one the actions can
// produce (each group absent or exactly the matrix of a loadable file), and
// the plot must hold exactly the loaded groups' points.
//
// VEXMOOR_MONKEY_ACTIONS (default 600) and VEXMOOR_MONKEY_SEED (default
// fixed) choose the walk; a failure names both and the last steps taken.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <deque>
#include <fstream>
#include <random>

#include "graphics/ui_control.h"
#include "io/landmark_file.h"
#include "shell/chrome/menu_bar.h"
#include "shell_fixture.h"

using namespace vexmoor;

namespace {

int envNumber(const char* name, int fallback) {
  const char* v = std::getenv(name);
  return v && *v ? std::atoi(v) : fallback;
}

void writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// Texts a user (or a cat on the keyboard) may type.
const std::vector<std::string> kHostileTexts = {"",
                                                "2",
                                                "3",
                                                "1.5",
                                                "0",
                                                "-1",
                                                "13",
                                                "1e400",
                                                "NaN",
                                                "inf",
                                                "  4  ",
                                                "2 3",
                                                "two",
                                                "\t",
                                                "1,2",
                                                "99999999999",
                                                "0x10",
                                                "\xC3\xA9t\xC3\xA9",
                                                "\x01\x02",
                                                "\xFF\xFE",
                                                "1e-300",
                                                "-0",
                                                "+.5e1",
                                                "2\n3",
                                                std::string(300, '9'),
                                                "%s%n%d",
                                                "\\x00"};

}  // namespace

class MonkeyTest : public QObject {
  Q_OBJECT

 private:
  ShellFixture m_fx;
  QTemporaryDir m_dir;
  std::vector<std::string> m_files;  // what the file dialog may answer
  std::vector<Matrix> m_loadable;    // the matrices those files can give
  std::deque<std::string> m_recent;  // the last steps, for a failure
  std::mt19937 m_gen;

  std::string path(const char* name) { return (m_dir.path() + "/" + name).toStdString(); }

  void makeFiles() {
    m_files = {ShellFixture::example("gorilla/gorf.txt"), ShellFixture::example("gorilla/gorm.txt"),
               ShellFixture::example("macaque/macf.txt"),
               ShellFixture::example("macaque/macm.txt")};
    std::ifstream in(m_files[0]);
    std::string first;
    std::getline(in, first);
    writeFile(path("empty.txt"), "");
    writeFile(path("ragged.txt"), first + "\n1 2 3\n");
    writeFile(path("nan.txt"), first + "\n" + first.substr(0, 10) + " NaN\n");
    writeFile(path("binary.bin"), std::string("\x7f"
                                              "ELF\0\0\x01\x02\xff\n\x0b",
                                              12));
    writeFile(path("copies.txt"), first + "\n" + first + "\n" + first + "\n");
    writeFile(path("one.txt"), first + "\n");
    for (const char* f : {"empty.txt", "ragged.txt", "nan.txt", "binary.bin", "copies.txt",
                          "one.txt", "missing.txt"}) {
      m_files.push_back(path(f));
    }
    m_files.push_back(m_dir.path().toStdString());  // a folder
    for (const std::string& f : m_files) {
      try {
        m_loadable.push_back(readLandmarkFile(f));
      } catch (const std::exception&) {
      }
    }
  }

  template <typename T>
  std::vector<T*> widgets() {
    QWidget* top = dynamic_cast<graphics::UiControl&>(m_fx.control("ResBox")).widget()->window();
    QList<T*> found = top->findChildren<T*>();
    return std::vector<T*>(found.begin(), found.end());
  }

  template <typename T>
  T* pick(const std::vector<T>& v) {
    return const_cast<T*>(&v[std::uniform_int_distribution<size_t>(0, v.size() - 1)(m_gen)]);
  }

  bool chance(double p) { return std::bernoulli_distribution(p)(m_gen); }

  QMainWindow& window() { return *qobject_cast<QMainWindow*>(m_fx.mainWindow().window()); }

  void note(const std::string& step) {
    m_recent.push_back(step);
    if (m_recent.size() > 12) {
      m_recent.pop_front();
    }
  }

  // The file dialog's next answers: a file of the pool or a cancel; the
  // save dialog's: a cancel, a file of any kind, or a folder that is not there.
  void answerDialogs() {
    for (int i = 0; i < 2; ++i) {
      if (chance(0.1)) {
        m_fx.answer(std::nullopt);
      } else {
        m_fx.answer(*pick(m_files));
      }
    }
    static const std::vector<std::string> kSaved = {
        "out.svg",  "out.png", "out.pdf", "out.txt",
        "out.json", "out.csv", "out.xyz", "no/such/folder/out.svg"};
    if (chance(0.5)) {
      m_fx.answerSave(std::nullopt);
    } else {
      m_fx.answerSave(SaveDialogAnswer{path(pick(kSaved)->c_str()), ""});
    }
  }

  // Cancels the progress dialog of a running resampling after a while.
  void armCancel() {
    int ms = std::uniform_int_distribution<int>(0, 120)(m_gen);
    QTimer::singleShot(ms, [] {
      if (auto* d = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget())) {
        d->cancel();
      }
    });
  }

  void step() {
    switch (std::uniform_int_distribution<int>(0, 9)(m_gen)) {
      case 0:
      case 1:
      case 2:
      case 3: {
        QPushButton* b = *pick(widgets<QPushButton>());
        note("click " + b->objectName().toStdString());
        answerDialogs();
        if (chance(0.3)) {
          armCancel();
        }
        QTest::mouseClick(b, Qt::LeftButton);
        break;
      }
      case 4: {
        QCheckBox* c = *pick(widgets<QCheckBox>());
        note("toggle " + c->objectName().toStdString());
        QTest::mouseClick(c, Qt::LeftButton);
        break;
      }
      case 5:
      case 6: {
        QLineEdit* e = *pick(widgets<QLineEdit>());
        const std::string& t = *pick(kHostileTexts);
        note("type into " + e->objectName().toStdString());
        e->setFocus();
        // Typing goes through the test library's key map, which knows
        // printable ASCII only; other texts are pasted in whole.
        bool typeable =
            std::all_of(t.begin(), t.end(), [](char ch) { return ch >= 0x20 && ch < 0x7f; });
        if (!typeable || chance(0.5)) {
          e->setText(QString::fromUtf8(t.data(), static_cast<int>(t.size())));
        } else {
          e->clear();
          QTest::keyClicks(e, QString::fromUtf8(t.data(), static_cast<int>(t.size())));
        }
        QTest::keyClick(e, Qt::Key_Return);
        break;
      }
      case 7: {
        QPlainTextEdit* e = *pick(widgets<QPlainTextEdit>());
        note("edit " + e->objectName().toStdString());
        if (!e->isReadOnly()) {
          e->setPlainText(QString::fromStdString(*pick(kHostileTexts)));
        }
        break;
      }
      case 8: {
        QComboBox* c = *pick(widgets<QComboBox>());
        // Mostly small replicate counts, so that the walk takes many steps.
        int n = chance(0.9) ? std::min(2, c->count()) : c->count();
        c->setCurrentIndex(std::uniform_int_distribution<int>(0, n - 1)(m_gen));
        note("choose " + c->currentText().toStdString());
        break;
      }
      case 9: {
        if (chance(0.5)) {
          note("copy the plot");
          m_fx.dispatcher().mezeysw("CopyPlot");
        } else {
          QAction* view =
              menuAction(window(), chance(0.5) ? "SuperimposedViewAction" : "RawViewAction");
          note("show " + view->objectName().toStdString());
          view->trigger();
        }
        break;
      }
    }
  }

  std::string where(int i, int seed) {
    std::string s = "seed " + std::to_string(seed) + ", step " + std::to_string(i) + "; last:";
    for (const std::string& r : m_recent) {
      s += " [" + r + "]";
    }
    return s;
  }

  bool stateIsReachable() {
    const ApplicationState& st = m_fx.dispatcher().state();
    auto known = [&](const Matrix* d) {
      if (!d) {
        return true;
      }
      for (const Matrix& m : m_loadable) {
        if (m.rows() == d->rows() && m.cols() == d->cols() && m == *d) {
          return true;
        }
      }
      return false;
    };
    bool flag = !st.tval || *st.tval == 0 || *st.tval == 1;
    return known(st.data(1)) && known(st.data(2)) && flag && !m_fx.dispatcher().busy();
  }

  bool responsive() {
    bool fired = false;
    QTimer::singleShot(0, [&] { fired = true; });
    for (int i = 0; i < 100 && !fired; ++i) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return fired;
  }

 private slots:
  void initTestCase() {
    QGuiApplication::setQuitOnLastWindowClosed(false);
    QVERIFY(m_dir.isValid());
    makeFiles();
  }
  void init() { m_fx.start(); }
  void cleanup() { m_fx.stop(); }

  void randomActionsKeepTheWindowSound() {
    int seed = envNumber("VEXMOOR_MONKEY_SEED", 20261209);
    int actions = envNumber("VEXMOOR_MONKEY_ACTIONS", 600);
    m_gen.seed(static_cast<unsigned>(seed));
    QWidget* window = dynamic_cast<graphics::UiControl&>(m_fx.control("ResBox")).widget()->window();
    for (int i = 1; i <= actions; ++i) {
      step();
      QVERIFY2(window->isVisible(), where(i, seed).c_str());
      QVERIFY2(responsive(), where(i, seed).c_str());
      QVERIFY2(stateIsReachable(), where(i, seed).c_str());
      std::string plot = m_fx.plotMismatch();
      QVERIFY2(plot.empty(), (where(i, seed) + ": " + plot).c_str());
    }
    qInfo("%d actions, seed %d, %zu message boxes, %zu save dialogs, console %zu bytes", actions,
          seed, m_fx.messageBoxes().size(), m_fx.saveRequests().size(), m_fx.console().size());
  }
};

QTEST_MAIN(MonkeyTest)
#include "monkey_test.moc"
