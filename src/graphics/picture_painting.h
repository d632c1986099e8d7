// The one set-up of the SVG writer and of the bitmap that every picture of
// the program is painted with: plots saved or copied, the clipboard
// picture of a window, the batch front end's pictures.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <functional>

class QCPPainter;

namespace vexmoor::graphics {

// Paints a picture in points (one unit a point).
using PaintPicture = std::function<void(QCPPainter& painter)>;

// An SVG document of `size` points (its view box), white behind, painted in
// vector mode; `title` names it.
QByteArray svgDocument(QSize size, const PaintPicture& paint, const QString& title = {});

// A bitmap of `size` × `scale` pixels, white behind, antialiased, its
// painter scaled so that `paint` draws in points.
QImage bitmapPicture(QSize size, int scale, const PaintPicture& paint,
                     QImage::Format format = QImage::Format_ARGB32_Premultiplied);

}  // namespace vexmoor::graphics
