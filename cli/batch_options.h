// Command line of vexmoor-batch:
//   vexmoor-batch ACTION GROUP1_FILE GROUP2_FILE [FILE3 ...] [--3d] [--raw]
//                 [-k K] [-v V] [--seed N] [--json] [--replicates FILE.csv]
//                 [--plot FILE] [--pcs M] [--drop-incomplete] [--diagnostics]
//   vexmoor-batch ACTION TABLE --group-by COLUMN [options]
//   vexmoor-batch ACTION FILE --classifier CSV --by COLUMN [options]
//   vexmoor-batch --help | --version
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "analyses/covariance_result.h"

namespace vexmoor {

struct BatchOptions {
  std::string action;
  std::vector<std::string> files;         // the data files as given
  std::optional<std::string> groupBy;     // --group-by: the table's column of groups
  std::optional<std::string> classifier;  // --classifier: identifiers to groups
  std::optional<std::string> by;          // --by: the classifier's column of groups
  bool threeD = false;
  bool raw = false;                           // partial warps off
  bool dropIncomplete = false;                // leave out specimens with missing values
  std::optional<std::string> components;      // -k, as typed
  int bootValue = 1;                          // -v
  std::optional<std::uint64_t> seed;          // --seed
  bool json = false;                          // the result as one JSON document
  std::optional<std::string> replicatesFile;  // --replicates: CSV of every replicate
  std::optional<std::string> plotFile;        // --plot: .svg, .png or .pdf
  // --total-pcs, --within, --reference, the covariance analyses' flags,
  // and whether -v was given (covariance_options.h).
  CovarianceSettings covariance;
  int pcs = 0;      // --pcs: RunCPC on the first pcs pooled principal components
  int threads = 0;  // --threads: the resampling tests' threads; 0: one per core
  bool diagnostics = false;
  bool help = false;
  bool version = false;
};

// Throws vexmoor::Error naming the offending argument. Checks what the
// command line alone decides (actions, numbers, picture extensions), not
// whether the files can be read or written.
BatchOptions parseBatchOptions(const std::vector<std::string>& args);

// Ends with a line break and names every option.
std::string batchUsage();
// "vexmoor-batch 0.1.0"
std::string batchVersion();

}  // namespace vexmoor
