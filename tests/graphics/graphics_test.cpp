#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <thread>

#include "graphics/graphics_system.h"
#include "graphics/layout_loader.h"
#include "graphics/message_box.h"
#include "graphics/plotting.h"
#include "graphics/print_picture.h"
#include "graphics/view_geometry.h"
#include "runtime/error.h"

using namespace vexmoor::graphics;
using vexmoor::Error;
using vexmoor::Index;
using vexmoor::Matrix;
using vexmoor::scalarValue;
using vexmoor::textValue;
using vexmoor::Value;

namespace {

// A small form with one control of each kind and an axes.
constexpr const char* kForm = R"(<?xml version="1.0" encoding="UTF-8"?>
<ui version="4.0">
 <widget class="QMainWindow" name="TestWindow">
  <widget class="QWidget" name="central">
   <layout class="QVBoxLayout" name="layout">
    <item><widget class="QPushButton" name="GoButton">
      <property name="text"><string>Go</string></property>
      <property name="Callback" stdset="0"><string>doIt('go')</string></property>
    </widget></item>
    <item><widget class="QCheckBox" name="Flag"><property name="text"><string>Flag</string></property></widget></item>
    <item><widget class="QLineEdit" name="Number"><property name="text"><string>3.6</string></property></widget></item>
    <item><widget class="QComboBox" name="Choice">
      <item><property name="text"><string>one</string></property></item>
      <item><property name="text"><string>two</string></property></item>
    </widget></item>
    <item><widget class="QPlainTextEdit" name="Box"/></item>
    <item><widget class="QWidget" name="PlotHere"><property name="Type" stdset="0"><string>axes</string></property></widget></item>
   </layout>
  </widget>
 </widget>
</ui>
)";

double number(const Value& v) {
  return std::get<Matrix>(v)(0);
}

std::string text(const Value& v) {
  return std::get<std::string>(v);
}

template <class F>
QString errorOf(F f) {
  try {
    f();
  } catch (const Error& e) {
    return e.what();
  }
  return {};
}

}  // namespace

class GraphicsTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir m_dir;

  Figure& loadForm() {
    QString path = m_dir.filePath("form.ui");
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(kForm);
    f.close();
    Figure& fig = loadLayoutWindow(path.toStdString());
    fig.window()->resize(500, 600);
    fig.window()->show();
    return fig;
  }

  static GraphicsObject& tagged(std::string_view tag) {
    std::vector<Handle> found = graphics().findByTag(tag);
    if (found.empty()) {
      throw Error("no object tagged " + std::string(tag));
    }
    return graphics().object(found.front());
  }

 private slots:
  void initTestCase() { QGuiApplication::setQuitOnLastWindowClosed(false); }

  void cleanup() {
    graphics().closeAll();
    graphics().setCallbackHandler(nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  void plotStylesSetColourMarkerAndLineStyle() {
    PlotStyle s = parsePlotStyle("bo");
    QVERIFY(s.color == (Rgb{0, 0, 1}));
    QCOMPARE(*s.marker, std::string("o"));
    QVERIFY(!s.lineStyle);
    QCOMPARE(*parsePlotStyle("k.").marker, std::string("."));
    QCOMPARE(*parsePlotStyle("r-.").lineStyle, std::string("-."));
    QVERIFY(!parsePlotStyle("r-.").marker);
    QCOMPARE(*parsePlotStyle("g--p").lineStyle, std::string("--"));
    QCOMPARE(*parsePlotStyle("g--p").marker, std::string("p"));
    QCOMPARE(errorOf([] { parsePlotStyle("bz"); }),
             QString("invalid plot style \"bz\": \"z\" is not a colour, marker or line "
                     "style"));
    QVERIFY(!errorOf([] { parsePlotStyle("bor"); }).isEmpty());
  }

  void equalUnitsContainTheDataAndShareTheScale() {
    auto r = equalUnitRanges({0, 10}, {0, 1}, 200, 200);
    QCOMPARE(r[0], (Range{0, 10}));
    QCOMPARE(r[1].span(), 10.0);
    QCOMPARE(0.5 * (r[1].lo + r[1].hi), 0.5);
    r = equalUnitRanges({0, 1}, {-4, 4}, 400, 100);
    QVERIFY(std::abs(r[0].span() / 400 - r[1].span() / 100) < 1e-12);
    QVERIFY(r[1].lo <= -4 && r[1].hi >= 4 && r[0].lo <= 0 && r[0].hi >= 1);
    QCOMPARE(boundsOf(std::vector<double>{5, 5}), (Range{4, 6}));
    QCOMPARE(boundsOf(std::vector<double>{NAN}), (Range{0, 1}));
    View3D top{0, 90};
    auto p = top.project(1, 2, 3);
    QVERIFY(std::abs(p[0] - 1) < 1e-12 && std::abs(p[1] - 2) < 1e-12);
    View3D front{0, 0};
    p = front.project(1, 2, 3);
    QVERIFY(std::abs(p[0] - 1) < 1e-12 && std::abs(p[1] - 3) < 1e-12);
    QCOMPARE(View3D{}.dragged(0, 400).elevation, 90.0);
  }

  void handlesTypesAndChildren() {
    Axes& axes = graphics().gca();
    Figure& fig = axes.figure();
    QCOMPARE(fig.handle(), 1.0);
    QVERIFY(axes.handle() != std::floor(axes.handle()));
    Line& a = plot(axes, {1}, {2}, "bo");
    axes.setHold(true);
    Line& b = plot(axes, {3}, {4}, "rs");
    QCOMPARE(text(a.get("Type")), std::string("line"));
    QCOMPARE(text(fig.get("type")), std::string("figure"));
    Matrix children = std::get<Matrix>(axes.get("Children"));
    QCOMPARE(children.size(), Index(2));
    QCOMPARE(children(0), b.handle());  // newest first
    QCOMPARE(number(b.get("Parent")), axes.handle());
    b.set("Tag", textValue("second"));
    QCOMPARE(graphics().findByTag("second"), std::vector<Handle>{b.handle()});
    QCOMPARE(errorOf([&] { b.set("Type", textValue("axes")); }),
             QString("the \"Type\" property of a line object is read-only"));
    QCOMPARE(errorOf([&] { b.get("Colour"); }),
             QString("there is no \"Colour\" property of a line object"));
    // The object is freed by remove(): keep its handle, not the reference.
    Handle removed = a.handle();
    graphics().remove(removed);
    QVERIFY(!graphics().isHandle(removed));
    QCOMPARE(std::get<Matrix>(axes.get("Children")).size(), Index(1));
    QCOMPARE(errorOf([&] { graphics().object(12345.5); }).left(32),
             QString("invalid or deleted graphics obje"));
  }

  void linePropertiesAndTheirChecks() {
    Line& l = plot(graphics().gca(), {1, 2}, {3, 4}, "r*");
    QCOMPARE(text(l.get("LineStyle")), std::string("none"));
    QCOMPARE(text(l.get("MarkerFaceColor")), std::string("none"));
    QCOMPARE(text(l.get("markeredgecolor")), std::string("auto"));
    l.set("MarkerFaceColor", l.get("Color"));
    QCOMPARE(std::get<Matrix>(l.get("MarkerFaceColor")), std::get<Matrix>(l.get("Color")));
    l.set("MarkerEdgeColor", textValue("k"));
    QCOMPARE(std::get<Matrix>(l.get("MarkerEdgeColor")).sum(), 0.0);
    l.set("MarkerSize", scalarValue(3));
    QVERIFY(!errorOf([&] { l.set("MarkerSize", scalarValue(-1)); }).isEmpty());
    QCOMPARE(number(l.get("MarkerSize")), 3.0);
    QVERIFY(!errorOf([&] { l.set("Color", scalarValue(2)); }).isEmpty());
    QVERIFY(!errorOf([&] { l.set("XData", scalarValue(2)); }).isEmpty());
    QVERIFY(!errorOf([] { plot(graphics().gca(), {1, 2}, {3}, "r"); }).isEmpty());
    Line& line = plot(graphics().gca(), {1, 2}, {3, 4}, "");
    QCOMPARE(text(line.get("LineStyle")), std::string("-"));
    QCOMPARE(text(line.get("Marker")), std::string("none"));
  }

  void holdAddsAndClearingEmpties() {
    Axes& axes = graphics().gca();
    plot(axes, {1}, {1}, "bo");
    plot(axes, {2}, {2}, "bo");
    QCOMPARE(axes.children().size(), size_t(1));  // not held: replaced
    axes.setHold(true);
    for (int i = 0; i < 99; ++i) {
      plot(axes, {double(i)}, {double(i)}, "bo");
    }
    QCOMPARE(axes.children().size(), size_t(100));
    QCOMPARE(axes.linePlottableCount(), 1);  // one style, one plottable
    plot(axes, {0}, {0}, "rs");
    plot(axes, {0}, {0}, "bo");
    QCOMPARE(axes.linePlottableCount(), 3);
    plot(axes, {0, 1}, {0, 1}, "b-");
    plot(axes, {0, 1}, {0, 1}, "b-");
    QCOMPARE(axes.linePlottableCount(), 5);  // joined lines are never merged
    graphics().removeChildren(axes);
    QCOMPARE(axes.linePlottableCount(), 0);
    QCOMPARE(std::get<Matrix>(axes.get("Children")).size(), Index(0));
  }

  void equalScalingSurvivesEveryResize() {
    Figure& fig = graphics().newPlotWindow();
    Axes& axes = graphics().gca();
    axes.setHold(true);
    plot(axes, {0, 10}, {0, 1}, "ko");
    axis(axes, "auto");
    axis(axes, "equal");
    for (QSize size : {QSize(600, 300), QSize(300, 600), QSize(450, 450)}) {
      fig.window()->resize(size);
      QCoreApplication::processEvents();
      auto [x, y] = axes.shownLimits();
      QRect area = axes.canvas()->axisRect()->rect();
      QVERIFY2(std::abs(x.span() / area.width() - y.span() / area.height()) <
                   1e-9 * x.span() / area.width(),
               qPrintable(QString("at %1x%2").arg(size.width()).arg(size.height())));
      QVERIFY(x.lo <= 0 && x.hi >= 10 && y.lo <= 0 && y.hi >= 1);
    }
    axes.setLimits({2, 3}, {0, 1});
    QCOMPARE(text(axes.get("XLimMode")), std::string("manual"));
    axes.set("XLim", Matrix{{-1.0, 1.0}});
    QVERIFY(std::abs(std::get<Matrix>(axes.get("XLim"))(0) + 1) < 1e-9 ||
            std::get<Matrix>(axes.get("XLim"))(0) < -1);
    axis(axes, "auto");
    QCOMPARE(text(axes.get("XLimMode")), std::string("auto"));
    QVERIFY(!errorOf([&] { axis(axes, "tight"); }).isEmpty());
  }

  void positionsInUnitsAndThePrintPlace() {
    Figure& fig = graphics().newPlotWindow();
    fig.window()->resize(400, 300);
    QCoreApplication::processEvents();
    fig.set("Units", textValue("pixels"));
    Matrix px = std::get<Matrix>(fig.get("Position"));
    QCOMPARE(px(2), 400.0);
    QCOMPARE(px(3), 300.0);
    fig.set("Units", textValue("characters"));
    Matrix ch = std::get<Matrix>(fig.get("Position"));
    QVERIFY(ch(2) > 10 && ch(2) < 400);
    fig.set("Position", ch);
    fig.set("Units", textValue("pixels"));
    Matrix back = std::get<Matrix>(fig.get("Position"));
    QVERIFY((back - px).cwiseAbs().maxCoeff() <= 1.0);
    QVERIFY(!errorOf([&] { fig.set("Units", textValue("furlongs")); }).isEmpty());
    QVERIFY(!errorOf([&] { fig.set("Position", scalarValue(1)); }).isEmpty());

    Axes& axes = graphics().gca();
    plot(axes, {1}, {1}, "bo");
    axes.replotNow();
    axes.set("Units", textValue("normalized"));
    Value before = axes.get("Position");
    Matrix n = std::get<Matrix>(before);
    QVERIFY(n(0) > 0 && n(0) < 1 && n(2) > 0.5 && n(2) <= 1);
    axes.set("Position", Matrix{{0.3, 0.3, 0.4, 0.4}});
    QVERIFY(axes.printBox().has_value());
    axes.set("Position", before);
    QVERIFY(!axes.printBox().has_value());
  }

  void layoutControlsAreObjectsWithProperties() {
    Figure& fig = loadForm();
    QCOMPARE(fig.tag(), std::string("TestWindow"));
    QCOMPARE(text(tagged("GoButton").get("Style")), std::string("pushbutton"));
    QCOMPARE(text(tagged("Flag").get("Style")), std::string("checkbox"));
    QCOMPARE(text(tagged("Choice").get("Style")), std::string("popupmenu"));
    QCOMPARE(text(tagged("PlotHere").get("Type")), std::string("axes"));
    QCOMPARE(fig.currentAxes()->handle(), tagged("PlotHere").handle());

    GraphicsObject& flag = tagged("Flag");
    QCOMPARE(number(flag.get("Value")), 0.0);
    flag.set("Value", scalarValue(1));
    QVERIFY(qobject_cast<QCheckBox*>(static_cast<UiControl&>(flag).widget())->isChecked());
    flag.set("Enable", textValue("Off"));
    QCOMPARE(text(flag.get("Enable")), std::string("off"));
    QVERIFY(!errorOf([&] { flag.set("Enable", textValue("maybe")); }).isEmpty());

    GraphicsObject& number_ = tagged("Number");
    QCOMPARE(text(number_.get("String")), std::string("3.6"));
    GraphicsObject& box = tagged("Box");
    box.set("String", textValue("a\nb"));
    QCOMPARE(text(box.get("String")), std::string("a\nb"));
    GraphicsObject& choice = tagged("Choice");
    QCOMPARE(number(choice.get("Value")), 1.0);
    QCOMPARE(text(choice.get("String")), std::string("one|two"));
    choice.set("Value", scalarValue(2));
    QCOMPARE(number(choice.get("Value")), 2.0);
    QCOMPARE(errorOf([&] { choice.set("Value", scalarValue(3)); }),
             QString("property \"Value\" of a drop-down list of 2 items must be from 1 to 2"));
    // Far beyond an int: refused the same way, not converted out of range.
    for (double far : {1e300, -1e300, 4294967298.0}) {
      QCOMPARE(errorOf([&] { choice.set("Value", scalarValue(far)); }),
               QString("property \"Value\" of a drop-down list of 2 items must be from 1 to 2"));
    }
    QCOMPARE(number(choice.get("Value")), 2.0);
  }

  void plotsIntoAMainWindowWithoutAxesGoToItsCentralArea() {
    Figure& fig = loadForm();
    graphics().remove(tagged("PlotHere").handle());
    QCOMPARE(fig.currentAxes(), nullptr);
    Axes& axes = graphics().gca();
    QCOMPARE(&axes.figure(), &fig);
    QCOMPARE(axes.tag(), std::string());
    QVERIFY(axes.canvas()->parentWidget() == fig.window()->findChild<QWidget*>("central"));
    plot(axes, {1}, {1}, "bo");
    QCOMPARE(axes.linePlottableCount(), 1);
  }

  void aClickRunsTheCallbackWithItsObjectAndWindow() {
    Figure& fig = loadForm();
    graphics().newPlotWindow();  // another window is current
    std::vector<std::string> seen;
    Handle object = 0;
    Handle current = 0;
    graphics().setCallbackHandler([&](Handle, const std::string& text) {
      seen.push_back(text);
      object = graphics().callbackObject();
      current = graphics().currentFigure()->handle();
    });
    auto* button = qobject_cast<QPushButton*>(static_cast<UiControl&>(tagged("GoButton")).widget());
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(seen, std::vector<std::string>{"doIt('go')"});
    QCOMPARE(object, tagged("GoButton").handle());
    QCOMPARE(current, fig.handle());
    QCOMPARE(graphics().callbackObject(), 0.0);
    // No callback text: nothing runs.
    graphics().runCallback(tagged("Flag").handle());
    QCOMPARE(seen.size(), size_t(1));
  }

  void closingAWindowForgetsEverythingInIt() {
    Figure& fig = loadForm();
    Handle h = fig.handle();
    Handle button = tagged("GoButton").handle();
    fig.window()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!graphics().isHandle(h));
    QVERIFY(!graphics().isHandle(button));
    QVERIFY(graphics().findByTag("GoButton").empty());
    QCOMPARE(graphics().currentFigure(), nullptr);
  }

  void aLayoutThatCannotBeReadNamesTheFile() {
    QCOMPARE(errorOf([] { loadLayoutWindow("/nonexistent/x.fig"); }).left(52),
             QString("cannot open layout file \"/nonexistent/x.fig\": No suc"));
    QString path = m_dir.filePath("bad.ui");
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write("not a form");
    f.close();
    QVERIFY(errorOf([&] {
              loadLayoutWindow(path.toStdString());
            }).startsWith("cannot read layout file"));
    QVERIFY(graphics().figures().empty());
  }

  void printedPicturesHoldThePlot() {
    Figure& fig = graphics().newPlotWindow();
    fig.window()->resize(400, 300);
    Axes& axes = graphics().gca();
    axes.setHold(true);
    for (int i = 0; i < 20; ++i) {
      plot(axes, {double(i)}, {double(i % 5)}, "rs");
    }
    QByteArray svg = figureSvg(fig);
    QVERIFY(svg.contains("<svg"));
    // Vectors: each square marker is an element of its own.
    QVERIFY(svg.count("<rect") >= 20);
    QVERIFY(svg.contains("stroke=\"#ff0000\""));
    QImage image = figureImage(fig);
    QCOMPARE(image.size(), QSize(400, 300));
    int red = 0;
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) {
        QColor c = image.pixelColor(x, y);
        red += c.red() > 200 && c.green() < 80 && c.blue() < 80;
      }
    }
    QVERIFY(red > 20);
    copyFigureToClipboard(fig);
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    QVERIFY(mime);
    QVERIFY(mime->data("image/svg+xml").contains("<svg"));
    QVERIFY(mime->hasImage());
  }

  void threeDimensionalLinesRotateWithTheMouse() {
    Figure& fig = graphics().newPlotWindow();
    fig.window()->resize(400, 400);
    Axes& axes = graphics().gca();
    plot3(axes, {0, 1, 0}, {0, 0, 1}, {0, 0, 0}, "gp");
    QVERIFY(axes.is3D());
    QCOMPARE(axes.view().azimuth, -37.5);
    QVERIFY(QTest::qWaitForWindowExposed(fig.window()));
    axes.replotNow();
    QWidget* canvas = axes.canvas();
    QTest::mousePress(canvas, Qt::LeftButton, {}, QPoint(200, 200));
    QMouseEvent move(QEvent::MouseMove, QPointF(240, 180), canvas->mapToGlobal(QPointF(240, 180)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(canvas, &move);
    QTest::mouseRelease(canvas, Qt::LeftButton, {}, QPoint(240, 180));
    QCOMPARE(axes.view().azimuth, -57.5);
    QCOMPARE(axes.view().elevation, 20.0);
    Matrix view = std::get<Matrix>(axes.get("View"));
    QCOMPARE(view(0), -57.5);
    QImage image = figureImage(fig);
    int green = 0;
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) {
        QColor c = image.pixelColor(x, y);
        green += c.green() > 200 && c.red() < 80 && c.blue() < 80;
      }
    }
    QVERIFY(green > 10);
  }

  void messageBoxesFromAWorkerReachTheGuiThread() {
    std::vector<std::string> texts;
    bool onGuiThread = false;
    setMessageBoxHook([&](const std::string& text, const std::string&) {
      texts.push_back(text);
      onGuiThread = QThread::currentThread() == QCoreApplication::instance()->thread();
    });
    std::atomic<bool> returned{false};
    std::thread worker([&] {
      messageBox("from the worker");
      returned = true;
    });
    QTRY_VERIFY(returned.load());
    worker.join();
    setMessageBoxHook(nullptr);
    QCOMPARE(texts, std::vector<std::string>{"from the worker"});
    QVERIFY(onGuiThread);
  }
};

QTEST_MAIN(GraphicsTest)
#include "graphics_test.moc"
