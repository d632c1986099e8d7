#include "plot/picture_file.h"

#include <qcustomplot.h>

#include <QBuffer>
#include <QImage>
#include <QPageLayout>
#include <QPdfWriter>
#include <algorithm>
#include <filesystem>

#include "graphics/axes.h"
#include "graphics/picture_painting.h"
#include "graphics/plot_canvas.h"
#include "io/output_file.h"
#include "runtime/error.h"
#include "runtime/text.h"

namespace vexmoor {
namespace {

constexpr int kPngScale = 2;

QByteArray svgBytes(QSize size, const PicturePainter& paint) {
  return graphics::svgDocument(size, [&](QCPPainter& painter) { paint(painter, size); });
}

QByteArray pngBytes(QSize size, const PicturePainter& paint) {
  // Opaque and lightly compressed: a page of panels encodes in a fraction
  // of the time, for a somewhat larger file.
  QImage image = graphics::bitmapPicture(
      size, kPngScale, [&](QCPPainter& painter) { paint(painter, size); }, QImage::Format_RGB32);
  // Set only now: fonts are sized at the painter's resolution.
  image.setDotsPerMeterX(11811);  // 300 dpi
  image.setDotsPerMeterY(11811);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG", 80);
  return bytes;
}

QByteArray pdfBytes(QSize size, const PicturePainter& paint) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  {
    QPdfWriter pdf(&buffer);
    pdf.setResolution(72);  // one unit a point
    pdf.setPageLayout(QPageLayout(QPageSize(QSizeF(size), QPageSize::Point), QPageLayout::Portrait,
                                  QMarginsF(0, 0, 0, 0), QPageLayout::Point));
    QCPPainter painter;
    if (!painter.begin(&pdf)) {
      throw Error("the PDF picture cannot be started");
    }
    painter.setMode(QCPPainter::pmVectorized);
    paint(painter, size);
    painter.end();
  }
  return bytes;
}

}  // namespace

PictureFormat pictureFormatOf(const std::string& path) {
  std::string e = std::filesystem::path(path).extension().string();
  std::transform(e.begin(), e.end(), e.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (e == ".svg")
    return PictureFormat::kSvg;
  if (e == ".png")
    return PictureFormat::kPng;
  if (e == ".pdf")
    return PictureFormat::kPdf;
  throw Error("\"" + escapeNonPrintable(path) +
              "\" has no picture extension; use .svg, .png or .pdf");
}

QByteArray pictureBytes(PictureFormat format, QSize size, const PicturePainter& paint) {
  switch (format) {
    case PictureFormat::kSvg:
      return svgBytes(size, paint);
    case PictureFormat::kPng:
      return pngBytes(size, paint);
    case PictureFormat::kPdf:
      break;
  }
  return pdfBytes(size, paint);
}

void writePicture(const std::string& path, PictureFormat format, QSize size,
                  const PicturePainter& paint) {
  QByteArray bytes = pictureBytes(format, size, paint);
  writeOutputFile(path, std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
}

PicturePainter paintPlot(QCustomPlot& plot) {
  return [&plot](QCPPainter& painter, QSize size) {
    // toPainter draws with the layout it finds: lay the plot out for the
    // picture's size first, and for the widget again afterwards.
    QRect old = plot.viewport();
    plot.setViewport(QRect(QPoint(0, 0), size));
    plot.replot(QCustomPlot::rpImmediateRefresh);
    plot.toPainter(&painter, size.width(), size.height());
    plot.setViewport(old);
    plot.replot(QCustomPlot::rpQueuedReplot);
  };
}

PicturePainter paintAxes(graphics::Axes& axes) {
  return [&axes](QCPPainter& painter, QSize size) {
    axes.linePlottableCount();  // brings the plottables up to date
    axes.canvas()->render(painter, size, QRect(QPoint(0, 0), size));
  };
}

}  // namespace vexmoor
