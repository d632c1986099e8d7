// Printing a window as a picture: its axes as drawn (at their print place,
// see Axes::printBox), without the controls.
#pragma once

#include <QByteArray>
#include <QImage>

namespace vexmoor::graphics {

class Figure;

// The window as an SVG document (vector graphics) of the window's size.
QByteArray figureSvg(Figure& figure);
// The same picture as a bitmap.
QImage figureImage(Figure& figure);
// Puts both on the clipboard: "image/svg+xml" and an image (PNG and the
// platform's bitmap formats).
void copyFigureToClipboard(Figure& figure);

}  // namespace vexmoor::graphics
