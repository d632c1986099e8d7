// Writing a plot to a picture file: SVG and PDF as vector graphics, PNG as
// a bitmap at twice the size in pixels.
#pragma once

#include <QByteArray>
#include <QSize>
#include <functional>
#include <string>

class QCustomPlot;
class QCPPainter;

namespace vexmoor::graphics {
class Axes;
}

namespace vexmoor {

enum class PictureFormat { kSvg, kPng, kPdf };

// From a file name's extension (any case): ".svg", ".png" or ".pdf".
// Throws vexmoor::Error naming the three otherwise.
PictureFormat pictureFormatOf(const std::string& path);

// Paints the picture at `size` (points) into `painter`.
using PicturePainter = std::function<void(QCPPainter& painter, QSize size)>;

// The picture in `format`. Throws vexmoor::Error when it cannot be drawn.
QByteArray pictureBytes(PictureFormat format, QSize size, const PicturePainter& paint);

// Writes the picture to `path` in `format` by the rules of
// io/output_file.h. Throws vexmoor::Error naming the path when it cannot be
// written.
void writePicture(const std::string& path, PictureFormat format, QSize size,
                  const PicturePainter& paint);

// A QCustomPlot as it would draw itself at `size`.
PicturePainter paintPlot(QCustomPlot& plot);
// The plot of an axes of the graphics layer, laid out for `size` as the
// window lays it out (equal scaling kept).
PicturePainter paintAxes(graphics::Axes& axes);

}  // namespace vexmoor
