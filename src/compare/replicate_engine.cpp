#include "compare/replicate_engine.h"

#include <sched.h>

#include <algorithm>
#include <atomic>
#include <cassert>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <exception>
#include <limits>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "runtime/blas_threads.h"
#include "runtime/display.h"

namespace vexmoor {
namespace {

using Clock = std::chrono::steady_clock;
// How often the calling thread writes console lines, reports progress and
// looks for a cancel request.
constexpr auto kServiceInterval = std::chrono::milliseconds(20);

// Collects one replicate's console lines for writing later, in order.
class AppendingHost : public Host {
 public:
  explicit AppendingHost(std::string& out) : m_out(out) {}
  bool consoleEnabled() const override { return true; }
  void consoleWrite(std::string_view text) override { m_out.append(text); }
  void messageBox(std::string_view text) override {
    m_out.append("warning: ").append(text).append("\n");
  }

 private:
  std::string& m_out;
};

struct SharedRun {
  SharedRun(Index count, int statistics, std::uint64_t seed, bool console)
      : count(count),
        statistics(statistics),
        seed(seed),
        console(console),
        values(statistics, count),
        finished(new std::atomic<bool>[static_cast<size_t>(count)]) {
    for (Index i = 0; i < count; ++i) {
      finished[i].store(false, std::memory_order_relaxed);
    }
    if (console) {
      lines.resize(static_cast<size_t>(count));
    }
  }

  const Index count;
  const int statistics;
  const std::uint64_t seed;
  const bool console;
  Matrix values;  // statistics × count: one contiguous column per replicate
  std::vector<std::string> lines;
  std::unique_ptr<std::atomic<bool>[]> finished;
  std::atomic<Index> next{0};
  std::atomic<Index> done{0};
  std::atomic<bool> stop{false};

  std::mutex mutex;
  std::condition_variable wake;
  int activeHelpers = 0;
  std::exception_ptr error;

  void fail(std::exception_ptr e) {
    std::lock_guard lock(mutex);
    if (!error) {
      error = e;
    }
    stop.store(true);
  }
};

void runOne(SharedRun& run, ReplicateTask& task, Index i) {
  ReplicateStream stream(run.seed, static_cast<std::uint64_t>(i));
  std::span<double> values(run.values.col(i).data(), static_cast<size_t>(run.statistics));
  if (run.console) {
    std::string& text = run.lines[static_cast<size_t>(i)];
    text = displayText("i", static_cast<double>(i + 1));
    AppendingHost console(text);
    task.run(i, stream, values, console);
  } else {
    task.run(i, stream, values, silentHost());
  }
  run.finished[i].store(true, std::memory_order_release);
  run.done.fetch_add(1, std::memory_order_relaxed);
}

// Takes the next replicate and runs it; false when there is none left or
// the run stops.
bool runNext(SharedRun& run, ReplicateTask& task) {
  if (run.stop.load(std::memory_order_relaxed)) {
    return false;
  }
  Index i = run.next.fetch_add(1, std::memory_order_relaxed);
  if (i >= run.count) {
    return false;
  }
  runOne(run, task, i);
  return true;
}

void helperLoop(SharedRun& run, ReplicateTask& task) {
  try {
    while (runNext(run, task)) {
    }
  } catch (...) {
    run.fail(std::current_exception());
  }
  {
    std::lock_guard lock(run.mutex);
    --run.activeHelpers;
  }
  run.wake.notify_all();
}

// The calling thread's share of the bookkeeping: console lines in
// replicate order, progress, and cancel requests.
class Coordinator {
 public:
  Coordinator(SharedRun& run, Progress* progress, Host& host)
      : m_run(run), m_progress(progress), m_host(host) {}

  void service() {
    m_last = Clock::now();
    Index upTo = m_flushed;
    while (upTo < m_run.count && m_run.finished[upTo].load(std::memory_order_acquire)) {
      ++upTo;
    }
    if (m_run.console && upTo > m_flushed) {
      std::string chunk;
      for (Index j = m_flushed; j < upTo; ++j) {
        chunk += m_run.lines[static_cast<size_t>(j)];
        std::string().swap(m_run.lines[static_cast<size_t>(j)]);
      }
      m_host.consoleWrite(chunk);
    }
    m_flushed = upTo;
    if (m_progress) {
      m_progress->report(m_run.done.load(std::memory_order_relaxed), m_run.count);
      if (m_progress->cancelRequested()) {
        m_cancelled = true;
        m_run.stop.store(true);
      }
    }
  }

  void serviceWhenDue() {
    if (Clock::now() - m_last >= kServiceInterval) {
      service();
    }
  }

