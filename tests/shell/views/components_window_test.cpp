// The principal-components window: its button and menu entry, one window
// redrawn on every press, its choices, hover names, and its pictures.
#include <qcustomplot.h>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QMainWindow>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>
#include <sstream>

#include "runtime/value.h"
#include "shell/chrome/menu_bar.h"
#include "shell/shell_fixture.h"
#include "shell/views/components_window.h"

using namespace vexmoor;

namespace {

std::string head(const std::string& path, size_t n) {
  std::ifstream in(path, std::ios::binary);
  std::string s(n, '\0');
  in.read(s.data(), static_cast<std::streamsize>(n));
  return s;
}

}  // namespace

class ComponentsWindowTest : public QObject {
  Q_OBJECT

 private:
  ShellFixture m_fx;
  QTemporaryDir m_dir;

  QAction* menuEntry() {
    return menuAction(*qobject_cast<QMainWindow*>(m_fx.mainWindow().window()), "ComponentsAction");
  }

 private slots:
  void initTestCase() { QGuiApplication::setQuitOnLastWindowClosed(false); }
  void init() { m_fx.start(); }
  void cleanup() { m_fx.stop(); }

  void oneWindowFollowsTheSettingsAndDrawsEveryPicture() {
    QCOMPARE(m_fx.enable("PcButton"), std::string("off"));
    m_fx.answer(ShellFixture::example("gorilla/gorf.txt"));
    m_fx.dispatcher().mezeysw("LoadData1");
    QCOMPARE(m_fx.enable("PcButton"), std::string("off"));
    QVERIFY(!menuEntry()->isEnabled());
    m_fx.answer(ShellFixture::example("gorilla/gorm.txt"));
    m_fx.dispatcher().mezeysw("LoadData2");
    QCOMPARE(m_fx.enable("PcButton"), std::string("on"));
    QVERIFY(menuEntry()->isEnabled());

    m_fx.control("NumberABox").set("String", textValue("2"));
    m_fx.click("PcButton");
    QVERIFY2(m_fx.string("ResBox").find("Root sum of squares: 89.02") != std::string::npos,
             m_fx.string("ResBox").c_str());
    ComponentsWindow* w = existingComponentsWindow();
    QVERIFY(w && w->isVisible());
    QVERIFY(!w->statusIsError());
    QVERIFY(w->scorePlot().plottableCount() >= 4);  // two groups, two ellipses
    QVERIFY(w->shapePlot().itemCount() >= 16);      // a vector per landmark, twice
    QVERIFY(w->meetingPlot().axisRectCount() == 4);
    QCOMPARE(w->screePlot().graphCount(), 2);

    // The first specimen of group 1 under the mouse: a plain file names none.
    QVERIFY(QTest::qWaitForWindowExposed(w));
    w->scorePlot().replot(QCustomPlot::rpImmediateRefresh);
    QCPAxisRect* rect = w->scorePlot().axisRects().front();
    QCPGraph* g1 = w->scorePlot().graph(0);
    QVERIFY(g1 && g1->dataCount() == 30);
    double x = g1->data()->at(0)->key, y = g1->data()->at(0)->value;
    QPoint pixel(qRound(rect->axis(QCPAxis::atBottom)->coordToPixel(x)),
                 qRound(rect->axis(QCPAxis::atLeft)->coordToPixel(y)));
    std::optional<std::string> hover = w->scoreTextAt(pixel);
    QVERIFY(hover && hover->starts_with("Group 1 · specimen "));

    // Choices redraw from the result: score axes and a direction of a pair.
    w->findChild<QSpinBox*>("ScoreAxisY")->setValue(3);
    QVERIFY(w->scorePlot()
                .axisRects()
                .front()
                ->axis(QCPAxis::atLeft)
                ->label()
                .startsWith("pooled PC 3"));
    auto* shown = w->findChild<QComboBox*>("ShapeChangeChoice");
    QCOMPARE(shown->count(), 2 * 2 + 2 * 2);
    shown->setCurrentIndex(shown->count() - 1);  // group 2's direction of the largest angle
    QVERIFY(!w->statusIsError());

    // Pressed again with other settings: the same window, redrawn.
    m_fx.control("NumberABox").set("String", textValue("3"));
    m_fx.click("PcButton");
    QCOMPARE(existingComponentsWindow(), w);
    QCOMPARE(shown->count(), 2 * 3 + 2 * 3);
    QCOMPARE(shown->currentText().toStdString().substr(0, 29),
             std::string("group 2, direction of angle 2"));
    QCOMPARE(w->meetingPlot().axisRectCount(), 6);

    // A refused setting leaves the window as it was and says why in red.
    m_fx.control("NumberABox").set("String", textValue("20"));
    m_fx.click("PcButton");
    QVERIFY(m_fx.statusIsError());
    QCOMPARE(shown->count(), 12);

    for (const char* name : {"c.svg", "c.png", "c.pdf"}) {
      std::string path = m_dir.filePath(name).toStdString();
      w->saveAs(path);
      std::string magic = head(path, 4);
      QVERIFY2(magic == "<?xm" || magic == "\x89PNG" || magic == "%PDF", path.c_str());
    }
    w->copyToClipboard();
    QVERIFY(!QApplication::clipboard()->image().isNull());

    m_fx.dispatcher().mezeysw("ClearData");
    QCOMPARE(m_fx.enable("PcButton"), std::string("off"));
  }

