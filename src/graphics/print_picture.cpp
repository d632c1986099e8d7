#include "graphics/print_picture.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include "graphics/axes.h"
#include "graphics/figure.h"
#include "graphics/picture_painting.h"
#include "runtime/error.h"

namespace vexmoor::graphics {
namespace {

QSize windowSize(Figure& figure) {
  if (!figure.window()) {
    throw Error("the window to print is closed");
  }
  return figure.window()->size();
}

void paintFigure(Figure& figure, QCPPainter& painter, QSize size) {
  painter.fillRect(QRect(QPoint(0, 0), size), Qt::white);
  for (GraphicsObject* o : figure.children()) {
    auto* axes = dynamic_cast<Axes*>(o);
    if (!axes || !axes->canvas() || axes->canvas()->isHidden()) {
      continue;
    }
    axes->linePlottableCount();  // brings the plottables up to date
    PlotCanvas& canvas = *axes->canvas();
    if (std::optional<QRect> box = axes->printBox()) {
      canvas.render(painter, size, *box);
    } else {
      QPoint origin = canvas.mapTo(figure.window(), QPoint(0, 0));
      painter.save();
      painter.translate(origin);
      canvas.render(painter, canvas.size(), std::nullopt);
      painter.restore();
    }
  }
}

}  // namespace

QByteArray figureSvg(Figure& figure) {
  QSize size = windowSize(figure);
  return svgDocument(
      size, [&](QCPPainter& painter) { paintFigure(figure, painter, size); },
      figure.window()->windowTitle());
}

QImage figureImage(Figure& figure) {
  QSize size = windowSize(figure);
  return bitmapPicture(size, 1, [&](QCPPainter& painter) { paintFigure(figure, painter, size); });
}

void copyFigureToClipboard(Figure& figure) {
  auto* mime = new QMimeData;
  mime->setData("image/svg+xml", figureSvg(figure));
  mime->setImageData(figureImage(figure));
  QGuiApplication::clipboard()->setMimeData(mime);
}

}  // namespace vexmoor::graphics
