#include "shape/thin_plate_spline.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <string>

#include "runtime/error.h"
#include "shape/partial_warps2d.h"

namespace vexmoor {

ThinPlateSpline2D::ThinPlateSpline2D(const Matrix& source, const Matrix& target) {
  Index k = source.rows();
  if (source.cols() != 2 || target.cols() != 2 || target.rows() != k) {
    throw Error(
        "a thin-plate spline needs as many targets as landmarks, two coordinates each; "
        "there are " +
        std::to_string(k) + " landmarks and " + std::to_string(target.rows()) + " targets");
  }
  if (k < 3 || !source.allFinite() || !target.allFinite()) {
    throw Error("a thin-plate spline needs at least 3 landmarks with finite coordinates");
  }
  Matrix L = gettspl(source.transpose());
  Matrix rhs = Matrix::Zero(k + 3, 2);
  rhs.topRows(k) = target;
  Eigen::FullPivLU<Matrix> lu(L);
  if (!lu.isInvertible()) {
    throw Error("the thin-plate spline has no solution: its landmarks coincide or lie on one line");
  }
  Matrix solution = lu.solve(rhs);
  m_weights = solution.topRows(k);
  m_source = source;
  m_affine = solution.bottomRows(3);
}

std::array<double, 2> ThinPlateSpline2D::operator()(double x, double y) const {
  double u = m_affine(0, 0) + m_affine(1, 0) * x + m_affine(2, 0) * y;
  double v = m_affine(0, 1) + m_affine(1, 1) * x + m_affine(2, 1) * y;
  for (Index i = 0; i < m_source.rows(); ++i) {
    double dx = x - m_source(i, 0), dy = y - m_source(i, 1);
    double kernel = splineKernel(dx * dx + dy * dy);
    u += m_weights(i, 0) * kernel;
    v += m_weights(i, 1) * kernel;
  }
  return {u, v};
}

DeformationGrid squareGrid(const Matrix& source, int cells, int samplesPerCell, double margin) {
  assert(cells >= 1 && samplesPerCell >= 1 && source.rows() > 0);
  RowVector lo = source.colwise().minCoeff();
  RowVector hi = source.colwise().maxCoeff();
  double side = std::max(hi(0) - lo(0), hi(1) - lo(1));
  double cell = side * (1 + 2 * margin) / cells;
  // Centred on the landmarks: as many cells as the shorter side needs.
  int nx = std::max(1, static_cast<int>(std::ceil((hi(0) - lo(0) + 2 * margin * side) / cell)));
  int ny = std::max(1, static_cast<int>(std::ceil((hi(1) - lo(1) + 2 * margin * side) / cell)));
  double x0 = 0.5 * (lo(0) + hi(0)) - 0.5 * nx * cell;
  double y0 = 0.5 * (lo(1) + hi(1)) - 0.5 * ny * cell;
  auto line = [&](double ax, double ay, double bx, double by, int length) {
    Index points = static_cast<Index>(length) * samplesPerCell + 1;
    Matrix m(points, 2);
    for (Index s = 0; s < points; ++s) {
      double t = static_cast<double>(s) / static_cast<double>(points - 1);
      m(s, 0) = ax + t * (bx - ax);
      m(s, 1) = ay + t * (by - ay);
    }
    return m;
  };
  DeformationGrid grid;
  grid.rows = ny + 1;
  grid.columns = nx + 1;
  for (int r = 0; r <= ny; ++r) {
    double y = y0 + r * cell;
    grid.lines.push_back(line(x0, y, x0 + nx * cell, y, nx));
  }
  for (int c = 0; c <= nx; ++c) {
    double x = x0 + c * cell;
    grid.lines.push_back(line(x, y0, x, y0 + ny * cell, ny));
  }
  return grid;
}

DeformationGrid deformationGrid(const ThinPlateSpline2D& spline, const DeformationGrid& grid) {
  DeformationGrid out = grid;
  for (Matrix& line : out.lines) {
    for (Index s = 0; s < line.rows(); ++s) {
      auto [u, v] = spline(line(s, 0), line(s, 1));
      line(s, 0) = u;
      line(s, 1) = v;
    }
  }
  return out;
}

}  // namespace vexmoor
