#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>

#include "compare/angle_between_planes.h"
#include "graphics/ui_control.h"
#include "io/landmark_file.h"
#include "runtime/error.h"
#include "shell/shell_fixture.h"
#include "shell/views/result_saving.h"
#include "support/error_message.h"

using namespace vexmoor;

namespace {

const std::string kGorf = ShellFixture::example("gorilla/gorf.txt");
const std::string kGorm = ShellFixture::example("gorilla/gorm.txt");

// Markers of the lines in the main window's axes, in drawing order.
std::vector<std::string> markers(graphics::Figure& window) {
  std::vector<std::string> out;
  for (graphics::GraphicsObject* o : window.currentAxes()->children()) {
    out.push_back(std::get<std::string>(o->get("Marker")));
  }
  return out;
}

size_t count(const std::vector<std::string>& v, const std::string& s) {
  return static_cast<size_t>(std::count(v.begin(), v.end(), s));
}

using vexmoor::testing::anyErrorMessage;

// The angle text computed by the core directly.
std::string expectedAngleText(const std::string& components) {
  Matrix d1 = readLandmarkFile(kGorf);
  Matrix d2 = readLandmarkFile(kGorm);
  AnalysisSettings s;
  s.componentsText = components;
  AnalysisInput in = prepareAnalysis(&d1, &d2, s, ConsensusRounding::kFourDecimals,
                                     ComponentsText::kRead, silentHost());
  return angleBetweenPlanesText(in, silentHost());
}

}  // namespace

class DispatcherTest : public QObject {
  Q_OBJECT

 private:
  ShellFixture m_fx;
  QTemporaryDir m_dir;

  std::string writeFile(const std::string& name, const std::string& content) {
    std::string path = m_dir.filePath(QString::fromStdString(name)).toStdString();
    std::ofstream(path) << content;
    return path;
  }

  void loadBoth() {
    m_fx.answer(kGorf);
    m_fx.dispatcher().mezeysw("LoadData1");
    m_fx.answer(kGorm);
    m_fx.dispatcher().mezeysw("LoadData2");
  }

 private slots:
  void initTestCase() { QGuiApplication::setQuitOnLastWindowClosed(false); }
  void init() { m_fx.start(); }
  void cleanup() { m_fx.stop(); }

  void loadingGroupOneFixesTheDimensionAndPlotsIt() {
    QCOMPARE(m_fx.enable("Pushbutton2"), std::string("off"));
    m_fx.answer(kGorf);
    m_fx.click("Pushbutton1");
    QCOMPARE(m_fx.string("FileBox1"),
             std::string("File gorf.txt \n   30 Samples \n    8 landmarks"));
    QCOMPARE(m_fx.enable("ThreeD"), std::string("off"));
    QCOMPARE(m_fx.enable("Pushbutton2"), std::string("on"));
    QCOMPARE(*m_fx.dispatcher().state().tval, 0.0);
    QCOMPARE(m_fx.dispatcher().state().data(1)->rows(), Index(30));
    std::vector<std::string> m = markers(m_fx.mainWindow());
    QCOMPARE(m.size(), size_t(30 * 8 + 8));
    QCOMPARE(count(m, "o"), size_t(240));
    QCOMPARE(count(m, "<"), size_t(8));
    QCOMPARE(m_fx.requests().size(), size_t(1));
    QCOMPARE(m_fx.requests()[0].title, std::string("Enter file to Load?"));
    QCOMPARE(m_fx.requests()[0].filter, std::string("*.*"));
    QCOMPARE(m_fx.status(), std::string("Group 1 loaded from gorf.txt"));
  }

  void loadingGroupTwoAddsItsPlotAndLeavesTheOtherControls() {
    loadBoth();
    QCOMPARE(m_fx.string("FileBox2"),
             std::string("File gorm.txt \n   29 Samples \n    8 landmarks"));
    std::vector<std::string> m = markers(m_fx.mainWindow());
    QCOMPARE(m.size(), size_t(248 + 29 * 8 + 8));
    QCOMPARE(count(m, "s"), size_t(232));
    QCOMPARE(count(m, "*"), size_t(8));
    // The next dialog opened where the last file was read.
    QCOMPARE(m_fx.requests()[1].folder, std::string(VEXMOOR_EXAMPLES) + "/gorilla");
    QCOMPARE(m_fx.enable("ThreeD"), std::string("off"));
    QCOMPARE(m_fx.enable("Pushbutton2"), std::string("on"));
  }