  // Once the session moves on (other data, a run with other shape
  // variables, Clear data) the window says whose components it shows and
  // its choices stay idle; its saved page names the run.
  void componentsOfAnEarlierSessionAreMarkedAndIdle() {
    m_fx.answer(ShellFixture::example("gorilla/gorf.txt"));
    m_fx.dispatcher().mezeysw("LoadData1");
    m_fx.answer(ShellFixture::example("gorilla/gorm.txt"));
    m_fx.dispatcher().mezeysw("LoadData2");
    m_fx.control("NumberABox").set("String", textValue("2"));
    m_fx.click("PcButton");
    ComponentsWindow* w = existingComponentsWindow();
    auto* note = w->findChild<QLabel*>("StaleNote");
    auto* axisY = w->findChild<QSpinBox*>("ScoreAxisY");
    QVERIFY(!w->stale() && note->isHidden() && axisY->isEnabled());
    std::string page = m_dir.filePath("page.svg").toStdString();
    w->saveAs(page);
    std::ifstream in(page);
    std::string svg((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    QVERIFY(svg.find("gorf.txt, gorm.txt · k = 2 · partial warps") != std::string::npos);

    auto yLabel = [w] {
      return w->scorePlot().axisRects().front()->axis(QCPAxis::atLeft)->label();
    };
    m_fx.answer(ShellFixture::example("gorilla/gorm.txt"));
    m_fx.dispatcher().mezeysw("LoadData1");
    QVERIFY(w->stale() && !note->isHidden() && !axisY->isEnabled());
    QCOMPARE(note->text(), QString("These principal components are for the data loaded before: "
                                   "gorf.txt, gorm.txt"));
    QString before = yLabel();
    axisY->setValue(3);
    QCOMPARE(yLabel(), before);  // stale data are not drawn again

    m_fx.answer(ShellFixture::example("gorilla/gorf.txt"));
    m_fx.dispatcher().mezeysw("LoadData1");
    m_fx.click("PcButton");
    QVERIFY(!w->stale() && note->isHidden() && axisY->isEnabled());
    m_fx.control("PWButton").set("Value", scalarValue(0));
    m_fx.click("AngleButton");
    QVERIFY(w->stale());
    QCOMPARE(note->text(), QString("These principal components are for other settings than the "
                                   "last run: k = 2 · partial warps"));
    m_fx.click("ClearButton");
    QVERIFY(note->text().endsWith("for the data loaded before: gorf.txt, gorm.txt"));
  }
};

QTEST_MAIN(ComponentsWindowTest)
#include "components_window_test.moc"
