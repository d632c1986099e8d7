// Random numbers for resampling replicates. Every replicate draws from its
// own stream, fixed by the run's seed and the replicate number, so a seeded
// run gives the same numbers whichever thread computes which replicate.
#pragma once

#include <array>
#include <cstdint>

#include "runtime/matrix.h"

namespace vexmoor {

class ReplicateStream {
 public:
  // replicate: 0-based replicate number.
  ReplicateStream(std::uint64_t seed, std::uint64_t replicate);

  std::uint64_t next();
  // Uniform on the open interval (0, 1): never 0, never 1.
  double uniform();
  // ceil(m · u) - 1 for a fresh uniform u: a 0-based position, uniform on
  // 0 ... m - 1. m >= 1.
  Index position(Index m);
  // 2u - 1 for a fresh uniform u: uniform on (-1, 1).
  double symmetric() { return 2.0 * uniform() - 1.0; }

  // Block draws: the same numbers, in the same order, as n single calls of
  // symmetric() or position(m), at a fraction of their cost.
  void fillSymmetric(double* out, Index n);
  void fillPositions(Index m, Index* out, Index n);

 private:
  std::array<std::uint64_t, 4> m_state;
};

// A seed nobody chose: differs from run to run.
std::uint64_t freshSeed();

}  // namespace vexmoor
