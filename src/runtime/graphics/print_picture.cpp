#include "runtime/graphics/print_picture.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QSvgGenerator>

#include "runtime/error.h"
#include "runtime/graphics/axes.h"
#include "runtime/graphics/figure.h"

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
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QSvgGenerator svg;
  svg.setOutputDevice(&buffer);
  svg.setSize(size);
  svg.setViewBox(QRect(QPoint(0, 0), size));
  svg.setTitle(figure.window()->windowTitle());
  QCPPainter painter;
  painter.begin(&svg);
  painter.setMode(QCPPainter::pmVectorized);
  paintFigure(figure, painter, size);
  painter.end();
  return bytes;
}

QImage figureImage(Figure& figure) {
  QSize size = windowSize(figure);
  QImage image(size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::white);
  QCPPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  paintFigure(figure, painter, size);
  painter.end();
  return image;
}

void copyFigureToClipboard(Figure& figure) {
  auto* mime = new QMimeData;
  mime->setData("image/svg+xml", figureSvg(figure));
  mime->setImageData(figureImage(figure));
  QGuiApplication::clipboard()->setMimeData(mime);
}

}  // namespace vexmoor::graphics
