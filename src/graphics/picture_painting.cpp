#include "graphics/picture_painting.h"

#include <qcustomplot.h>

#include <QBuffer>
#include <QSvgGenerator>

namespace vexmoor::graphics {

QByteArray svgDocument(QSize size, const PaintPicture& paint, const QString& title) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QSvgGenerator svg;
  svg.setOutputDevice(&buffer);
  svg.setSize(size);
  svg.setViewBox(QRect(QPoint(0, 0), size));
  if (!title.isEmpty()) {
    svg.setTitle(title);
  }
  QCPPainter painter;
  painter.begin(&svg);
  painter.setMode(QCPPainter::pmVectorized);
  painter.fillRect(QRect(QPoint(0, 0), size), Qt::white);
  paint(painter);
  painter.end();
  return bytes;
}

QImage bitmapPicture(QSize size, int scale, const PaintPicture& paint, QImage::Format format) {
  QImage image(size * scale, format);
  image.fill(Qt::white);
  QCPPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(scale, scale);
  paint(painter);
  painter.end();
  return image;
}

}  // namespace vexmoor::graphics