  void theAngleBetweenPlanesIsWrittenToTheResultBox() {
    loadBoth();
    m_fx.control("NumberABox").set("String", textValue(" 1.6 "));
    m_fx.click("AngleButton");
    std::string text = m_fx.string("ResBox");
    QCOMPARE(text, expectedAngleText("2"));
    QVERIFY(text.starts_with(
        "Results of the Angle between Planes Calculation\nThe angle between the planes was "));
    QVERIFY(text.find(", using 2 components\nMatlab angle ") != std::string::npos);
    QVERIFY(text.find("\nKrzanowskis summed eigenvalue metric:   ") != std::string::npos);
    QVERIFY(m_fx.console().find("stempd =") != std::string::npos);
    QCOMPARE(m_fx.status(), std::string("Angle between planes: done; k = 2 used"));
    QVERIFY(!m_fx.statusIsError());
    m_fx.control("NumberABox").set("String", textValue("2"));
    m_fx.click("AngleButton");
    QCOMPARE(m_fx.string("ResBox"), text);
    QCOMPARE(m_fx.status(), std::string("Angle between planes: done"));
  }

  // Six two-dimensional landmarks are also four three-dimensional ones:
  // the run reads two, and says so on the status line.
  void aDimensionTheRunChoseIsSaid() {
    std::string rows[2];
    for (int g = 0; g < 2; ++g) {
      for (int specimen = 0; specimen < 12; ++specimen) {
        for (int v = 0; v < 12; ++v) {
          rows[g] += std::to_string(v % 3 + std::sin(1.7 * v + specimen + 5.1 * g) / 4) + " ";
        }
        rows[g] += "1\n";
      }
    }
    m_fx.answer(writeFile("six_a.txt", rows[0]));
    m_fx.dispatcher().mezeysw("LoadData1");
    m_fx.answer(writeFile("six_b.txt", rows[1]));
    m_fx.dispatcher().mezeysw("LoadData2");
    m_fx.control("NumberABox").set("String", textValue("2"));
    m_fx.click("AngleButton");
    QVERIFY2(m_fx.status().find("six_a.txt\": its 13 values a line make 6 two-dimensional "
                                "landmarks or 4 three-dimensional ones") != std::string::npos,
             m_fx.status().c_str());
    QVERIFY(!m_fx.statusIsError());
    QVERIFY(m_fx.console().find("six_b.txt\": its 13 values") != std::string::npos);
  }

  void aFailedActionShowsItsErrorAndKeepsTheOldResult() {
    loadBoth();
    m_fx.click("AngleButton");
    std::string result = m_fx.string("ResBox");
    m_fx.control("NumberABox").set("String", textValue("many"));
    m_fx.click("AngleButton");
    QCOMPARE(m_fx.string("ResBox"), result);
    QVERIFY(m_fx.statusIsError());
    QVERIFY(m_fx.status().starts_with("Angle between planes failed: the number of components"));
    QVERIFY(m_fx.console().find("the number of components") != std::string::npos);
    // The next success clears the error.
    m_fx.control("NumberABox").set("String", textValue("2"));
    m_fx.click("AngleButton");
    QVERIFY(!m_fx.statusIsError());
  }

  void everyAnalysisButtonWritesItsText() {
    struct Case {
      const char* button;
      const char* title;
    };
    const Case cases[] = {
        {"AngleButton", "Results of the Angle between Planes Calculation"},
        {"CpcButton", "Results of CPC Analysis"},
        {"BootButton", "Bootstrap Test of Angle"},
        {"BootRangeButton", "Bootstrap Test of Range of Angle"},
        {"RangeButton", "Bootstrap Test of Angle"},
        {"PermuteButton", "Random Shuffle Test of Angle"},
        {"RandButton", "Randomization Test of Angle"},
    };
    loadBoth();
    for (const Case& c : cases) {
      m_fx.control("ResBox").set("String", textValue("old"));
      m_fx.click(c.button);
      QVERIFY2(!m_fx.statusIsError(), m_fx.status().c_str());
      QVERIFY2(m_fx.string("ResBox").starts_with(c.title), c.button);
    }
  }

