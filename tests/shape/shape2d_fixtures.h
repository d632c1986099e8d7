// Small two-dimensional configurations for the shape tests.
#pragma once

#include <cmath>
#include <random>

#include "runtime/matrix.h"

namespace vexmoor::testing {

// A specimen row x1 y1 ... xk yk t from a 2 × k table and a trailing value.
inline RowVector specimenRow(const Matrix& table, double trailing) {
  Index k = table.cols();
  RowVector row(2 * k + 1);
  for (Index j = 0; j < k; ++j) {
    row(2 * j) = table(0, j);
    row(2 * j + 1) = table(1, j);
  }
  row(2 * k) = trailing;
  return row;
}

// The row moved: scaled by s, turned by `angle` about the origin, shifted
// by (dx, dy). The trailing value stays.
inline RowVector similarCopy(const RowVector& row, double s, double angle, double dx, double dy) {
  RowVector out = row;
  double c = std::cos(angle), sn = std::sin(angle);
  for (Index j = 0; j < (row.size() - 1) / 2; ++j) {
    double x = row(2 * j), y = row(2 * j + 1);
    out(2 * j) = s * (c * x - sn * y) + dx;
    out(2 * j + 1) = s * (sn * x + c * y) + dy;
  }
  return out;
}

// The sum of x*y, of x and of y and of x² + y² over the landmarks of a row
// of 2k + 1 values.
struct Moments {
  double sx = 0, sy = 0, sxy = 0, ss = 0;
};
inline Moments momentsOf(const RowVector& row) {
  Moments m;
  for (Index j = 0; j < (row.size() - 1) / 2; ++j) {
    double x = row(2 * j), y = row(2 * j + 1);
    m.sx += x;
    m.sy += y;
    m.sxy += x * y;
    m.ss += x * x + y * y;
  }
  return m;
}

// N noisy copies of `base` (a row of 2k + 1 values), each moved at random;
// column 2k + 1 gets the specimen number.
inline Matrix noisyGroup(const RowVector& base, Index n, double noise, unsigned seed) {
  std::mt19937 gen(seed);
  std::normal_distribution<double> normal(0.0, 1.0);
  std::uniform_real_distribution<double> uniform(-3.0, 3.0);
  Matrix x(n, base.size());
  for (Index i = 0; i < n; ++i) {
    RowVector row = base;
    for (Index j = 0; j + 1 < base.size(); ++j) {
      row(j) += noise * normal(gen);
    }
    x.row(i) = similarCopy(row, 0.5 + std::abs(uniform(gen)), uniform(gen), 10 * uniform(gen),
                           10 * uniform(gen));
    x(i, base.size() - 1) = static_cast<double>(i + 1);
  }
  return x;
}

// An irregular eight-landmark outline.
inline RowVector octagonRow() {
  Matrix t(2, 8);
  t << 0.0, 3.1, 5.2, 6.0, 4.9, 2.7, 0.3, -1.1,  //
      0.0, -0.8, 0.7, 3.0, 5.1, 6.2, 4.8, 2.4;
  return specimenRow(t, 100.0);
}

}  // namespace vexmoor::testing
