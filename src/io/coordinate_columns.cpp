#include "io/coordinate_columns.h"

#include <algorithm>
#include <array>
#include <map>

#include "runtime/error.h"
#include "runtime/text.h"

namespace vexmoor {
namespace {

constexpr int kMaxLandmarkNumber = 1000000;

// Reads the pieces of a name in turn.
class NameScanner {
 public:
  explicit NameScanner(std::string_view s) : m_s(s) {}
  bool done() const { return m_pos == m_s.size(); }
  void separator() {
    if (!done() &&
        (m_s[m_pos] == '_' || m_s[m_pos] == '.' || m_s[m_pos] == '-' || m_s[m_pos] == ' ')) {
      ++m_pos;
    }
  }
  std::optional<int> axis() {
    if (done()) {
      return std::nullopt;
    }
    char c = lower(m_s[m_pos]);
    if (c < 'x' || c > 'z') {
      return std::nullopt;
    }
    // An axis letter stands alone: "xy1" is no axis.
    if (m_pos + 1 < m_s.size() && isLetter(m_s[m_pos + 1])) {
      return std::nullopt;
    }
    ++m_pos;
    return c - 'x';
  }
  std::optional<int> number() {
    size_t start = m_pos;
    long long value = 0;
    while (!done() && m_s[m_pos] >= '0' && m_s[m_pos] <= '9') {
      value = value * 10 + (m_s[m_pos] - '0');
      if (value > kMaxLandmarkNumber) {
        return std::nullopt;
      }
      ++m_pos;
    }
    if (m_pos == start) {
      return std::nullopt;
    }
    return static_cast<int>(value);
  }
  // A word of two or more letters, or one letter that is not an axis.
  bool word() {
    size_t start = m_pos;
    while (!done() && isLetter(m_s[m_pos])) {
      ++m_pos;
    }
    size_t n = m_pos - start;
    if (n == 1 && lower(m_s[start]) >= 'x' && lower(m_s[start]) <= 'z') {
      m_pos = start;
      return false;
    }
    return n > 0;
  }
  size_t position() const { return m_pos; }
  void reset(size_t pos) { m_pos = pos; }

 private:
  static char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
  static bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

  std::string_view m_s;
  size_t m_pos = 0;
};

std::string quoted(const std::string& name) {
  return "\"" + escapeNonPrintable(name) + "\"";
}

}  // namespace

std::optional<CoordinateName> coordinateName(std::string_view name) {
  name = trimWhiteSpace(name);
  // a n, and a p n
  {
    NameScanner s(name);
    if (auto a = s.axis()) {
      s.separator();
      size_t mark = s.position();
      if (auto n = s.number(); n && s.done()) {
        return CoordinateName{*n, *a};
      }
      s.reset(mark);
      if (s.word()) {
        s.separator();
        if (auto n = s.number(); n && s.done()) {
          return CoordinateName{*n, *a};
        }
      }
    }
  }
  // n a, and p n a
  {
    NameScanner s(name);
    if (s.word()) {
      s.separator();
    }
    if (auto n = s.number()) {
      s.separator();
      if (auto a = s.axis(); a && s.done()) {
        return CoordinateName{*n, *a};
      }
    }
  }
  return std::nullopt;
}

std::optional<CoordinateLayout> coordinateLayout(const std::vector<std::string>& names) {
  std::map<int, std::array<std::optional<size_t>, 3>> landmarks;
  std::vector<size_t> others;
  int dimension = 2;
  for (size_t i = 0; i < names.size(); ++i) {
    std::optional<CoordinateName> c = coordinateName(names[i]);
    if (!c) {
      others.push_back(i);
      continue;
    }
    std::optional<size_t>& slot = landmarks[c->landmark][static_cast<size_t>(c->axis)];
    if (slot) {
      throw Error("columns " + quoted(names[*slot]) + " and " + quoted(names[i]) +
                  " name the same coordinate");
    }
    slot = i;
    if (c->axis == 2) {
      dimension = 3;
    }
  }
  if (landmarks.empty()) {
    return std::nullopt;
  }
  static constexpr const char* kAxes[] = {"x", "y", "z"};
  CoordinateLayout layout;
  layout.dimension = dimension;
  layout.landmarks = static_cast<int>(landmarks.size());
  for (const auto& [number, axes] : landmarks) {
    for (int a = 0; a < dimension; ++a) {
      if (!axes[static_cast<size_t>(a)]) {
        size_t some = axes[0] ? *axes[0] : axes[1] ? *axes[1] : *axes[2];
        throw Error("column " + quoted(names[some]) + " names landmark " + std::to_string(number) +
                    ", but no column holds its " + kAxes[a] + " coordinate");
      }
      layout.order.push_back(*axes[static_cast<size_t>(a)]);
    }
  }
  size_t lastCoordinate = *std::max_element(layout.order.begin(), layout.order.end());
  for (size_t i : others) {
    if (others.size() > 1 || i < lastCoordinate) {
      throw Error("column " + quoted(names[i]) +
                  " is not a landmark coordinate; beside the coordinates a landmark table may "
                  "have one more column, the last, for the trailing value");
    }
    layout.trailing = i;
  }
  return layout;
}

}  // namespace vexmoor
