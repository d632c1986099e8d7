#include "compare/replicate_engine.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <limits>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "compare/resampling_replicates.h"
#include "runtime/display.h"
#include "runtime/error.h"

namespace vexmoor {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// Replicate i gives count - i: sorting reverses the order, and position j of
// the sorted values holds j.
class CountdownTask : public ReplicateTask {
 public:
  explicit CountdownTask(Index count) : m_count(count) {}
  void run(Index replicate, ReplicateStream&, std::span<double> values, Host&) override {
    values[0] = static_cast<double>(m_count - replicate);
  }

 private:
  Index m_count;
};

ReplicateResults countdown(Index count, int threads = 0) {
  return runReplicates(
      count, 1, [count] { return std::make_unique<CountdownTask>(count); },
      {std::uint64_t{1}, nullptr, threads}, silentHost());
}

struct Positions {
  int v;
  Index upper, lower;
};

void expectPositions(ResamplingTest test, double upperLevel, double lowerLevel,
                     std::initializer_list<Positions> cases) {
  for (const Positions& c : cases) {
    ReplicateResults r = countdown(replicateCount(test, c.v));
    EXPECT_EQ(r.upper(0, upperLevel), static_cast<double>(c.upper)) << "v = " << c.v;
    EXPECT_EQ(r.lower(0, lowerLevel), static_cast<double>(c.lower)) << "v = " << c.v;
  }
}

TEST(ReplicateEngine, PicksEachTestsPercentilePositions) {
  // Bootstrap, shuffle and randomization tests: 100·v² replicates.
  for (ResamplingTest t :
       {ResamplingTest::kBoot, ResamplingTest::kShuffle, ResamplingTest::kRandomization}) {
    expectPositions(t, kUpperLevel, kLowerLevel, {{1, 98, 2}, {2, 390, 10}, {3, 878, 22}});
  }
  // Bootstrap range: 100·v replicates.
  expectPositions(ResamplingTest::kBootRange, kUpperLevel, kLowerLevel,
                  {{1, 98, 2}, {2, 195, 5}, {3, 293, 7}});
  // Range test: its own angle levels and Flury levels. floor(0.0125 · 400)
  // must be 5, which 1 - 0.9875 would miss.
  expectPositions(ResamplingTest::kRange, kRangeUpperLevel, kRangeLowerLevel,
                  {{1, 99, 1}, {2, 395, 5}, {3, 889, 11}});
  expectPositions(ResamplingTest::kRange, kFluryUpperLevel, kFluryLowerLevel,
                  {{1, 95, 5}, {2, 380, 20}, {3, 855, 45}});
}

TEST(ReplicateEngine, ReplicateCountsAndTheirLimits) {
  EXPECT_EQ(replicateCount(ResamplingTest::kBoot, 10), 10000);
  EXPECT_EQ(replicateCount(ResamplingTest::kBootRange, 10), 1000);
  EXPECT_EQ(replicateCount(ResamplingTest::kRange, kMaxBootValue), 1000000);
  for (int bad : {0, -1, kMaxBootValue + 1}) {
    try {
      replicateCount(ResamplingTest::kRange, bad);
      ADD_FAILURE() << "accepted v = " << bad;
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()), "the resampling size v must be a whole number from 1 to " +
                                           std::to_string(kMaxBootValue) + "; it is " +
                                           std::to_string(bad));
    }
  }
}

// Draws a few numbers and writes a console line naming the replicate.
class DrawingTask : public ReplicateTask {
 public:
  void run(Index replicate, ReplicateStream& stream, std::span<double> values,
           Host& console) override {
    values[0] = stream.uniform();
    values[1] = stream.uniform() + stream.uniform();
    if (replicate % 7 == 0) {
      // Uneven work lets the threads overtake each other.
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    display(console, "r", static_cast<double>(replicate));
  }
};

class RecordingHost : public Host {
 public:
  bool consoleEnabled() const override { return true; }
  void consoleWrite(std::string_view text) override {
    EXPECT_EQ(std::this_thread::get_id(), m_owner) << "console written from a worker thread";
    m_text.append(text);
  }
  void messageBox(std::string_view text) override { m_boxes.emplace_back(text); }
  const std::string& text() const { return m_text; }

