// The plain landmark reader on arbitrary bytes: it either returns a matrix
// whose rows all have line 1's count of finite numbers, or throws
// vexmoor::Error with a one-line, printable message.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "io/landmark_file.h"
#include "io/line_source.h"
#include "runtime/error.h"

namespace {

void check(bool ok) {
  if (!ok) {
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  try {
    vexmoor::LineSource source(text, "fuzz.txt");
    vexmoor::Matrix x = vexmoor::readPlainMatrix(source);
    check(x.rows() >= 1 && x.cols() >= 1);
    check(x.allFinite());
  } catch (const vexmoor::Error& e) {
    for (const char* c = e.what(); *c; ++c) {
      auto b = static_cast<unsigned char>(*c);
      check(b >= 0x20 && b != 0x7f);
    }
  }
  return 0;
}
