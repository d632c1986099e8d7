// The plain landmark reader on text in memory, for tests of its rules.
#pragma once

#include <string>
#include <string_view>

#include "io/landmark_file.h"
#include "io/line_source.h"

namespace vexmoor::testing {

inline Matrix parseLandmarkText(std::string_view text, std::string_view label) {
  LineSource source(text, std::string(label));
  return readPlainMatrix(source);
}

}  // namespace vexmoor::testing
