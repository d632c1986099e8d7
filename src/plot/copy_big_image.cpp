#include "plot/copy_big_image.h"

#include "graphics/graphics_system.h"
#include "graphics/plotting.h"
#include "graphics/print_picture.h"

namespace vexmoor {
namespace {

// Gives the window and axes back what the copy changed.
class RestoreOnExit {
 public:
  RestoreOnExit(graphics::Figure& figure, graphics::Axes& axes)
      : m_figure(figure),
        m_axes(axes),
        m_axesPosition(axes.get("Position")),
        m_axesUnits(axes.get("Units")),
        m_figureUnits(figure.get("Units")) {}
  ~RestoreOnExit() {
    graphics::axis(m_axes, "auto");
    graphics::axis(m_axes, "equal");
    m_figure.set("Units", m_figureUnits);
    m_axes.set("Units", m_axesUnits);
    m_axes.set("Position", m_axesPosition);
  }

 private:
  graphics::Figure& m_figure;
  graphics::Axes& m_axes;
  Value m_axesPosition, m_axesUnits, m_figureUnits;
};

}  // namespace

void CopyBigImage() {
  graphics::Figure& figure = graphics::graphics().gcf();
  graphics::Axes& axes = graphics::graphics().gca();
  if (axes.is3D()) {
    graphics::copyFigureToClipboard(figure);
    return;
  }
  auto [x, y] = axes.shownLimits();
  graphics::Range wideX{x.lo - 0.03 * x.span(), x.hi + 0.03 * x.span()};
  graphics::Range wideY{y.lo - 0.03 * y.span(), y.hi + 0.03 * y.span()};
  RestoreOnExit restore(figure, axes);
  figure.set("Units", textValue("characters"));
  Matrix place = std::get<Matrix>(figure.get("Position"));
  Matrix big(1, 4);
  big << 12, 3, place(2) - 5, place(3) - 4;
  axes.set("Units", figure.get("Units"));
  axes.set("Position", big);
  axes.setLimits(wideX, wideY);
  graphics::axis(axes, "equal");
  graphics::copyFigureToClipboard(figure);
}

}  // namespace vexmoor
