// Two doubles side by side, read and written where they stand (no
// alignment asked of them): element-wise loops over short columns take
// them two at a time, on any target the compiler vectorises for, with the
// same result for each element as one at a time.
#pragma once

namespace vexmoor {

typedef double Pair __attribute__((vector_size(16), aligned(8), may_alias));

inline Pair loadPair(const double* x) {
  return *reinterpret_cast<const Pair*>(x);
}

inline void storePair(double* x, Pair value) {
  *reinterpret_cast<Pair*>(x) = value;
}

}  // namespace vexmoor