  void clearDataForgetsTheGroupsAndResetsTheBoxes() {
    loadBoth();
    m_fx.click("AngleButton");
    std::string result = m_fx.string("ResBox");
    m_fx.click("ClearButton");
    QCOMPARE(m_fx.string("FileBox1"), std::string("No data loaded"));
    QCOMPARE(m_fx.string("FileBox2"), std::string("No data loaded"));
    QCOMPARE(m_fx.string("OutBox"), std::string("\n \n \n \n"));
    QVERIFY(m_fx.mainWindow().currentAxes()->children().empty());
    QVERIFY(!m_fx.dispatcher().state().data(1) && !m_fx.dispatcher().state().data(2));
    QCOMPARE(m_fx.enable("ThreeD"), std::string("off"));
    // Group 2 waits for group 1 again, as at the start.
    QCOMPARE(m_fx.enable("Pushbutton2"), std::string("off"));
    QCOMPARE(m_fx.string("ResBox"), result);
    m_fx.click("AngleButton");
    QVERIFY(m_fx.status().find("group 1 is not loaded") != std::string::npos);
  }

  void anUnknownActionCopiesThePlot() {
    loadBoth();
    QGuiApplication::clipboard()->clear();
    m_fx.dispatcher().mezeysw("loaddata1");
    QCOMPARE(m_fx.requests().size(), size_t(2));  // no dialog: not a load
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    QVERIFY(mime && mime->data("image/svg+xml").contains("<svg"));
    QVERIFY(mime->hasImage());
    m_fx.click("CopyButton");
    QCOMPARE(m_fx.status(), std::string("Plot copied to the clipboard"));
  }

  void aCancelledDialogChangesNothing() {
    loadBoth();
    std::string box = m_fx.string("FileBox1");
    size_t lines = m_fx.mainWindow().currentAxes()->children().size();
    m_fx.answer(std::nullopt);
    m_fx.dispatcher().mezeysw("LoadData1");
    QCOMPARE(m_fx.string("FileBox1"), box);
    QCOMPARE(m_fx.dispatcher().state().data(1)->rows(), Index(30));
    QCOMPARE(m_fx.mainWindow().currentAxes()->children().size(), lines);
    QCOMPARE(m_fx.dispatcher().lastFolder(), std::string(VEXMOOR_EXAMPLES) + "/gorilla");
  }

  void aBadFileIsReportedAndTheGroupKept() {
    loadBoth();
    std::string box = m_fx.string("FileBox2");
    m_fx.answer(writeFile("ragged.txt", "1 2 3 4 5\n1 2 3\n"));
    QCOMPARE(anyErrorMessage([&] { m_fx.dispatcher().mezeysw("LoadData2"); }),
             "file \"" + m_dir.filePath("ragged.txt").toStdString() +
                 "\", line 2: 3 numbers where line 1 has 5");
    // A file that could not be read does not move the next dialog.
    QCOMPARE(m_fx.dispatcher().lastFolder(), std::string(VEXMOOR_EXAMPLES) + "/gorilla");
    m_fx.answer(writeFile("wide.txt", "1 2 3 4\n"));
    // The same message as vexmoor-batch gives, naming the file in full.
    QCOMPARE(anyErrorMessage([&] { m_fx.dispatcher().mezeysw("LoadData2"); }),
             "file \"" + m_dir.filePath("wide.txt").toStdString() +
                 "\" has 4 values per line; two-dimensional data need 2k + 1 (k landmarks, then "
                 "a trailing value)");
    // A plain file that fits three-dimensional landmarks says which box.
    m_fx.answer(writeFile("three.txt", "1 2 3 4 5 6 7 8 9 1\n"));
    QVERIFY(anyErrorMessage([&] { m_fx.dispatcher().mezeysw("LoadData2"); })
                .ends_with("tick the box \"Three-dimensional landmarks\" before the first load of "
                           "group 1 (the dimension then holds for the session: restart Vexmoor to "
                           "change it)"));
    QCOMPARE(m_fx.string("FileBox2"), box);
    QCOMPARE(m_fx.dispatcher().state().data(2)->rows(), Index(29));
  }

  void aGroupOfOneShowsNoMean() {
    m_fx.answer(writeFile("one.txt", "0 0 1 0 0 1 5\n"));
    m_fx.dispatcher().mezeysw("LoadData1");
    QCOMPARE(m_fx.string("FileBox1"),
             std::string("File one.txt \n    1 Samples \n    3 landmarks"));
    QCOMPARE(markers(m_fx.mainWindow()), (std::vector<std::string>{"o", "o", "o"}));
  }

