// Two doubles side by side, read and written where they stand (no
// alignment asked of them): element-wise loops over short columns take
// them two at a time, on any target the compiler vectorises for, with the
// same result for each element as one at a time.
#pragma once

#include <cstddef>

namespace vexmoor {

typedef double Pair __attribute__((vector_size(16), aligned(8), may_alias));

inline Pair loadPair(const double* x) {
  return *reinterpret_cast<const Pair*>(x);
}

inline void storePair(double* x, Pair value) {
  *reinterpret_cast<Pair*>(x) = value;
}

// y[i] += c · x[i] for i < n, two at a time: each element rounds as the
// plain loop's would.
inline void addScaled(double* y, double c, const double* x, std::ptrdiff_t n) {
  const Pair cc = {c, c};
  std::ptrdiff_t i = 0;
  for (; i + 1 < n; i += 2) {
    storePair(y + i, loadPair(y + i) + cc * loadPair(x + i));
  }
  if (i < n) {
    y[i] += c * x[i];
  }
}

}  // namespace vexmoor
