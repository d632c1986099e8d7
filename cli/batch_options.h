// Command line of vexmoor-batch:
//   vexmoor-batch ACTION GROUP1_FILE GROUP2_FILE [--3d] [--raw] [-k K] [-v V]
//                 [--seed N] [--diagnostics]
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vexmoor {

struct BatchOptions {
  std::string action;
  std::string group1File, group2File;
  bool threeD = false;
  bool raw = false;                       // partial warps off
  std::optional<std::string> components;  // -k, as typed
  int bootValue = 1;                      // -v
  std::optional<std::uint64_t> seed;      // --seed
  bool diagnostics = false;
  bool help = false;
};

// Throws vexmoor::Error naming the offending argument.
BatchOptions parseBatchOptions(const std::vector<std::string>& args);

std::string batchUsage();

}  // namespace vexmoor
