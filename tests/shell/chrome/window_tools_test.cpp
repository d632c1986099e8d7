// The window as a daily tool: menus and shortcuts that reach the same
// actions as the buttons, the results log and the command lines that repeat
// its entries, hover text on plotted points, the superimposed view and the
// way back to the group colours, the load warning, escaped bytes, long
// status lines, the Output box, the status after a non-finite result, the
// key wait that the window never takes, the help pages, and the window's
// layout at its sizes.
#include <QAction>
#include <QDockWidget>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <fstream>
#include <optional>
#include <sstream>

#include "analyses/analysis_actions.h"
#include "compare/analysis_input.h"
#include "graphics/axes.h"
#include "graphics/line_object.h"
#include "io/landmark_file.h"
#include "shell/chrome/help_pages.h"
#include "shell/chrome/menu_bar.h"
#include "shell/session/console_tail.h"
#include "shell/session/status_text.h"
#include "shell/shell_fixture.h"

using namespace vexmoor;

namespace {

std::string gorf() {
  return ShellFixture::example("gorilla/gorf.txt");
}
std::string gorm() {
  return ShellFixture::example("gorilla/gorm.txt");
}

std::vector<std::string> linesOf(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty()) {
      lines.push_back(line);
    }
  }
  return lines;
}

// Standard output of a shell command line.
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

size_t count(const std::string& text, std::string_view what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
    ++n;
  }
  return n;
}

}  // namespace

class WindowToolsTest : public QObject {
  Q_OBJECT

 private:
  ShellFixture m_fx;
  QTemporaryDir m_dir;

  QMainWindow& window() { return *qobject_cast<QMainWindow*>(m_fx.mainWindow().window()); }
  QAction* action(const std::string& name) {
    QAction* a = menuAction(window(), name);
    if (!a) {
      qFatal("no menu entry %s", name.c_str());
    }
    return a;
  }
  void loadBoth() {
    m_fx.answer(gorf());
    m_fx.dispatcher().mezeysw("LoadData1");
    m_fx.answer(gorm());
    m_fx.dispatcher().mezeysw("LoadData2");
  }
  // A copy of `source` keeping its first `rows` specimens and dropping
  // the last `dropLandmarks` landmarks (2D).
  std::string derived(const std::string& name, const std::string& source, size_t rows,
                      int dropLandmarks) {
    std::string path = m_dir.filePath(QString::fromStdString(name)).toStdString();
    std::ofstream out(path);
    std::vector<std::string> lines = linesOf(source);
    for (size_t i = 0; i < std::min(rows, lines.size()); ++i) {
      std::istringstream in(lines[i]);
      std::vector<std::string> cells;
      for (std::string c; in >> c;) {
        cells.push_back(c);
      }
      std::string last = cells.back();
      cells.resize(cells.size() - 1 - 2 * static_cast<size_t>(dropLandmarks));
      for (const std::string& c : cells) {
        out << c << ' ';
      }
      out << last << '\n';
    }
    return path;
  }
  ResultsLog& log() { return *m_fx.app().resultsLog(); }

 private slots:
  void initTestCase() {
    QGuiApplication::setQuitOnLastWindowClosed(false);
    QVERIFY(m_dir.isValid());
  }
  void init() { m_fx.start(std::make_unique<InlineRunner>()); }
  void cleanup() { m_fx.stop(); }

