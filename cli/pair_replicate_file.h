// The --replicates table of a run of three or more groups, written pair by
// pair as the analysis finishes them (AnalysisRequest::pairFinished), so
// that no pair's replicates wait in memory for the others. The rows go to
// the output's temporary file and reach the target only at commit().
#pragma once

#include <cstdio>

#include "actions/analysis_actions.h"
#include "output_file.h"

namespace vexmoor {

class PairReplicateFile {
 public:
  explicit PairReplicateFile(PendingOutput& output) : m_output(output) {}
  ~PairReplicateFile();
  PairReplicateFile(const PairReplicateFile&) = delete;
  PairReplicateFile& operator=(const PairReplicateFile&) = delete;

  // Appends the pair's rows, after the header on the first call. Throws
  // vexmoor::Error naming the output's path when a write fails.
  void add(const GroupComparison& comparison, const GroupPair& pair,
           const ResamplingResult& result);
  // Closes the file, checks it and renames it onto the target; throws
  // vexmoor::Error naming the path.
  void commit();

 private:
  void write(const std::string& text);
  [[noreturn]] void fail(int error);

  PendingOutput& m_output;
  std::FILE* m_file = nullptr;
};

}  // namespace vexmoor
