// The console layout of a named value (see Host's display functions).
#pragma once

#include <string>
#include <string_view>

#include "runtime/matrix.h"

namespace vexmoor {

std::string displayText(std::string_view name, double value);
std::string displayText(std::string_view name, const Matrix& value);
std::string displayText(std::string_view name, std::string_view text);

}  // namespace vexmoor
