// The five resampling tests of the angle between the groups' subspaces.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "compare/analysis_input.h"
#include "runtime/host.h"
#include "runtime/progress.h"

namespace vexmoor {

struct ResamplingOptions {
  int bootValue = 1;                  // v: 100·v² replicates (100·v for the range)
  std::optional<std::uint64_t> seed;  // fixed: the same result on every run
  Progress* progress = nullptr;       // may be null
  int threads = 0;                    // 0: one per core; the result does not depend on it
};

// Each takes prepared input (consensus not rounded, components read) and
// returns its result text. Console lines (the replicate counter and the
// statistics' diagnostics) go to `host` in replicate order; host is used
// from the calling thread only. Throws vexmoor::Error for bad options (v
// must be a whole number from 1 to 100), Cancelled when the progress asked
// to stop; either way nothing is returned.
std::string bootMezeyAngleText(const AnalysisInput& in, const ResamplingOptions& options,
                               Host& host);
std::string bootConMezeyAngleText(const AnalysisInput& in, const ResamplingOptions& options,
                                  Host& host);
std::string rangeMezeyAngleText(const AnalysisInput& in, const ResamplingOptions& options,
                                Host& host);
std::string permuteMezeyAngleText(const AnalysisInput& in, const ResamplingOptions& options,
                                  Host& host);
std::string randMezeyAngleText(const AnalysisInput& in, const ResamplingOptions& options,
                               Host& host);

}  // namespace vexmoor
