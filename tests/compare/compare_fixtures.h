// The bundled gorilla groups and the expected texts of tests/data.
#pragma once

#include <fstream>
#include <map>
#include <string>

#include "io/landmark_file.h"
#include "runtime/matrix.h"

namespace vexmoor::testing {

inline Matrix gorillaFemales() {
  return readLandmarkFile(VEXMOOR_EXAMPLES "/gorilla/gorf.txt");
}
inline Matrix gorillaMales() {
  return readLandmarkFile(VEXMOOR_EXAMPLES "/gorilla/gorm.txt");
}

// The texts of tests/data/gorilla_angle_texts.txt by their header
// ("pw 2", "raw 1", ...).
inline std::map<std::string, std::string> gorillaAngleTexts() {
  std::ifstream in(VEXMOOR_TEST_DATA "/gorilla_angle_texts.txt");
  std::map<std::string, std::string> texts;
  std::string line, key;
  while (std::getline(in, line)) {
    if (line.rfind("@ ", 0) == 0) {
      key = line.substr(2);
      texts[key];
    } else if (!key.empty()) {
      std::string& t = texts[key];
      t += (t.empty() ? "" : "\n") + line;
    }
  }
  return texts;
}

}  // namespace vexmoor::testing
