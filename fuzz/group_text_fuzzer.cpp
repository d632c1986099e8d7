// The format-detecting group reader on arbitrary bytes. The first byte picks
// the file name whose extension breaks ties between formats; the rest is the
// file. It either returns a group that every later step can take (at least
// one specimen, finite values, one identifier for each specimen) or throws
// vexmoor::Error with a one-line, printable message.
#include <array>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "io/group_file.h"
#include "runtime/error.h"

namespace {

void check(bool ok) {
  if (!ok) {
    std::abort();
  }
}

constexpr std::array<std::string_view, 6> kNames = {"fuzz.txt", "fuzz.tps", "fuzz.nts",
                                                    "fuzz.csv", "fuzz.tsv", ""};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) {
    return 0;
  }
  std::string_view hint = kNames[data[0] % kNames.size()];
  std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  try {
    vexmoor::LandmarkGroup g = vexmoor::parseGroupText(text, "fuzz", hint);
    check(g.data.rows() >= 1 && g.data.cols() >= 1);
    check(g.data.allFinite());
    check(g.info.identifiers.size() == static_cast<std::size_t>(g.data.rows()));
    check(!g.info.dimension || *g.info.dimension == 2 || *g.info.dimension == 3);
  } catch (const vexmoor::Error& e) {
    for (const char* c = e.what(); *c; ++c) {
      auto b = static_cast<unsigned char>(*c);
      check(b >= 0x20 && b != 0x7f);
    }
  }
  return 0;
}