  // A load replaces its group's points and its mean's, also with the plot
  // not held; the hover names and the copy see only the loaded groups.
  void reloadingAGroupReplacesItsPointsWhateverTheHold() {
    loadBoth();
    m_fx.answer(writeFile("one.txt", "0 0 1 0 0 1 5\n"));
    m_fx.dispatcher().mezeysw("LoadData2");
    QCOMPARE(markers(m_fx.mainWindow()).size(), size_t(248 + 3));
    QCOMPARE(m_fx.plotMismatch(), std::string());
    m_fx.groupAxes().setHold(false);
    m_fx.answer(kGorm);
    m_fx.dispatcher().mezeysw("LoadData2");
    m_fx.answer(writeFile("one.txt", "0 0 1 0 0 1 5\n"));
    m_fx.dispatcher().mezeysw("LoadData1");
    std::vector<std::string> m = markers(m_fx.mainWindow());
    QCOMPARE(m.size(), size_t(3 + 29 * 8 + 8));
    QCOMPARE(count(m, "o"), size_t(3));
    QCOMPARE(count(m, "s"), size_t(232));
    QCOMPARE(m_fx.plotMismatch(), std::string());
    QCOMPARE(m_fx.dispatcher().pointLabels().size(), m.size());
    m_fx.click("CopyButton");
    QByteArray svg = QGuiApplication::clipboard()->mimeData()->data("image/svg+xml");
    QVERIFY(!svg.isEmpty());
  }

  // Points name their specimens as the file does; the mean marks stand
  // out and come last; the legend names files and markers.
  void thePlotNamesSpecimensAndHasALegend() {
    const std::string formats = VEXMOOR_TEST_DATA "/formats/";
    m_fx.answer(formats + "gorf.tps");
    m_fx.dispatcher().mezeysw("LoadData1");
    m_fx.answer(kGorm);
    m_fx.dispatcher().mezeysw("LoadData2");
    const PointLabel* first =
        m_fx.dispatcher().pointLabels().find(m_fx.groupAxes().children().front()->handle());
    QVERIFY(first);
    QCOMPARE(hoverText(*first), std::string("Group 1 · specimen gorf01 · landmark 1"));
    auto* last = dynamic_cast<graphics::Line*>(m_fx.groupAxes().children().back());
    QCOMPARE(std::get<std::string>(last->get("Marker")), std::string("*"));
    QVERIFY(last->style().markerSize > 3);
    QCPLegend* legend = m_fx.groupAxes().canvas()->legend;
    QVERIFY(legend->visible());
    QCOMPARE(legend->itemCount(), 5);  // the view, then each group and its mean
    m_fx.click("ClearButton");
    QVERIFY(!legend->visible());
  }

  // A file refused for missing values is offered again without them:
  // declined, nothing changes; accepted, the others load.
  void incompleteSpecimensCanBeLeftOut() {
    std::ifstream in(VEXMOOR_TEST_DATA "/formats/gorf.tps");
    std::string tps((std::istreambuf_iterator<char>(in)), {});
    size_t second = tps.find("LM=", tps.find("LM=") + 1);
    size_t line = tps.find('\n', second) + 1;
    tps.replace(line, tps.find('\n', line) - line, "-999 -999");
    const std::string file = writeFile("holes.tps", tps);
    std::vector<std::string> asked;
    bool accept = false;
    m_fx.dispatcher().setDropQuestion([&](const std::string& refusal) {
      asked.push_back(refusal);
      return accept;
    });
    m_fx.answer(file);
    m_fx.dispatcher().mezeysw("LoadData1");
    QCOMPARE(asked.size(), size_t(1));
    QVERIFY(asked[0].find("specimen 2 (\"gorf02\"): landmark 1") != std::string::npos);
    QVERIFY(!m_fx.dispatcher().state().data(1));
    accept = true;
    m_fx.answer(file);
    m_fx.dispatcher().mezeysw("LoadData1");
    QCOMPARE(m_fx.dispatcher().state().data(1)->rows(), Index(29));
    m_fx.answer(kGorm);
    m_fx.dispatcher().mezeysw("LoadData2");
    m_fx.click("AngleButton");
    const RunOutput& out = *m_fx.dispatcher().lastOutput();
    QVERIFY(out.document->at("settings").at("drop_incomplete").get<bool>());
    QVERIFY(out.result.note.find("gorf02") != std::string::npos);
  }

