// Runs the independent replicates of a resampling test on all cores and
// keeps their statistics sorted for percentile look-ups.
//
// Every replicate draws from its own ReplicateStream (the run's seed and
// the replicate number), so a seeded run gives the same values whatever the
// number of threads. Console lines are written in replicate order from the
// calling thread, as are progress reports and cancellation checks. LAPACK
// runs single-threaded while the replicates do (runtime/blas_threads.h).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "compare/replicate_stream.h"
#include "runtime/host.h"
#include "runtime/matrix.h"
#include "runtime/progress.h"

namespace vexmoor {

// The work of one thread. Each thread gets its own task, so a task keeps
// its workspace from replicate to replicate without locks.
class ReplicateTask {
 public:
  virtual ~ReplicateTask() = default;
  // Computes replicate `replicate` (0-based): draws from `stream` in the
  // test's order and writes one value per statistic to `values`. Console
  // lines go to `console`, which is disabled unless the run's host listens.
  virtual void run(Index replicate, ReplicateStream& stream, std::span<double> values,
                   Host& console) = 0;
  // Counts the task keeps over the replicates it ran (the same kinds, in
  // the same order, for every task); the run's counts are their sums.
  virtual std::vector<Index> tallies() const { return {}; }
};

using ReplicateTaskFactory = std::function<std::unique_ptr<ReplicateTask>()>;

struct ReplicateRunOptions {
  std::optional<std::uint64_t> seed;  // none: a fresh seed for this run
  Progress* progress = nullptr;       // may be null
  int threads = 0;                    // 0: one per core the process may use
};

// Position ceil(q · n), 1-based.
Index upperPosition(double q, Index n);
// Position max(floor(q · n), 1), 1-based.
Index lowerPosition(double q, Index n);

// The statistics of all replicates, each sorted ascending with NaN last
// (after +Inf): a replicate whose statistic is undefined then shows up in
// the upper positions instead of being dropped or mixed among numbers.
class ReplicateResults {
 public:
  ReplicateResults() = default;
  // values: count × statistics, one replicate per row; kept as given and
  // sorted here.
  explicit ReplicateResults(Matrix values);

  Index count() const { return m_sorted.rows(); }
  // count × statistics in replicate order, as the replicates gave them.
  const Matrix& inReplicateOrder() const { return m_values; }
  int statistics() const { return static_cast<int>(m_sorted.cols()); }
  std::span<const double> sorted(int statistic) const;
  // The value at a 1-based position of the sorted statistic.
  double at(int statistic, Index position) const;
  double upper(int statistic, double q) const { return at(statistic, upperPosition(q, count())); }
  double lower(int statistic, double q) const { return at(statistic, lowerPosition(q, count())); }
  // The largest value that is a number (NaN only when none is).
  double largest(int statistic) const;
  // The tasks' tallies summed over all replicates.
  const std::vector<Index>& tallies() const { return m_tallies; }
  void setTallies(std::vector<Index> tallies) { m_tallies = std::move(tallies); }

 private:
  Matrix m_values;
  Matrix m_sorted;
  std::vector<Index> m_tallies;
};

// Runs `count` replicates of `statistics` values each. Before each
// replicate's own console lines the host gets its counter under the name
// `i` (1-based). Throws Cancelled when options.progress asks to stop
// (checked between replicates), and rethrows the first exception a
// replicate throws; either way no result is returned.
ReplicateResults runReplicates(Index count, int statistics, const ReplicateTaskFactory& makeTask,
                               const ReplicateRunOptions& options, Host& host);

// The number of threads a run with `requested` threads uses (0: one per core
// the process may use).
int replicateThreads(int requested);

}  // namespace vexmoor
