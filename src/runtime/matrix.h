// The value types of the numerical core: dense double matrices (Eigen) and
// the k × d × N landmark array.
#pragma once

#include <Eigen/Dense>

namespace vexmoor {

using Matrix = Eigen::MatrixXd;
using Vector = Eigen::VectorXd;
using RowVector = Eigen::RowVectorXd;
using Index = Eigen::Index;

inline constexpr double kPi = 3.141592653589793;
inline constexpr double kHalfPi = 1.5707963267948966;
inline constexpr double kDegreesPerRadian = 180.0 / kPi;

}  // namespace vexmoor
