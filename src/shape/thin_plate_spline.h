// Bookstein's thin-plate spline in the plane: of all smooth maps that take
// each source landmark onto its target, the one of least bending energy,
// with the same kernel r² ln r² as the partial warps. Its deformation grid
// shows a shape change as the warping of a square grid over the source.
#pragma once

#include <array>
#include <vector>

#include "runtime/matrix.h"

namespace vexmoor {

class ThinPlateSpline2D {
 public:
  // source, target: k × 2, one landmark per row (k >= 3). Throws
  // vexmoor::Error when the sizes differ, a value is not finite, or the
  // source landmarks coincide or lie on one line (no spline exists then).
  ThinPlateSpline2D(const Matrix& source, const Matrix& target);

  // Where the spline takes the point (x, y).
  std::array<double, 2> operator()(double x, double y) const;

 private:
  Matrix m_source;   // k × 2
  Matrix m_weights;  // k × 2: the kernel coefficients
  Matrix m_affine;   // 3 × 2: constant, x and y coefficients
};

// Lines of points: first the lines of constant y (bottom to top), then
// those of constant x (left to right), each n × 2 with its points in order.
struct DeformationGrid {
  std::vector<Matrix> lines;
  int rows = 0, columns = 0;  // lines of constant y, of constant x
};

// A square grid over the bounding box of `source` (k × 2) widened by
// `margin` of its larger side on every side, with square cells, `cells` of
// them along the larger side (>= 1); every line is sampled at
// `samplesPerCell` points a cell (>= 1), so that its bends show once warped.
DeformationGrid squareGrid(const Matrix& source, int cells, int samplesPerCell, double margin);

// Every point of `grid` taken through the spline. The spline is linear in
// its targets and reproduces the identity, so the grid warped onto
// source + f · shift is the grid plus f times the grid taken through the
// spline from source to `shift`.
DeformationGrid deformationGrid(const ThinPlateSpline2D& spline, const DeformationGrid& grid);

}  // namespace vexmoor
