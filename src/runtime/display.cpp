#include "runtime/display.h"

#include <algorithm>
#include <cmath>

#include "runtime/format.h"
#include "runtime/host.h"

namespace vexmoor {
namespace {

bool allWhole(const Matrix& m) {
  return m.allFinite() && (m.array() == m.array().floor()).all() && m.cwiseAbs().maxCoeff() < 1e9;
}

std::string matrixLines(const Matrix& m) {
  if (m.size() == 0) {
    return "     []\n";
  }
  bool whole = allWhole(m);
  double largest = m.allFinite() ? m.cwiseAbs().maxCoeff() : 0.0;
  bool scientific = !whole && (largest >= 1e5 || (largest > 0 && largest < 1e-3));
  std::string out;
  for (Index r = 0; r < m.rows(); ++r) {
    out += "  ";
    for (Index c = 0; c < m.cols(); ++c) {
      double v = m(r, c);
      if (whole) {
        out += format("%8d", {v});
      } else if (scientific) {
        out += format("%13.4e", {v});
      } else {
        out += format("%11.4f", {v});
      }
    }
    out += '\n';
  }
  return out;
}

}  // namespace

std::string displayText(std::string_view name, double value) {
  return displayText(name, Matrix::Constant(1, 1, value));
}

std::string displayText(std::string_view name, const Matrix& value) {
  return std::string(name) + " =\n\n" + matrixLines(value) + "\n";
}

std::string displayText(std::string_view name, std::string_view text) {
  return std::string(name) + " =\n\n" + std::string(text) + "\n\n";
}

SilentHost& silentHost() {
  static SilentHost host;
  return host;
}

void display(Host& host, std::string_view name, double value) {
  if (host.consoleEnabled()) {
    host.consoleWrite(displayText(name, value));
  }
}

void display(Host& host, std::string_view name, const Matrix& value) {
  if (host.consoleEnabled()) {
    host.consoleWrite(displayText(name, value));
  }
}

void display(Host& host, std::string_view name, std::string_view text) {
  if (host.consoleEnabled()) {
    host.consoleWrite(displayText(name, text));
  }
}

}  // namespace vexmoor