  void menusAndShortcutsReachTheButtonsActions() {
    QVERIFY(!action("LoadGroup2Action")->isEnabled());  // as its button, until group 1
    window().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window().window()));
    m_fx.answer(gorf());
    QTest::keyClick(window().window(), Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(m_fx.requests().size(), size_t(1));
    QVERIFY(m_fx.dispatcher().state().data(1) != nullptr);
    QVERIFY(action("LoadGroup2Action")->isEnabled());
    m_fx.answer(gorm());
    QTest::keyClick(window().window(), Qt::Key_O, Qt::ControlModifier);
    QVERIFY(m_fx.dispatcher().state().data(2) != nullptr);

    m_fx.control("NumberABox").set("String", textValue("2"));
    m_fx.click("AngleButton");
    std::string byButton = m_fx.string("ResBox");
    m_fx.control("ResBox").set("String", textValue(""));
    action("AngleAction")->trigger();
    QCOMPARE(m_fx.string("ResBox"), byButton);

    const std::pair<const char*, const char*> analyses[] = {
        {"CpcAction", "CPC model hierarchy"},
        {"BootAction", "Bootstrap test of angle"},
        {"BootRangeAction", "Bootstrap range of angle"},
        {"RangeAction", "Range of angle test"},
        {"PermuteAction", "Random shuffle test of angle"},
        {"RandAction", "Randomization test of angle"},
    };
    auto* resBox = qobject_cast<QPlainTextEdit*>(
        dynamic_cast<graphics::UiControl&>(m_fx.control("ResBox")).widget());
    for (const auto& [name, label] : analyses) {
      action(name)->trigger();
      QCoreApplication::processEvents();
      QVERIFY2(resBox->horizontalScrollBar()->maximum() == 0, "no sideways scrolling");
      QVERIFY2(m_fx.status().starts_with(std::string(label) + ": done"), m_fx.status().c_str());
      QCOMPARE(log().entries().back().action, std::string(label));
    }
    QCOMPARE(log().entries().size(), size_t(8));

    action("ClearDataAction")->trigger();
    QCOMPARE(m_fx.string("FileBox1"), std::string("No data loaded"));
    QVERIFY(action("SaveResultAction")->isEnabled());
    QVERIFY(action("SavePlotAction")->isEnabled());
    QCOMPARE(action("SaveResultAction")->shortcut(), QKeySequence(QKeySequence::Save));
    QCOMPARE(action("QuitAction")->shortcut(), QKeySequence(QKeySequence::Quit));
    QCOMPARE(action("FileFormatsAction")->shortcut(), QKeySequence(QKeySequence::HelpContents));
    QVERIFY(helpPageText("File formats").has_value());
    QVERIFY(helpPageText("Behaviour").has_value());
    QVERIFY(aboutText().find("Vexmoor " VEXMOOR_TEST_VERSION) != std::string::npos);
  }

  void theLogKeepsSettingsAndTheSeedThatRepeatsTheRun() {
    loadBoth();
    m_fx.control("NumberABox").set("String", textValue("2.4"));
    m_fx.control("BootBox").set("Value", scalarValue(2));
    m_fx.click("BootButton");
    m_fx.click("AngleButton");
    QCOMPARE(log().entries().size(), size_t(2));
    const LogEntry& boot = log().entries()[0];
    QCOMPARE(boot.action, std::string("Bootstrap test of angle"));
    QCOMPARE(boot.files, (std::vector<std::string>{"gorf.txt", "gorm.txt"}));
    QCOMPARE(boot.components, std::optional<int>(2));
    QCOMPARE(boot.bootValue, std::optional<int>(2));
    QVERIFY(boot.seed.has_value());
    QVERIFY(!log().entries()[1].bootValue && !log().entries()[1].seed);

    // The logged seed repeats the logged result.
    Matrix d1 = readLandmarkFile(gorf()), d2 = readLandmarkFile(gorm());
    AnalysisRequest again;
    again.data1 = &d1;
    again.data2 = &d2;
    again.settings.componentsText = "2.4";
    again.settings.bootValue = 2;
    again.seed = boot.seed;
    QCOMPARE(findAnalysisAction("BootMezeyAngle")->run(again, silentHost()).text, boot.text);

    std::string heading = logHeading(boot);
    QVERIFY2(heading.find("] Bootstrap test of angle · gorf.txt, gorm.txt · k = 2 · v = 2 · seed " +
                          std::to_string(*boot.seed)) != std::string::npos,
             heading.c_str());
    std::string path = m_dir.filePath("log.txt").toStdString();
    log().setSaveDialog([path] { return std::optional<std::string>(path); });
    log().findChild<QPushButton*>("SaveLogButton")->click();
    std::ifstream in(path);
    std::stringstream saved;
    saved << in.rdbuf();
    QCOMPARE(saved.str(), log().text());
    QCOMPARE(count(saved.str(), "] "), size_t(2));
    log().findChild<QPushButton*>("ClearLogButton")->click();
    QVERIFY(log().entries().empty());
    QCOMPARE(m_fx.string("ResBox").empty(), false);  // the result box keeps its text
  }

  void hoveringAPointNamesGroupSpecimenAndLandmark() {
    m_fx.dispatcher().setIdentifierLookup([](int group, Index row) -> std::optional<std::string> {
      if (group == 2) {
        return "M" + std::to_string(row);
      }
      return std::nullopt;
    });
    loadBoth();
    window().resize(900, 700);
    QVERIFY(QTest::qWaitForWindowExposed(window().window()));
    auto& axes = graphics::graphics().gca();
    axes.replotNow();
    PointHover& hover = *m_fx.app().pointHover();
    auto pixelOf = [&](const graphics::Line& l) {
      return QPoint(qRound(axes.canvas()->xAxis->coordToPixel(l.x().front())),
                    qRound(axes.canvas()->yAxis->coordToPixel(l.y().front())));
    };
    Matrix d1 = readLandmarkFile(gorf());
    Index k = (d1.cols() - 1) / 2;
    // Group 1, specimen 3, landmark 2: drawn third specimen, second point.
    auto* point = dynamic_cast<graphics::Line*>(axes.children()[static_cast<size_t>(2 * k + 1)]);
    QVERIFY(point);
    QCOMPARE(hover.textAt(pixelOf(*point)),
             std::optional<std::string>("Group 1 · specimen 3 · landmark 2"));
    // The last line is group 2's mean of the last landmark; group 2 names its
    // specimens.
    auto* mean = dynamic_cast<graphics::Line*>(axes.children().back());
    QCOMPARE(hover.textAt(pixelOf(*mean)),
             std::optional<std::string>("Group 2 mean · landmark " + std::to_string(k)));
    const PointLabel* first2 = nullptr;
    for (graphics::GraphicsObject* o : axes.children()) {
      const PointLabel* l = m_fx.dispatcher().pointLabels().find(o->handle());
      if (l && l->group == 2 && l->specimen == 1 && l->landmark == 1) {
        first2 = l;
      }
    }
    QVERIFY(first2);
    QCOMPARE(hoverText(*first2), std::string("Group 2 · specimen M1 · landmark 1"));
    QCOMPARE(hover.textAt(QPoint(-100, -100)), std::optional<std::string>());
    m_fx.dispatcher().mezeysw("ClearData");
    QCOMPARE(m_fx.dispatcher().pointLabels().size(), size_t(0));
  }

  void aSecondGroupOfOtherLandmarksLoadsWithAWarning() {
    m_fx.answer(gorf());
    m_fx.dispatcher().mezeysw("LoadData1");
    m_fx.answer(derived("seven.txt", gorm(), 100, 1));
    m_fx.dispatcher().mezeysw("LoadData2");
    QVERIFY(m_fx.dispatcher().state().data(2) != nullptr);
    QCOMPARE(m_fx.status(),
             std::string("Group 2 loaded from seven.txt; warning: group 1 has 8 landmarks and "
                         "group 2 has 7 (17 and 15 columns): the analyses need the same "
                         "landmarks in both groups"));
    QVERIFY(!m_fx.statusIsError());
    m_fx.answer(gorm());
    m_fx.dispatcher().mezeysw("LoadData2");
    QCOMPARE(m_fx.status(), std::string("Group 2 loaded from gorm.txt"));
  }

  void messagesShowNoRawBytes() {
    std::string odd = m_dir.filePath("odd\x7f\x01name.txt").toStdString();
    std::ofstream(odd) << std::ifstream(gorf()).rdbuf();
    m_fx.answer(odd);
    m_fx.dispatcher().mezeysw("LoadData1");
    QCOMPARE(m_fx.status(), std::string("Group 1 loaded from odd\\x7f\\x01name.txt"));
    m_fx.app().shell().reportError("Load group 1", "token \"a\x1b[31m\" here");
    QCOMPARE(m_fx.status(), std::string("Load group 1 failed: token \"a\\x1b[31m\" here"));
    QVERIFY(m_fx.console().find("token \"a\\x1b[31m\" here\n") != std::string::npos);
    // Already escaped tokens are not escaped again.
    m_fx.app().shell().showStatus("file \"a\\x7f.txt\"", false);
    QCOMPARE(m_fx.status(), std::string("file \"a\\x7f.txt\""));
    QCOMPARE(displayText("two\nlines \x07", true), std::string("two\nlines \\x07"));
    std::ostringstream sink;
    GuiHost host(sink);
    host.messageBox("bad \x02 byte\nsecond line");
    QCOMPARE(m_fx.messageBoxes().back(), std::string("bad \\x02 byte\nsecond line"));
  }

  void aSingularCpcResultSaysSoAndTheKeyWaitIsSkipped() {
    // The status reads the result's values, never its text.
    AnalysisResult angle;
    angle.text = "Infinity of NaNs";
    angle.observed = ObservedStatistics{12.5, 127.28, 1.9, 11.0, std::nullopt};
    QCOMPARE(doneStatus("DoMezeyAngle", angle), std::string("done"));
    angle.observed->runtimeAngle = std::nan("");
    QCOMPARE(doneStatus("RangeMezeyAngle", angle),
             std::string("done; some values are not finite (NaN or Inf), see the result"));
    AnalysisResult cpc;
    cpc.models = ModelHierarchy{};
    cpc.models->aicWeight = RowVector::Constant(4, 0.25);
    QCOMPARE(doneStatus("RunCPC", cpc), std::string("done"));
    cpc.models->identical.aic = -HUGE_VAL;
    QCOMPARE(doneStatus("RunCPC", cpc),
             std::string("done; the covariance matrices are singular, see the notes"));

    loadBoth();
    m_fx.click("CpcButton");
    QCOMPARE(m_fx.status(), std::string("CPC model hierarchy: done"));
    // One skipped wait per partial model: 12 variables, 10 partial models.
    QCOMPARE(count(m_fx.console(), std::string(kKeyWaitSkipped) + "\n"), size_t(10));

    m_fx.answer(derived("few1.txt", gorf(), 6, 0));
    m_fx.dispatcher().mezeysw("LoadData1");
    m_fx.answer(derived("few2.txt", gorm(), 6, 0));
    m_fx.dispatcher().mezeysw("LoadData2");
    m_fx.click("CpcButton");
    // No more specimens than variables: refused at once, not a table of noise.
    QVERIFY(m_fx.statusIsError());
    QVERIFY(m_fx.status().find("group 1 has 6 specimens for 12 variables") != std::string::npos);
  }

  void degenerateReplicatesAreNamedInTheStatusLine() {
    QCOMPARE(noteStatus(""), std::string());
    QCOMPARE(noteStatus("Note: 3 of the 100 group 2 replicates compared x."),
             std::string("; 3 of the 100 group 2 replicates compared x"));
    m_fx.answer(gorf());
    m_fx.dispatcher().mezeysw("LoadData1");
    m_fx.answer(derived("two.txt", gorm(), 2, 0));
    m_fx.dispatcher().mezeysw("LoadData2");
    m_fx.control("NumberABox").set("String", textValue("1"));
    m_fx.click("BootButton");
    QVERIFY2(m_fx.status().find(" of the 100 group 2 replicates compared a sample with fewer "
                                "independent directions than the 1 component asked for") !=
                 std::string::npos,
             m_fx.status().c_str());
  }

  // The status line and the log give the k the analysis used, and say when
  // it is not the number typed.
  void theComponentsAreReadAsTheAnalysesReadThem() {
    loadBoth();
    struct Case {
      const char* typed;
      const char* note;
      int k;
    };
    for (const Case& c :
         {Case{" 2.5 ", "; k = 3 used", 3}, Case{"2.0", "", 2}, Case{"1.4", "; k = 1 used", 1}}) {
      m_fx.control("NumberABox").set("String", textValue(c.typed));
      m_fx.click("AngleButton");
      QCOMPARE(m_fx.status(), "Angle between planes: done" + std::string(c.note));
      QCOMPARE(log().entries().back().components, std::optional<int>(c.k));
    }
  }

  void aSuccessfulActionClearsARedError() {
    m_fx.click("AngleButton");  // no data: fails
    QVERIFY(m_fx.statusIsError());
    m_fx.click("FillButton");  // styling leaves no line of its own
    QVERIFY(!m_fx.statusIsError());
    QCOMPARE(m_fx.status(), std::string());
    // Smaller at its limit stays there quietly.
    m_fx.answer(gorf());
    m_fx.dispatcher().mezeysw("LoadData1");
    for (int i = 0; i < 5; ++i) {
      m_fx.click("SmallerButton");
    }
    QVERIFY(!m_fx.statusIsError());
    auto& axes = graphics::graphics().gca();
    QCOMPARE(std::get<Matrix>(axes.children().front()->get("MarkerSize"))(0), 1.0);
  }

  void theWindowFitsTheScreenAndClipsNothingAtItsMinimum() {
    QRect area = window().screen()->availableGeometry();
    // Wholly on the screen, unless the minimum size itself is larger.
    QVERIFY(window().width() <= area.width() || window().width() == window().minimumWidth());
    QVERIFY(window().height() <= area.height() || window().height() == window().minimumHeight());
    QVERIFY(area.contains(window().frameGeometry().topLeft()));
    window().resize(200, 200);  // asks for less than the minimum
    QVERIFY(QTest::qWaitForWindowExposed(window().window()));
    QCoreApplication::processEvents();
    for (const char* tag :
         {"Pushbutton1", "Pushbutton2", "FileBox1", "FileBox2", "ClearButton", "AngleButton",
          "CpcButton", "BootButton", "BootRangeButton", "RangeButton", "PermuteButton",
          "RandButton", "NumberABox", "BootBox", "ResBox", "CopyButton", "BlackButton"}) {
      auto* w = dynamic_cast<graphics::UiControl&>(m_fx.control(tag)).widget();
      std::string why = std::string(tag) + " " + std::to_string(w->width()) + "x" +
                        std::to_string(w->height()) + " < " +
                        std::to_string(w->minimumSizeHint().width()) + "x" +
                        std::to_string(w->minimumSizeHint().height()) + " in " +
                        std::to_string(window().width()) + "x" + std::to_string(window().height());
      // The least size a layout grants: the one set, else the hint.
      int leastWidth = w->minimumWidth() > 0 ? w->minimumWidth() : w->minimumSizeHint().width();
      int leastHeight = w->minimumHeight() > 0 ? w->minimumHeight() : w->minimumSizeHint().height();
      QVERIFY2(w->width() >= leastWidth && w->height() >= leastHeight, why.c_str());
      QRect inWindow(w->mapTo(&window(), QPoint(0, 0)), w->size());
      QVERIFY2(window().rect().contains(inWindow), tag);
    }
    auto* box = qobject_cast<QPlainTextEdit*>(
        dynamic_cast<graphics::UiControl&>(m_fx.control("FileBox1")).widget());
    QFontMetrics fm(box->font());
    QVERIFY2(box->viewport()->height() >= 3 * fm.lineSpacing(), "three summary lines fit");
  }

  // Every entry names the settings that change its numbers and a command
  // line that prints its text again through vexmoor-batch.
  void theLogRepeatsEveryRunThroughTheBatch() {
    loadBoth();
    m_fx.control("NumberABox").set("String", textValue("1"));
    m_fx.control("BootBox").set("Value", scalarValue(2));
    m_fx.control("PWButton").set("Value", scalarValue(0));
    m_fx.click("BootButton");
    m_fx.control("PWButton").set("Value", scalarValue(1));
    m_fx.click("BootButton");
    m_fx.click("CpcButton");
    QCOMPARE(log().entries().size(), size_t(3));
    QVERIFY(logHeading(log().entries()[0]).ends_with(" · raw coordinates"));
    QVERIFY(logHeading(log().entries()[1]).ends_with(" · partial warps"));
    QVERIFY(log().text().find("\n$ vexmoor-batch BootMezeyAngle ") != std::string::npos);
    for (const LogEntry& e : log().entries()) {
      std::string command = batchCommand(e);
      QVERIFY(command.starts_with("vexmoor-batch "));
      command.replace(0, std::string("vexmoor-batch").size(), shellQuoted(VEXMOOR_BATCH));
      QCOMPARE(outputOf(command + " 2>/dev/null"), e.text + "\n");
    }
    QCOMPARE(shellQuoted("it's a b"), std::string("'it'\\''s a b'"));
    QCOMPARE(shellQuoted("a\x01"
                         "b"),
             std::string("$'a\\x01b'"));
  }

  // The covariance analyses, which have no button, run from the menu, and
  // the log repeats each through the batch.
  void theCovarianceMenuRunsEachAnalysisAsTheBatchDoes() {
    loadBoth();
    m_fx.control("NumberABox").set("String", textValue("2"));
    for (const char* name : {"RelativeEigenanalysis", "CovarianceDistances", "RandomSkewers",
                             "MatrixCorrelation", "CommonSubspace"}) {
      action(std::string(name) + "Action")->trigger();
      QVERIFY2(!m_fx.statusIsError(), m_fx.status().c_str());
      const LogEntry& e = log().entries().back();
      QCOMPARE(m_fx.string("ResBox"), m_fx.dispatcher().lastOutput()->result.text);
      std::string command = batchCommand(e);
      QVERIFY(command.starts_with(std::string("vexmoor-batch ") + name + " "));
      command.replace(0, std::string("vexmoor-batch").size(), shellQuoted(VEXMOOR_BATCH));
      QCOMPARE(outputOf(command + " 2>/dev/null"), e.text + "\n");
    }
    QCOMPARE(log().entries().size(), size_t(5));
  }

  // A long status line is cut at the window's edge, whole in its tooltip
  // and, for failures and warnings, in the results log.
  void longStatusLinesAreCutAndKeptWhole() {
    window().resize(window().minimumSize());
    QVERIFY(QTest::qWaitForWindowExposed(window().window()));
    std::string message(400, 'x');
    m_fx.app().shell().reportError("CPC model hierarchy", message + " advice at the end");
    QCoreApplication::processEvents();
    auto* label = window().findChild<QLabel*>("vexmoorStatusLine");
    QVERIFY(label);
    QVERIFY(label->text().endsWith(QChar(0x2026)));
    QVERIFY(label->toolTip().endsWith("advice at the end"));
    QVERIFY(m_fx.status().ends_with("advice at the end"));
    QVERIFY(window().width() == window().minimumWidth());
    QCOMPARE(log().entries().back().action, std::string("CPC model hierarchy failed"));
    QCOMPARE(log().entries().back().text, message + " advice at the end");
  }

  // The Output box shows the console lines of the last action only, at
  // most the last 2,000.
  void theOutputBoxShowsTheLastActionsConsole() {
    loadBoth();
    m_fx.click("AngleButton");
    QVERIFY(m_fx.string("OutBox").find("stempd =") != std::string::npos);
    m_fx.click("ClearButton");
    QCOMPARE(m_fx.string("OutBox"), std::string("\n \n \n \n"));
    GuiHost quiet(nullptr);
    ConsoleTail tail(quiet, 3);
    tail.consoleWrite("1\n2\n3");
    tail.consoleWrite("\n4\n5");
    QCOMPARE(tail.text(), std::string("3\n4\n5"));
    tail.clear();
    QVERIFY(!tail.written() && tail.text().empty());
  }

  // The specimens as the analyses see them, and back; Black, then the
  // group colours again.
  void theSuperimposedViewAndTheGroupColours() {
    loadBoth();
    action("SuperimposedViewAction")->trigger();
    QCOMPARE(m_fx.plotMismatch(), std::string());
    Matrix d1 = readLandmarkFile(gorf()), d2 = readLandmarkFile(gorm());
    Matrix fitted = superimposedGroups({{&d1, "group 1"}, {&d2, "group 2"}}, silentHost())[0];
    auto* first = dynamic_cast<graphics::Line*>(m_fx.groupAxes().children().front());
    QCOMPARE(first->x().front(), fitted(0, 0));
    QVERIFY2(m_fx.status().starts_with("Plot: the specimens superimposed"), m_fx.status().c_str());
    m_fx.click("BlackButton");
    m_fx.answer(gorm());
    m_fx.dispatcher().mezeysw("LoadData2");  // redrawn: the black markers stay
    auto* last = dynamic_cast<graphics::Line*>(m_fx.groupAxes().children().back());
    QCOMPARE(last->style().markerEdge.kind, graphics::ColorSpec::Kind::kRgb);
    window().findChild<QPushButton*>("ColoursButton")->click();
    QCOMPARE(last->style().markerEdge.kind, graphics::ColorSpec::Kind::kAuto);
    QCOMPARE(last->style().markerFace.rgb, last->style().color);
    action("RawViewAction")->trigger();
    QCOMPARE(m_fx.plotMismatch(), std::string());
  }

  // The Behaviour page tells the user what and why, not the test names.
  void theBehaviourPageShowsNoTestNames() {
    std::string page = helpPageText("Behaviour").value_or("");
    QVERIFY(page.find("| behaviour | why |\n") != std::string::npos);
    QVERIFY(page.find("LandmarkFile.") == std::string::npos);
    QVERIFY(page.find("monkey walk") == std::string::npos);
    QCOMPARE(forReaders("a\n<!-- developers -->\nb\n<!-- /developers -->\n| x | test |\n|---|---|\n"
                        "| 1 | `T.t` |\nc\n"),
             std::string("a\n| x |\n|---|\n| 1 |\nc\n"));
  }

  // The p-values and the seed row span the window under the result box at
  // the default and the least size, overlapping nothing.
  void theResultsRowFitsAtEverySize() {
    loadBoth();
    m_fx.click("RangeButton");
    for (QSize size : {window().size(), QSize(900, 650), QSize(1, 1)}) {
      window().resize(size);
      QCoreApplication::processEvents();
      QVERIFY(window().width() >= window().minimumWidth());
      std::vector<QWidget*> shown;
      for (const char* name : {"PValueLine", "SeedBox", "SaveResultButton", "SavePlotButton",
                               "ResBox", "OutBox", "FileBox1", "FileBox2", "Pushbutton1",
                               "Pushbutton2", "ClearButton", "ThreeD", "Suppress3"}) {
        auto* w = window().findChild<QWidget*>(name);
        QVERIFY2(w && w->isVisible(), name);
        QRect r(w->mapTo(&window(), QPoint(0, 0)), w->size());
        QVERIFY2(window().rect().contains(r), name);
        QVERIFY2(w->height() >= w->minimumSizeHint().height() || w->height() >= w->minimumHeight(),
                 name);
        for (QWidget* other : shown) {
          QRect o(other->mapTo(&window(), QPoint(0, 0)), other->size());
          QVERIFY2(!r.intersects(o),
                   (std::string(name) + " overlaps " + other->objectName().toStdString()).c_str());
        }
        shown.push_back(w);
      }
      auto* line = window().findChild<QLabel*>("PValueLine");
      QVERIFY(line->width() > window().width() / 2);
    }
  }
};

QTEST_MAIN(WindowToolsTest)
#include "window_tools_test.moc"
