// An axes: the line objects of a plot, its limits and view, drawn on a
// PlotCanvas. Lines of one style that follow each other are drawn as one
// plottable, so thousands of single-point lines stay quick to draw.
#pragma once

#include <QPointer>
#include <QRect>
#include <array>
#include <optional>

#include "graphics/graphics_object.h"
#include "graphics/plot_canvas.h"
#include "graphics/plot_style.h"
#include "graphics/view_geometry.h"

namespace vexmoor::graphics {

class Figure;
class Line;

class Axes : public GraphicsObject {
 public:
  // `canvas` lives in `figure`'s window; the axes deletes it when removed
  // before the window.
  Axes(Handle handle, Figure& figure, PlotCanvas* canvas);
  ~Axes() override;

  std::string_view type() const override { return "axes"; }
  Figure& figure() const { return m_figure; }
  PlotCanvas* canvas() const { return m_canvas; }

  // "hold on": plots add to the axes; off: each plot starts afresh.
  bool hold() const { return m_hold; }
  void setHold(bool on) { m_hold = on; }

  // axis "auto": limits follow the data. axis "equal": one data unit is
  // as long on both axes, whatever the size of the plot area.
  void setLimitsAuto();
  void setEqual(bool on);
  bool limitsAuto() const { return m_xAuto && m_yAuto; }
  bool equal() const { return m_equal; }
  // Fixed limits (both axes).
  void setLimits(Range x, Range y);
  // The limits shown now, for the plot area's present size.
  std::array<Range, 2> shownLimits();

  bool is3D() const { return m_is3D; }
  // Numbers the points of each line (1, 2, ... in its order) beside them.
  void setNumbered(bool on) {
    m_numbered = on;
    markDirty();
  }
  bool numbered() const { return m_numbered; }
  const View3D& view() const { return m_view; }
  void setView(const View3D& v);

  // Before a plot: unless held, forgets every line and returns to
  // automatic limits and the view the new plot needs.
  void preparePlot(bool threeD);
  // The colour of the next line drawn without one.
  Rgb nextColor();

  // A line or the set of lines changed: redraw on the event loop.
  void markDirty();
  // Rebuilds what changed and draws now.
  void replotNow();
  // Plottables that draw the lines (after bringing them up to date).
  int linePlottableCount();
  // Where point i of `line`, a line of these axes, is drawn: in the plot's
  // coordinates, projected onto the view in three dimensions.
  std::array<double, 2> plotPoint(const Line& line, size_t i);

  // Where a Position set away from the layout's place puts the plot area
  // when printing (pixels in the window); nullopt when it is not moved.
  std::optional<QRect> printBox() const { return m_printBox; }
  // The plot area where the window's layout places it (pixels in the window).
  QRect placedBox() const;

 protected:
  std::optional<Value> getOwn(std::string_view name) const override;
  bool setOwn(std::string_view name, const Value& value) override;
  // The plot area (inside the tick labels) within the window. A Position
  // set away from where the window's layout places the axes applies to
  // printing; the axes keeps its place on the screen.
  std::optional<QRectF> pixelRect() const override;
  void setPixelRect(const QRectF& rect) override;
  UnitScale unitScale() const override;

 private:
  void sync();
  void drawBox3D(const std::array<Range, 3>& box);
  void applyLimits();
  void userChangedRange();

  Figure& m_figure;
  QPointer<PlotCanvas> m_canvas;
  bool m_hold = false;
  bool m_equal = false;
  bool m_xAuto = true, m_yAuto = true;
  Range m_xLim, m_yLim;
  Range m_dataX, m_dataY;            // bounds of the drawn points (projected in 3D)
  std::array<double, 3> m_centre{};  // the 3D view turns about this point
  bool m_is3D = false;
  bool m_numbered = false;
  View3D m_view;
  int m_colorIndex = 0;
  bool m_dirty = false;
  bool m_settingRanges = false;
  int m_linePlottables = 0;
  std::optional<QPoint> m_dragFrom;
  std::optional<QRect> m_printBox;
  QRect m_placedAtPrintBox;  // where the layout placed the plot area then
};

}  // namespace vexmoor::graphics