  void groupTwoNeedsGroupOneFirst() {
    QCOMPARE(m_fx.enable("Pushbutton2"), std::string("off"));
    m_fx.click("Pushbutton2");
    QVERIFY(m_fx.requests().empty());
    QVERIFY(anyErrorMessage([&] {
              m_fx.dispatcher().mezeysw("LoadData2");
            }).starts_with("load group 1 first"));
    QVERIFY(m_fx.requests().empty());
  }

  void threeDimensionalLoads() {
    std::string rows;
    for (int i = 0; i < 20; ++i) {
      for (int j = 0; j < 25; ++j) {
        rows += std::to_string((i * 7 + j * 3) % 11) + (j < 24 ? " " : "\n");
      }
    }
    std::string file = writeFile("m.txt", rows);
    m_fx.control("ThreeD").set("Value", scalarValue(1));
    m_fx.control("Suppress3").set("Value", scalarValue(1));
    size_t windows = graphics::graphics().figures().size();
    m_fx.answer(file);
    m_fx.dispatcher().mezeysw("LoadData1");
    QCOMPARE(m_fx.string("FileBox1"),
             std::string("File m.txt \n   20 3D Samples \n    8 landmarks"));
    QCOMPARE(graphics::graphics().figures().size(), windows);
    QCOMPARE(m_fx.enable("Pushbutton2"), std::string("on"));
    // No window of its own, but the main plot shows the consensus.
    QCOMPARE(markers(m_fx.mainWindow()), std::vector<std::string>{"p"});
    auto& pw = dynamic_cast<graphics::UiControl&>(m_fx.control("PWButton"));
    QVERIFY(pw.widget()->isEnabled() && pw.widget()->toolTip().contains("randomization test"));

    // With the consensus plot: a window of its own per load.
    m_fx.control("Suppress3").set("Value", scalarValue(0));
    m_fx.answer(file);
    m_fx.dispatcher().mezeysw("LoadData2");
    QCOMPARE(graphics::graphics().figures().size(), windows + 1);
    graphics::Axes* axes = graphics::graphics().figures().back()->currentAxes();
    QVERIFY(axes && axes->is3D());
    QCOMPARE(axes->children().size(), size_t(1));
    QCOMPARE(std::get<std::string>(axes->children()[0]->get("Marker")), std::string("p"));
    QCOMPARE(std::get<std::string>(graphics::graphics().figures().back()->get("Name")),
             std::string("Group 2 consensus: m.txt"));
    QCOMPARE(axes->canvas()->legend->itemCount(), 1);
    const PointLabel* landmark =
        m_fx.dispatcher().pointLabels().find(axes->children()[0]->handle());
    QVERIFY(landmark);
    QCOMPARE(hoverText(*landmark, 4), std::string("Group 2 consensus · landmark 5"));
    // The main plot draws both consensus shapes, as vexmoor-batch --plot.
    QCOMPARE(m_fx.plotMismatch(), std::string());
    std::vector<std::string> main = markers(m_fx.mainWindow());
    QCOMPARE(main, (std::vector<std::string>{"p", "p"}));
    QCOMPARE(std::get<Matrix>(m_fx.groupAxes().children()[1]->get("Color"))(0), 1.0);
    saveGroupPlotAs(m_dir.filePath("3d.png").toStdString());
    QImage saved(m_dir.filePath("3d.png"));
    int red = 0;
    for (int y = 0; y < saved.height(); ++y) {
      for (int x = 0; x < saved.width(); ++x) {
        QColor c = saved.pixelColor(x, y);
        red += c.red() > 200 && c.green() < 80 && c.blue() < 80;
      }
    }
    QVERIFY2(red > 20, "the saved plot shows group 2's consensus");
    m_fx.answer(kGorf);
    std::string refused = anyErrorMessage([&] { m_fx.dispatcher().mezeysw("LoadData2"); });
    QVERIFY(refused.find("three-dimensional data need 3k + 1") != std::string::npos);
    QVERIFY2(refused.find("\"Three-dimensional landmarks\"") != std::string::npos, refused.c_str());

    // A group the superimposition cannot take fails at load, shown or not,
    // and the group keeps what it held.
    std::string flat(2 * 24 + 1, ' ');
    for (int j = 0; j < 25; ++j) {
      flat[static_cast<size_t>(2 * j)] = j < 24 ? '5' : '1';
    }
    std::string degenerate = writeFile("flat.txt", flat + "\n" + rows);
    Matrix before = *m_fx.dispatcher().state().data(2);
    for (double suppress : {1.0, 0.0}) {
      m_fx.control("Suppress3").set("Value", scalarValue(suppress));
      size_t open = graphics::graphics().figures().size();
      m_fx.answer(degenerate);
      QVERIFY(anyErrorMessage([&] { m_fx.dispatcher().mezeysw("LoadData2"); }).find("coincide") !=
              std::string::npos);
      QCOMPARE(graphics::graphics().figures().size(), open);
      QVERIFY(*m_fx.dispatcher().state().data(2) == before);
    }

    // Two-dimensional groups loaded after them get the box's own tooltip back.
    m_fx.click("ClearButton");
    m_fx.control("ThreeD").set("Value", scalarValue(0));
    m_fx.answer(kGorf);
    m_fx.dispatcher().mezeysw("LoadData1");
    QVERIFY(pw.widget()->toolTip().startsWith("Two-dimensional analyses"));
  }