  bool cancelled() const { return m_cancelled; }

 private:
  SharedRun& m_run;
  Progress* m_progress;
  Host& m_host;
  Index m_flushed = 0;
  bool m_cancelled = false;
  Clock::time_point m_last = Clock::now();
};

void sortNaNLast(double* begin, double* end) {
  double* numbers = std::partition(begin, end, [](double v) { return !std::isnan(v); });
  std::sort(begin, numbers);
}

}  // namespace

Index upperPosition(double q, Index n) {
  return static_cast<Index>(std::ceil(q * static_cast<double>(n)));
}

Index lowerPosition(double q, Index n) {
  return std::max<Index>(static_cast<Index>(std::floor(q * static_cast<double>(n))), 1);
}

ReplicateResults::ReplicateResults(Matrix values)
    : m_values(std::move(values)), m_sorted(m_values) {
  for (Index s = 0; s < m_sorted.cols(); ++s) {
    sortNaNLast(m_sorted.col(s).data(), m_sorted.col(s).data() + m_sorted.rows());
  }
}

std::span<const double> ReplicateResults::sorted(int statistic) const {
  return {m_sorted.col(statistic).data(), static_cast<size_t>(m_sorted.rows())};
}

double ReplicateResults::at(int statistic, Index position) const {
  assert(position >= 1 && position <= count() && "percentile position outside the replicates");
  return m_sorted(position - 1, statistic);
}

double ReplicateResults::largest(int statistic) const {
  for (Index i = count() - 1; i >= 0; --i) {
    if (!std::isnan(m_sorted(i, statistic))) {
      return m_sorted(i, statistic);
    }
  }
  return std::numeric_limits<double>::quiet_NaN();
}

int replicateThreads(int requested) {
  if (requested > 0) {
    return requested;
  }
  // The cores the process may use (taskset, cgroups' cpusets), not all the
  // machine has.
  cpu_set_t allowed;
  if (sched_getaffinity(0, sizeof allowed, &allowed) == 0) {
    return std::max(1, CPU_COUNT(&allowed));
  }
  return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

ReplicateResults runReplicates(Index count, int statistics, const ReplicateTaskFactory& makeTask,
                               const ReplicateRunOptions& options, Host& host) {
  assert(count >= 1 && statistics >= 1);
  int threads = static_cast<int>(
      std::min<Index>(replicateThreads(options.threads), std::max<Index>(count, 1)));
  SingleThreadedBlas oneBlasThread;  // our threads, one decomposition each
  SharedRun run(count, statistics, options.seed.value_or(freshSeed()), host.consoleEnabled());
  std::vector<std::unique_ptr<ReplicateTask>> tasks;
  for (int t = 0; t < threads; ++t) {
    tasks.push_back(makeTask());
  }
  Coordinator coordinator(run, options.progress, host);
  std::vector<std::jthread> helpers;
  try {
    // A cancel requested before the start stops the run before any replicate.
    coordinator.service();
    for (int t = 1; t < threads; ++t) {
      {
        std::lock_guard lock(run.mutex);
        ++run.activeHelpers;
      }
      try {
        helpers.emplace_back(helperLoop, std::ref(run), std::ref(*tasks[t]));
      } catch (const std::system_error&) {
        // No more threads to be had: the others share the work.
        std::lock_guard lock(run.mutex);
        --run.activeHelpers;
        break;
      }
    }
    try {
      while (runNext(run, *tasks[0])) {
        coordinator.serviceWhenDue();
      }
    } catch (...) {
      run.fail(std::current_exception());
    }
    std::unique_lock lock(run.mutex);
    while (run.activeHelpers > 0) {
      lock.unlock();
      coordinator.service();
      lock.lock();
      run.wake.wait_for(lock, kServiceInterval, [&] { return run.activeHelpers == 0; });
    }
    lock.unlock();
    coordinator.service();
  } catch (...) {
    run.stop.store(true);
    throw;
  }
  helpers.clear();
  if (run.error) {
    std::rethrow_exception(run.error);
  }
  if (coordinator.cancelled()) {
    throw Cancelled();
  }
  ReplicateResults results(run.values.transpose());
  std::vector<Index> tallies;
  for (const std::unique_ptr<ReplicateTask>& task : tasks) {
    std::vector<Index> own = task->tallies();
    tallies.resize(std::max(tallies.size(), own.size()), 0);
    for (size_t i = 0; i < own.size(); ++i) {
      tallies[i] += own[i];
    }
  }
  results.setTallies(std::move(tallies));
  return results;
}

}  // namespace vexmoor
