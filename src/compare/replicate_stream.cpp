#include "compare/replicate_stream.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <random>

namespace vexmoor {
namespace {

// SplitMix64: spreads related inputs (seed, seed + 1, ...) to unrelated
// states, as the xoshiro authors recommend for seeding.
std::uint64_t splitMix(std::uint64_t& x) {
  std::uint64_t z = (x += 0x9e3779b97f4a7c15ULL);
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
  return z ^ (z >> 31);
}

std::uint64_t rotl(std::uint64_t x, int k) {
  return (x << k) | (x >> (64 - k));
}

// xoshiro256**
inline std::uint64_t step(std::array<std::uint64_t, 4>& s) {
  const std::uint64_t result = rotl(s[1] * 5, 7) * 9;
  const std::uint64_t t = s[1] << 17;
  s[2] ^= s[0];
  s[3] ^= s[1];
  s[1] ^= s[2];
  s[0] ^= s[3];
  s[2] ^= t;
  s[3] = rotl(s[3], 45);
  return result;
}

// 52 random bits centred in their cell: (j + 0.5) / 2^52 is exact in a
// double and lies strictly inside (0, 1).
inline double toUniform(std::uint64_t bits) {
  return (static_cast<double>(bits >> 12) + 0.5) * 0x1.0p-52;
}

inline Index toPosition(Index m, double u) {
  Index p = static_cast<Index>(std::ceil(static_cast<double>(m) * u));
  // m · u can round up to m but never past it, nor down to 0.
  return std::clamp<Index>(p, 1, m) - 1;
}

}  // namespace

ReplicateStream::ReplicateStream(std::uint64_t seed, std::uint64_t replicate) {
  std::uint64_t a = seed;
  std::uint64_t b = replicate ^ 0x5851f42d4c957f2dULL;
  std::uint64_t key = splitMix(a) ^ rotl(splitMix(b), 23);
  for (auto& s : m_state) {
    s = splitMix(key);
  }
}

std::uint64_t ReplicateStream::next() {
  return step(m_state);
}

double ReplicateStream::uniform() {
  return toUniform(step(m_state));
}

Index ReplicateStream::position(Index m) {
  return toPosition(m, uniform());
}

void ReplicateStream::fillSymmetric(double* out, Index n) {
  // A local copy of the state stays in registers: the stores to `out`
  // cannot touch it.
  std::array<std::uint64_t, 4> s = m_state;
  for (Index i = 0; i < n; ++i) {
    out[i] = 2.0 * toUniform(step(s)) - 1.0;
  }
  m_state = s;
}

void ReplicateStream::fillPositions(Index m, Index* out, Index n) {
  std::array<std::uint64_t, 4> s = m_state;
  for (Index i = 0; i < n; ++i) {
    out[i] = toPosition(m, toUniform(step(s)));
  }
  m_state = s;
}

std::uint64_t freshSeed() {
  std::random_device device;
  std::uint64_t seed = (std::uint64_t{device()} << 32) ^ device();
  return seed ^ static_cast<std::uint64_t>(
                    std::chrono::high_resolution_clock::now().time_since_epoch().count());
}

}  // namespace vexmoor
