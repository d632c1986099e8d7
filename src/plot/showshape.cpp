#include "plot/showshape.h"

#include "graphics/graphics_system.h"
#include "graphics/plotting.h"

namespace vexmoor {

double showshape(const Matrix& x, std::string_view xform) {
  graphics::Axes& axes = graphics::graphics().gca();
  axes.setHold(true);
  Index landmarks = x.cols() >= 1 ? (x.cols() - 1) / 2 : 0;
  for (Index i = 0; i < x.rows(); ++i) {
    for (Index j = 0; j < landmarks; ++j) {
      graphics::Line& point = graphics::plot(axes, {x(i, 2 * j)}, {x(i, 2 * j + 1)}, xform);
      point.set("MarkerSize", scalarValue(3));
    }
  }
  graphics::axis(axes, "auto");
  graphics::axis(axes, "equal");
  return 1;
}

void showshape3D(const LandmarkArray& x, std::string_view xform) {
  graphics::Axes& axes = graphics::graphics().gca();
  for (Index i = 0; i < x.specimens(); ++i) {
    auto page = x.page(i);
    std::vector<double> xs(page.rows()), ys(page.rows()), zs(page.rows());
    for (Index r = 0; r < page.rows(); ++r) {
      xs[static_cast<size_t>(r)] = page(r, 0);
      ys[static_cast<size_t>(r)] = page.cols() > 1 ? page(r, 1) : 0.0;
      zs[static_cast<size_t>(r)] = page.cols() > 2 ? page(r, 2) : 0.0;
    }
    graphics::plot3(axes, std::move(xs), std::move(ys), std::move(zs), xform);
    if (i == 0) {
      axes.setHold(true);
      graphics::axis(axes, "auto");
      graphics::axis(axes, "equal");
    }
  }
}

}  // namespace vexmoor
