// Column names that name landmark coordinates, as tables and NTS column
// labels write them. Accepted, in any letter case, for landmark number n and
// axis a (x, y or z), with an optional separator (_ . - or a blank) where
// shown:
//   a n    x1  X_1  y.1  z-12
//   n a    1x  1_x  12.Y
//   p n a  lm1_x  LM_1_X  landmark1x  p1.y   (p a word of letters other than x, y, z)
//   a p n  x_lm1  Y-LM12
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vexmoor {

struct CoordinateName {
  int landmark = 0;  // as numbered in the name
  int axis = 0;      // 0 x, 1 y, 2 z
};

std::optional<CoordinateName> coordinateName(std::string_view name);

// Where the landmark coordinates stand among a table's numeric columns.
struct CoordinateLayout {
  int dimension = 2;               // 3 when any name has a z
  int landmarks = 0;               // k
  std::vector<size_t> order;       // d·k column positions: x1 y1 [z1] x2 ... by landmark number
  std::optional<size_t> trailing;  // the one other column, last: the trailing value
};

// nullopt when no name is a coordinate (a table of variables). Throws
// vexmoor::Error (without file context) when the names are coordinates but
// do not make whole landmarks (an axis missing or twice), or when a column
// other than the last is not a coordinate.
std::optional<CoordinateLayout> coordinateLayout(const std::vector<std::string>& names);

}  // namespace vexmoor
