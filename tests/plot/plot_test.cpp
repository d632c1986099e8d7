#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QSvgRenderer>
#include <QTest>

#include "api/analysis_run.h"
#include "batch_picture.h"
#include "graphics/graphics_system.h"
#include "graphics/plotting.h"
#include "graphics/print_picture.h"
#include "plot/component_plots.h"
#include "plot/copy_big_image.h"
#include "plot/group_shapes.h"
#include "plot/picture_caption.h"
#include "plot/picture_file.h"
#include "plot/plot_styling.h"
#include "plot/replicate_histogram.h"
#include "plot/showshape.h"

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

// How much blue ink the picture holds, in pixels of full coverage.
double blueInk(const QImage& image) {
  double ink = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      QColor c = image.pixelColor(x, y);
      ink += std::max(0, c.blue() - c.red()) / 255.0;
    }
  }
  return ink;
}

QImage rendered(PictureFormat format, QSize size, const PicturePainter& paint) {
  QByteArray bytes = pictureBytes(format, size, paint);
  if (format == PictureFormat::kPng) {
    return QImage::fromData(bytes, "PNG");
  }
  QImage image(size * 2, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  QSvgRenderer(bytes).render(&painter);
  return image;
}

RunOutput bundledRun(const std::string& action, bool threeD) {
  std::string folder = std::string(VEXMOOR_EXAMPLES) + (threeD ? "/macaque/mac" : "/gorilla/gor");
  GroupSources sources;
  sources.files = {folder + "f.txt", folder + "m.txt"};
  RunGroups groups = loadGroups(sources, silentHost());
  RunSettings settings;
  settings.action = action;
  settings.threeD = threeD;
  settings.components = "2";
  settings.seed = 5;
  return runAnalysis(groups, settings, silentHost());
}

QRectF textBox(const QCPItemText& t) {
  return QRectF(t.topLeft->pixelPosition(), t.bottomRight->pixelPosition()).normalized();
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

  void meanMarkersLookAlikeOnScreenAndInEveryPictureFormat() {
    g::Axes& axes = g::graphics().gca();
    QWidget* window = axes.figure().window();
    window->resize(300, 300);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    showshape(Matrix{{0, 0, 1}}, "b<");
    showshape(Matrix{{1, 1, 1}}, "bh");
    for (g::Line* l : lines(axes)) {
      l->set("MarkerSize", scalarValue(12));
      l->set("LineWidth", scalarValue(1));
    }
    axes.replotNow();
    // The screen at one pixel a point, the pictures at two.
    double screen = 4 * blueInk(g::figureImage(axes.figure()));
    QSize size = axes.canvas()->size();
    double png = blueInk(rendered(PictureFormat::kPng, size, paintAxes(axes)));
    double svg = blueInk(rendered(PictureFormat::kSvg, size, paintAxes(axes)));
    QVERIFY2(screen > 100, qPrintable(QString::number(screen)));
    for (double ink : {png, svg}) {
      QVERIFY2(std::abs(ink - screen) < 0.15 * screen,
               qPrintable(QString("screen %1, png %2, svg %3").arg(screen).arg(png).arg(svg)));
    }
  }

  void namesShowAsGivenInLegends() {
    // The underscore of a legend row shows: there is ink in its columns.
    for (bool threeD : {false, true}) {
      g::graphics().closeAll();
      g::Axes& axes = g::graphics().gca();
      axes.figure().window()->resize(480, 400);
      axes.figure().window()->show();
      Matrix data = Matrix::Random(4, 9), consensus = Matrix::Random(4, 3);
      std::string name = "sand_1.txt";
      drawGroupShapes(axes, {GroupShapes{&data, name, false, &consensus}, {}}, threeD);
      axes.replotNow();
      QImage image = g::figureImage(axes.figure());
      QCPLegend* legend = axes.canvas()->legend;
      QCPAbstractLegendItem* row = legend->item(threeD ? 0 : 1);
      QString before = QString::fromStdString((threeD ? "Group 1 consensus: " : "Group 1: ") +
                                              name.substr(0, name.find('_')));
      QFontMetrics metrics(legend->font());
      int left = row->rect().left() + legend->iconSize().width() + legend->iconTextPadding() +
                 metrics.horizontalAdvance(before);
      int ink = 0;
      for (int x = left + 1; x < left + metrics.horizontalAdvance("_") - 1; ++x) {
        for (int y = row->outerRect().top(); y <= row->outerRect().bottom(); ++y) {
          ink += qGray(image.pixel(x, y)) < 160;
        }
      }
      QVERIFY2(ink > 0, threeD ? "3D legend" : "2D legend");
    }
  }

  void histogramLabelsNeitherOverlapNorLeaveThePage() {
    for (bool threeD : {false, true}) {
      for (const char* action : {"BootMezeyAngle", "BootConMezeyAngle", "RangeMezeyAngle",
                                 "PermuteMezeyAngle", "RandMezeyAngle"}) {
        RunOutput run = bundledRun(action, threeD);
        const ResamplingResult& r = *run.result.resampling;
        QCustomPlot plot;
        QSize size = histogramPictureSize(r, true);
        plot.resize(size);
        drawReplicateHistograms(plot, r, action, pictureCaption(run.result, run.description));
        plot.setViewport(QRect(QPoint(0, 0), size));
        plot.replot(QCustomPlot::rpImmediateRefresh);
        QRectF page(QPoint(0, 0), size);
        std::vector<QRectF> boxes;
        for (QCPLayoutElement* e : plot.plotLayout()->elements(true)) {
          if (auto* t = dynamic_cast<QCPTextElement*>(e)) {
            QRect text = QFontMetrics(t->font()).boundingRect(t->rect(), t->textFlags(), t->text());
            QVERIFY2(page.contains(text) && text.width() <= t->rect().width(),
                     qPrintable(t->text()));
            boxes.push_back(text);
          }
        }
        for (int i = 0; i < plot.itemCount(); ++i) {
          auto* label = dynamic_cast<QCPItemText*>(plot.item(i));
          if (!label) {
            continue;
          }
          QRectF box = textBox(*label);
          QString what = QString("%1 %2: \"%3\"").arg(action).arg(threeD).arg(label->text());
          QVERIFY2(QRectF(label->clipAxisRect()->rect()).contains(box), qPrintable(what));
          for (const QRectF& other : boxes) {
            QVERIFY2(!other.intersects(box), qPrintable(what));
          }
          // No label covers another mark's line.
          for (int j = 0; j < plot.itemCount(); ++j) {
            auto* line = dynamic_cast<QCPItemStraightLine*>(plot.item(j));
            if (line && line->clipAxisRect() == label->clipAxisRect()) {
              double x = line->point1->pixelPosition().x();
              QVERIFY2(x <= box.left() || x >= box.right(), qPrintable(what));
            }
          }
          boxes.push_back(box);
        }
      }
    }
  }

  void batchPicturesAreTheWindowsDrawingWithACaption() {
    RunOutput angle = bundledRun("DoMezeyAngle", false);
    angle.description.group1.file = "data/sand_1.txt";
    Matrix one = Matrix::Ones(1, 17), two = Matrix::Random(3, 17);
    PictureWriter write = pictureWriter("plot_tests", false);
    std::string svg = write(BatchPicture{angle.result, one, two, false, angle.description}, ".svg");
    // A group of one specimen has no mean marker, as in the window.
    for (const char* text : {"Group 1: sand_1.txt", "Group 2: gorm.txt", "Group 2 mean"}) {
      QVERIFY2(svg.find(text) != std::string::npos, text);
    }
    QVERIFY(svg.find("Group 1 mean") == std::string::npos);
    RunOutput pc = bundledRun("PrincipalComponents", false);
    Matrix none;
    svg = write(BatchPicture{pc.result, none, none, false, pc.description}, ".svg");
    QVERIFY(svg.find("gorf.txt, gorm.txt · k = 2 · partial warps") != std::string::npos);
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
