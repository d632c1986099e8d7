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
  // xoshiro256**
  const std::uint64_t result = rotl(m_state[1] * 5, 7) * 9;
  const std::uint64_t t = m_state[1] << 17;
  m_state[2] ^= m_state[0];
  m_state[3] ^= m_state[1];
  m_state[1] ^= m_state[2];
  m_state[0] ^= m_state[3];
  m_state[2] ^= t;
  m_state[3] = rotl(m_state[3], 45);
  return result;
}

double ReplicateStream::uniform() {
  // 52 random bits centred in their cell: (j + 0.5) / 2^52 is exact in a
  // double and lies strictly inside (0, 1).
  return (static_cast<double>(next() >> 12) + 0.5) * 0x1.0p-52;
}

Index ReplicateStream::position(Index m) {
  Index p = static_cast<Index>(std::ceil(static_cast<double>(m) * uniform()));
  // m · u can round up to m but never past it, nor down to 0.
  return std::clamp<Index>(p, 1, m) - 1;
}

std::uint64_t freshSeed() {
  std::random_device device;
  std::uint64_t seed = (std::uint64_t{device()} << 32) ^ device();
  return seed ^ static_cast<std::uint64_t>(
                    std::chrono::high_resolution_clock::now().time_since_epoch().count());
}

}  // namespace vexmoor