 private:
  std::thread::id m_owner = std::this_thread::get_id();
  std::string m_text;
  std::vector<std::string> m_boxes;
};

TEST(ReplicateEngine, SeededRunsAgreeWhateverTheThreadCount) {
  const Index count = 300;
  std::string expectedConsole;
  for (Index i = 0; i < count; ++i) {
    expectedConsole += displayText("i", static_cast<double>(i + 1));
    expectedConsole += displayText("r", static_cast<double>(i));
  }
  std::vector<ReplicateResults> runs;
  for (int threads : {1, 2, 5}) {
    RecordingHost host;
    runs.push_back(runReplicates(
        count, 2, [] { return std::make_unique<DrawingTask>(); },
        {std::uint64_t{77}, nullptr, threads}, host));
    EXPECT_EQ(host.text(), expectedConsole) << threads << " threads";
  }
  for (const ReplicateResults& r : runs) {
    for (int s = 0; s < 2; ++s) {
      for (Index i = 0; i < count; ++i) {
        ASSERT_EQ(r.sorted(s)[i], runs[0].sorted(s)[i]);
      }
    }
  }
  // The values are those of the replicates' own streams.
  ReplicateStream first(77, 0);
  double u = first.uniform();
  EXPECT_NE(std::find(runs[0].sorted(0).begin(), runs[0].sorted(0).end(), u),
            runs[0].sorted(0).end());
}

TEST(ReplicateEngine, UnseededRunsDiffer) {
  auto run = [] {
    return runReplicates(
        100, 2, [] { return std::make_unique<DrawingTask>(); }, {}, silentHost());
  };
  EXPECT_NE(run().sorted(0)[50], run().sorted(0)[50]);
}

class NonFiniteTask : public ReplicateTask {
 public:
  void run(Index replicate, ReplicateStream&, std::span<double> values, Host&) override {
    const double v[] = {3.0, kNaN, kInf, -kInf, 1.0, kNaN, 2.0};
    values[0] = v[replicate];
    values[1] = kNaN;
  }
};

TEST(ReplicateEngine, SortsNaNAfterInfinityAndLargestSkipsIt) {
  ReplicateResults r = runReplicates(
      7, 2, [] { return std::make_unique<NonFiniteTask>(); }, {std::uint64_t{1}, nullptr, 2},
      silentHost());
  std::span<const double> s = r.sorted(0);
  EXPECT_EQ(s[0], -kInf);
  EXPECT_EQ(s[1], 1.0);
  EXPECT_EQ(s[2], 2.0);
  EXPECT_EQ(s[3], 3.0);
  EXPECT_EQ(s[4], kInf);
  EXPECT_TRUE(std::isnan(s[5]) && std::isnan(s[6]));
  EXPECT_EQ(r.largest(0), kInf);
  EXPECT_TRUE(std::isnan(r.largest(1)));
}

class ScriptedProgress : public Progress {
 public:
  explicit ScriptedProgress(std::int64_t cancelAt) : m_cancelAt(cancelAt) {}
  void report(std::int64_t done, std::int64_t total) override {
    std::lock_guard lock(m_mutex);
    EXPECT_GE(done, m_lastDone);
    m_lastDone = done;
    m_total = total;
  }
  bool cancelRequested() const override {
    std::lock_guard lock(m_mutex);
    return m_cancelAt >= 0 && m_lastDone >= m_cancelAt;
  }
  std::int64_t lastDone() const { return m_lastDone; }
  std::int64_t total() const { return m_total; }

 private:
  mutable std::mutex m_mutex;
  std::int64_t m_cancelAt;
  std::int64_t m_lastDone = 0;
  std::int64_t m_total = 0;
};

class SlowTask : public ReplicateTask {
 public:
  explicit SlowTask(std::atomic<int>& runs) : m_runs(runs) {}
  void run(Index, ReplicateStream&, std::span<double> values, Host&) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    values[0] = 0;
    ++m_runs;
  }

 private:
  std::atomic<int>& m_runs;
};

TEST(ReplicateEngine, ReportsProgressToTheEnd) {
  ScriptedProgress progress(-1);
  ReplicateResults r = runReplicates(
      50, 1, [] { return std::make_unique<CountdownTask>(50); }, {std::uint64_t{1}, &progress, 2},
      silentHost());
  EXPECT_EQ(progress.lastDone(), 50);
  EXPECT_EQ(progress.total(), 50);
}

TEST(ReplicateEngine, CancelStopsBetweenReplicates) {
  for (std::int64_t cancelAt : {0, 20}) {
    ScriptedProgress progress(cancelAt);
    std::atomic<int> runs = 0;
    EXPECT_THROW(runReplicates(
                     2000, 1, [&] { return std::make_unique<SlowTask>(runs); },
                     {std::uint64_t{1}, &progress, 2}, silentHost()),
                 Cancelled);
    EXPECT_LT(runs.load(), 1000) << "cancel at " << cancelAt;
    if (cancelAt == 0) {
      EXPECT_EQ(runs.load(), 0);
    }
  }
}

class FailingTask : public ReplicateTask {
 public:
  void run(Index replicate, ReplicateStream&, std::span<double> values, Host&) override {
    if (replicate == 37) {
      throw Error("replicate 38 failed");
    }
    values[0] = 0;
  }
};

TEST(ReplicateEngine, PassesOnAReplicatesError) {
  for (int threads : {1, 3}) {
    try {
      runReplicates(
          200, 1, [] { return std::make_unique<FailingTask>(); },
          {std::uint64_t{1}, nullptr, threads}, silentHost());
      ADD_FAILURE() << "no error with " << threads << " threads";
    } catch (const Error& e) {
      EXPECT_STREQ(e.what(), "replicate 38 failed");
    }
  }
}

}  // namespace
}  // namespace vexmoor