  void theDimensionIsReadOnlyByTheFirstLoadOfGroupOne() {
    m_fx.answer(std::nullopt);
    m_fx.dispatcher().mezeysw("LoadData1");
    // Cancelled, but the dimension is fixed and the box disabled already.
    QCOMPARE(m_fx.enable("ThreeD"), std::string("off"));
    QCOMPARE(*m_fx.dispatcher().state().tval, 0.0);
    QVERIFY(!m_fx.dispatcher().state().data(1));
  }

  void aFirstLoadFollowsTheDimensionTheFileStates() {
    const std::string formats = VEXMOOR_TEST_DATA "/formats/";
    m_fx.answer(formats + "macf.tps");
    m_fx.dispatcher().mezeysw("LoadData1");
    QCOMPARE(m_fx.value("ThreeD"), 1.0);
    QCOMPARE(*m_fx.dispatcher().state().tval, 1.0);
    QCOMPARE(m_fx.status(),
             std::string("Group 1 loaded from macf.tps (the file is three-dimensional: "
                         "3D box ticked)"));
    QVERIFY(m_fx.string("FileBox1").starts_with("File macf.tps (TPS) \n    9 3D Samples"));
    QCOMPARE(m_fx.dispatcher().state().info(1)->identifiers.front(), std::string("macf01"));
    auto* box = dynamic_cast<graphics::UiControl*>(&m_fx.control("FileBox1"));
    QVERIFY(box->widget()->toolTip().contains("TPS file macf.tps: 9 specimens"));
    QVERIFY(box->widget()->toolTip().contains("macf01, macf02"));
    // A group of the other dimension is refused and the first one kept.
    m_fx.answer(formats + "gorm.csv");
    QCOMPARE(anyErrorMessage([&] { m_fx.dispatcher().mezeysw("LoadData2"); }),
             "file \"" + formats +
                 "gorm.csv\" holds two-dimensional landmarks, but the groups of this run are "
                 "three-dimensional");
    QVERIFY(!m_fx.dispatcher().state().data(2));
  }

  void aTableOfVariablesTakesOnlyTheRawCoordinatePath() {
    const std::string table = ShellFixture::example("measurements/synthetic_a.csv");
    m_fx.answer(table);
    m_fx.dispatcher().mezeysw("LoadData1");
    m_fx.answer(ShellFixture::example("measurements/synthetic_b.csv"));
    m_fx.dispatcher().mezeysw("LoadData2");
    QCOMPARE(m_fx.string("FileBox1"),
             std::string("File synthetic_a.csv (CSV table) \n   32 Samples \n    4 variables"));
    m_fx.control("PWButton").set("Value", scalarValue(1));
    std::string refused = anyErrorMessage([&] { m_fx.dispatcher().mezeysw("RunCPC"); });
    QVERIFY2(refused.starts_with("file \"" + table +
                                 "\" is a table of 4 variables, not landmark "
                                 "configurations; partial warps need landmarks"),
             refused.c_str());
    m_fx.control("PWButton").set("Value", scalarValue(0));
    m_fx.dispatcher().mezeysw("RunCPC");
    QVERIFY(m_fx.string("ResBox").find("     2 CPC:") != std::string::npos);
  }
};

QTEST_MAIN(DispatcherTest)
#include "dispatcher_test.moc"
