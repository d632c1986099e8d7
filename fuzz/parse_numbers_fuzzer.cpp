// The text-to-number conversion on arbitrary bytes: a row of numbers, or no
// row with the offending token, which must be a piece of the text.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "runtime/text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  std::string bad;
  auto numbers = vexmoor::parseNumbers(text, &bad);
  if (numbers ? numbers->size() > text.size() : text.find(bad) == std::string_view::npos) {
    std::abort();
  }
  if (!numbers && bad.empty()) {
    std::abort();
  }
  return 0;
}
