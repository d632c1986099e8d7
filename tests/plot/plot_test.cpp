#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QMimeData>
#include <QPushButton>
#include <QTest>

#include "plot/copy_big_image.h"
#include "plot/plot_styling.h"
#include "plot/showshape.h"
#include "runtime/graphics/graphics_system.h"
#include "runtime/graphics/plotting.h"
#include "runtime/graphics/print_picture.h"

using namespace vexmoor;
namespace g = vexmoor::graphics;

namespace {

std::vector<g::Line*> lines(g::Axes& axes) {
  std::vector<g::Line*> out;
  for (g::GraphicsObject* o : axes.children()) {
    out.push_back(dynamic_cast<g::Line*>(o));
  }
  return out;
}

std::string text(const Value& v) {
  return std::get<std::string>(v);
}

Matrix matrix(const Value& v) {
  return std::get<Matrix>(v);
}

// The columns where the picture has red pixels: [first, last].
std::pair<int, int> redColumns(const QImage& image) {
  int first = image.width(), last = -1;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      QColor c = image.pixelColor(x, y);
      if (c.red() > 200 && c.green() < 80 && c.blue() < 80) {
        first = std::min(first, x);
        last = std::max(last, x);
      }
    }
  }
  return {first, last};
}

}  // namespace

class PlotTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { QGuiApplication::setQuitOnLastWindowClosed(false); }

  void cleanup() {
    g::graphics().closeAll();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  void showshapeDrawsOnePointPerLandmarkAndSkipsTheLastColumn() {
    Matrix x(3, 9);
    for (Index i = 0; i < x.size(); ++i) {
      x(i) = double(i);
    }
    QCOMPARE(showshape(x, "bo"), 1.0);
    g::Axes& axes = g::graphics().gca();
    std::vector<g::Line*> points = lines(axes);
    QCOMPARE(points.size(), size_t(12));
    for (g::Line* p : points) {
      QCOMPARE(p->x().size(), size_t(1));
      QCOMPARE(text(p->get("Marker")), std::string("o"));
      QCOMPARE(text(p->get("LineStyle")), std::string("none"));
      QCOMPARE(matrix(p->get("MarkerSize"))(0), 3.0);
      QCOMPARE(matrix(p->get("Color")), (Matrix{{0.0, 0.0, 1.0}}));
    }
    // Specimen 2, landmark 3: columns 5 and 6 of row 2.
    QCOMPARE(points[6]->x()[0], x(1, 4));
    QCOMPARE(points[6]->y()[0], x(1, 5));
    QVERIFY(axes.hold());
    QVERIFY(axes.equal() && axes.limitsAuto());
  }

  void showshapeAddsToWhatIsThereAndDefaultsToBlackPoints() {
    showshape(Matrix::Ones(1, 5), "rs");
    QCOMPARE(showshape(Matrix::Zero(2, 5)), 1.0);
    std::vector<g::Line*> points = lines(g::graphics().gca());
    QCOMPARE(points.size(), size_t(6));
    QCOMPARE(text(points[0]->get("Marker")), std::string("s"));
    QCOMPARE(text(points[5]->get("Marker")), std::string("."));
    QCOMPARE(matrix(points[5]->get("Color")).sum(), 0.0);
    // A single number or a row without its trailing value.
    QCOMPARE(showshape(Matrix::Ones(1, 1), "b<"), 1.0);
    showshape(Matrix::Ones(1, 4), "r*");
    QCOMPARE(lines(g::graphics().gca()).size(), size_t(7));
  }

  void showshape3DDrawsOneLineThroughEachSpecimen() {
    Matrix specimen(5, 3);
    specimen << 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 1, 1, 1;
    showshape3D(LandmarkArray(specimen), "gp");
    g::Axes& axes = g::graphics().gca();
    QVERIFY(axes.is3D());
    std::vector<g::Line*> l = lines(axes);
    QCOMPARE(l.size(), size_t(1));
    QCOMPARE(l[0]->x().size(), size_t(5));
    QCOMPARE(l[0]->z()[4], 1.0);
    QCOMPARE(text(l[0]->get("Marker")), std::string("p"));
    QCOMPARE(text(l[0]->get("LineStyle")), std::string("none"));
    QCOMPARE(matrix(l[0]->get("Color")), (Matrix{{0.0, 1.0, 0.0}}));

    LandmarkArray three(4, 3, 3);
    showshape3D(three, "gp");
    QCOMPARE(lines(axes).size(), size_t(4));  // held: the first plot stays
    QVERIFY(axes.hold() && axes.equal());
  }

  void fillingFollowsEachLinesOwnColour() {
    showshape(Matrix::Ones(1, 5), "bo");
    showshape(Matrix::Ones(1, 3), "rs");
    g::Handle axes = g::graphics().gca().handle();
    setsymbolfill(axes, 0);
    setsymbolfill(axes, 1);
    for (g::Line* l : lines(g::graphics().gca())) {
      QCOMPARE(matrix(l->get("MarkerFaceColor")), matrix(l->get("Color")));
    }
    setsymbolfill(axes, 0);
    QCOMPARE(text(lines(g::graphics().gca())[0]->get("MarkerFaceColor")), std::string("none"));
  }

  void sizesWidthsAndBlackMarkers() {
    showshape(Matrix::Ones(2, 3), "bo");
    g::Axes& axes = g::graphics().gca();
    g::Line& joined = g::plot(axes, {0, 1}, {0, 1}, "k-");
    incrementsymbolsize(axes.handle(), 2);
    QCOMPARE(matrix(lines(axes)[0]->get("MarkerSize"))(0), 5.0);
    incrementlinethickness(axes.handle(), 1);
    // Points have no line style: their width stays.
    QCOMPARE(matrix(lines(axes)[0]->get("LineWidth"))(0), 0.5);
    QCOMPARE(matrix(joined.get("LineWidth"))(0), 1.5);
    setlinethickness(axes.handle(), 4);
    QCOMPARE(matrix(lines(axes)[1]->get("LineWidth"))(0), 4.0);
    setsymbolbw(axes.handle());
    for (g::Line* l : lines(axes)) {
      QCOMPARE(matrix(l->get("MarkerEdgeColor")).sum(), 0.0);
      QCOMPARE(matrix(l->get("MarkerFaceColor")).sum(), 0.0);
    }
  }

  void stylingAWindowChangesNothing() {
    showshape(Matrix::Ones(1, 5), "bo");
    g::Axes& axes = g::graphics().gca();
    g::Handle window = axes.figure().handle();
    setsymbolbw(window);
    setsymbolfill(window, 1);
    incrementsymbolsize(window, 5);
    QCOMPARE(text(lines(axes)[0]->get("MarkerFaceColor")), std::string("none"));
    QCOMPARE(matrix(lines(axes)[0]->get("MarkerSize"))(0), 3.0);
  }

  void copyBigImageEnlargesThePlotAndRestoresTheWindow() {
    // A window whose axes share it with controls, as the main window does.
    auto* window = new QWidget;
    auto* layout = new QHBoxLayout(window);
    layout->addWidget(new QPushButton("a control"));
    auto* host = new QWidget;
    layout->addWidget(host);
    window->resize(700, 400);
    g::Figure& fig = g::graphics().addWindow(window);
    g::Axes& axes = g::graphics().addAxes(fig, host);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    Matrix x(4, 3);
    x << 0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0;
    showshape(x, "rs");
    axes.replotNow();
    Value position = axes.get("Position");
    Value units = axes.get("Units");
    Value figureUnits = fig.get("Units");
    auto [before, unused] = redColumns(g::figureImage(fig));
    Q_UNUSED(unused);

    CopyBigImage();

    QCOMPARE(matrix(axes.get("Position")), matrix(position));
    QCOMPARE(text(axes.get("Units")), text(units));
    QCOMPARE(text(fig.get("Units")), text(figureUnits));
    QVERIFY(!axes.printBox());
    QVERIFY(axes.limitsAuto() && axes.equal());
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    QVERIFY(mime && mime->hasImage());
    QVERIFY(mime->data("image/svg+xml").contains("<svg"));
    QImage copied = qvariant_cast<QImage>(mime->imageData());
    QCOMPARE(copied.size(), window->size());
    // The controls are left out and the plot fills the window: its markers
    // start nearer the left edge than on the screen.
    auto [first, last] = redColumns(copied);
    QVERIFY2(first < before, qPrintable(QString("%1 vs %2").arg(first).arg(before)));
    QVERIFY(last > first);
  }
};

QTEST_MAIN(PlotTest)
#include "plot_test.moc"
