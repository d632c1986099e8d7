#include "compare/resampling_replicates.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "compare/replicate_statistics.h"
#include "compare/subspace_angle.h"
#include "runtime/error.h"

namespace vexmoor {
namespace {

// Rows drawn with replacement: row a of the sample is row ceil(from · u)
// of the source (all its columns), copied only where the sample's route
// needs them. `positions` keeps the rows drawn.
void drawRows(ReplicateStream& stream, const Matrix& source, const ResamplingSource& prepared,
              Index from, SampleAxes& sample, Index rows, std::vector<Index>& positions) {
  sample.sample(rows, source.cols());
  positions.resize(static_cast<size_t>(rows));
  stream.fillPositions(from, positions.data(), rows);
  sample.setRowsOf(source, positions, prepared.gram.size() > 0 ? &prepared.gram : nullptr,
                   &prepared.products);
}

using Sources = std::array<const ResamplingSource*, 2>;

// Numbers uniform on (-1, 1), drawn column by column.
void drawNoise(ReplicateStream& stream, Matrix& sample) {
  stream.fillSymmetric(sample.data(), sample.size());
}

// The work space and the statistics every test shares.
// The size of a group's values, to which the rank of its samples is
// judged (as for the observed group).
double sourceSize(const AnalysisInput& in, const Matrix& source) {
  return std::max(in.scale, source.size() > 0 ? source.cwiseAbs().maxCoeff() : 0.0);
}

class TestTask : public ReplicateTask {
 public:
  TestTask(const AnalysisInput& in, const Sources& sources, int schemes)
      : m_in(in),
        m_k(in.npca),
        m_sources(sources),
        m_size{sourceSize(in, in.source1), sourceSize(in, in.source2)},
        m_degenerate(static_cast<size_t>(schemes), 0) {}

  std::vector<Index> tallies() const override { return m_degenerate; }

 protected:
  // Angle and metric between two computed samples, with the console lines
  // of one angle computation.
  PairStatistics compare(SampleAxes& a, SampleAxes& b, Host& console) {
    a.compute(m_k);
    b.compute(m_k);
    PairStatistics s = m_pair.compare(a.axes(), b.axes());
    if (console.consoleEnabled()) {
      displayMezeyDiagnostics(console, {s.angle, 0.0, s.largestAngle});
    }
    return s;
  }

  // A bootstrap pair of group g (0 or 1): `first` rows, then `second`
  // rows, both from the m rows of the resampling source, into m_first[g]
  // and m_second[g].
  void drawPair(ReplicateStream& stream, int g, const Matrix& source, Index m, Index first,
                Index second) {
    drawRows(stream, source, *m_sources[g], m, m_first[g], first, m_positions);
    drawRows(stream, source, *m_sources[g], m, m_second[g], second, m_positions);
  }

  // Group g's within-group bootstrap pair, drawn and compared: m1 and m1
  // rows for group 1, m2 and the smaller group size for group 2. Counted
  // in scheme g when a sample is degenerate.
  PairStatistics withinGroupPair(ReplicateStream& stream, int g, Host& console) {
    const Index m1 = m_in.m1, m2 = m_in.m2;
    if (g == 0) {
      drawPair(stream, 0, m_in.source1, m1, m1, m1);
    } else {
      drawPair(stream, 1, m_in.source2, m2, m2, std::min(m1, m2));
    }
    PairStatistics s = compare(m_first[g], m_second[g], console);
    tally(g, m_first[g], m_size[g], m_second[g], m_size[g]);
    return s;
  }

  // Counts a replicate in `scheme` when either computed sample has fewer
  // independent directions than the components compared: its axes, and so
  // its statistics, are then partly arbitrary.
  void tally(int scheme, const SampleAxes& a, double sizeA, const SampleAxes& b, double sizeB) {
    if (a.rankBelow(m_k, sizeA) || b.rankBelow(m_k, sizeB)) {
      ++m_degenerate[static_cast<size_t>(scheme)];
    }
  }

  const AnalysisInput& m_in;
  const int m_k;
  // One work space per sample role, so that no sample changes size from
  // replicate to replicate.
  SampleAxes m_first[2], m_second[2];
  // Each group's source rows' inner products, for samples of few rows,
  // and their products of variables, for samples of many; shared by every
  // thread.
  const Sources m_sources;
  const double m_size[2];
  std::vector<Index> m_degenerate;  // per scheme, in the test's order
  SubspacePair m_pair;
  std::vector<Index> m_positions;
};

class BootTask : public TestTask {
 public:
  static constexpr ResamplingTest kTest = ResamplingTest::kBoot;
  using TestTask::TestTask;
  void run(Index, ReplicateStream& stream, std::span<double> values, Host& console) override {
    PairStatistics g1 = withinGroupPair(stream, 0, console);
    PairStatistics g2 = withinGroupPair(stream, 1, console);
    values[kBootAngle1] = g1.angle;
    values[kBootAngle2] = g2.angle;
    values[kBootMetric1] = g1.metric;
    values[kBootMetric2] = g2.metric;
  }
};

class BootRangeTask : public TestTask {
 public:
  static constexpr ResamplingTest kTest = ResamplingTest::kBootRange;
  using TestTask::TestTask;
  void run(Index, ReplicateStream& stream, std::span<double> values, Host& console) override {
    drawRows(stream, m_in.source1, *m_sources[0], m_in.m1, m_first[0], m_in.m1, m_positions);
    drawRows(stream, m_in.source2, *m_sources[1], m_in.m2, m_first[1], m_in.m2, m_positions);
    PairStatistics s = compare(m_first[0], m_first[1], console);
    tally(0, m_first[0], m_size[0], m_first[1], m_size[1]);
    values[kPairAngle] = s.angle;
    values[kPairMetric] = s.metric;
  }
};

Index noiseColumns(const AnalysisInput& in) {
  // Without partial warps the column of ones appended by the preparation
  // is counted too.
  return in.pwactive ? in.n - 1 : in.n;
}

class RangeTask : public TestTask {
 public:
  static constexpr ResamplingTest kTest = ResamplingTest::kRange;
  using TestTask::TestTask;
  void run(Index, ReplicateStream& stream, std::span<double> values, Host& console) override {
    PairStatistics g1 = withinGroupPair(stream, 0, console);
    values[kRangeFlury1] = m_flury.statistic(m_first[0], m_second[0]);
    PairStatistics g2 = withinGroupPair(stream, 1, console);
    values[kRangeFlury2] = m_flury.statistic(m_first[1], m_second[1]);
    const Index r = noiseColumns(m_in);
    drawNoise(stream, m_noise1.sample(m_in.m1, r));
    drawNoise(stream, m_noise2.sample(m_in.m2, r));
    PairStatistics random = compare(m_noise1, m_noise2, console);
    tally(2, m_noise1, 1.0, m_noise2, 1.0);
    values[kRangeFluryRandom] = m_flury.statistic(m_noise1, m_noise2);
    values[kRangeAngle1] = g1.angle;
    values[kRangeAngle2] = g2.angle;
    values[kRangeAngleRandom] = random.angle;
    values[kRangeMetric1] = g1.metric;
    values[kRangeMetric2] = g2.metric;
    values[kRangeMetricRandom] = random.metric;
  }

 private:
  SampleAxes m_noise1, m_noise2;
  FluryWorkspace m_flury;
};

class ShuffleTask : public TestTask {
 public:
  static constexpr ResamplingTest kTest = ResamplingTest::kShuffle;
  using TestTask::TestTask;
  void run(Index, ReplicateStream& stream, std::span<double> values, Host& console) override {
    shuffle(stream, m_in.source1, m_in.m1, m_first[0]);
    shuffle(stream, m_in.source2, m_in.m2, m_first[1]);
    PairStatistics s = compare(m_first[0], m_first[1], console);
    tally(0, m_first[0], m_size[0], m_first[1], m_size[1]);
    values[kPairAngle] = s.angle;
    values[kPairMetric] = s.metric;
  }

 private:
  // m row positions, then p column positions, both with replacement; the
  // sample takes every drawn column of every drawn row.
  void shuffle(ReplicateStream& stream, const Matrix& source, Index m, SampleAxes& out) {
    const Index p = m_in.n - 1;
    m_rows.resize(static_cast<size_t>(m));
    m_columns.resize(static_cast<size_t>(p));
    stream.fillPositions(m, m_rows.data(), m);
    stream.fillPositions(p, m_columns.data(), p);
    Matrix& sample = out.sample(m, p);
    for (Index b = 0; b < p; ++b) {
      for (Index a = 0; a < m; ++a) {
        sample(a, b) = source(m_rows[static_cast<size_t>(a)], m_columns[static_cast<size_t>(b)]);
      }
    }
    out.setRowIds(m_rows, m);
  }

  std::vector<Index> m_rows, m_columns;
};

class RandomizationTask : public TestTask {
 public:
  static constexpr ResamplingTest kTest = ResamplingTest::kRandomization;
  using TestTask::TestTask;
  void run(Index, ReplicateStream& stream, std::span<double> values, Host& console) override {
    const Index r = noiseColumns(m_in);
    drawNoise(stream, m_first[0].sample(m_in.m1, r));
    drawNoise(stream, m_first[1].sample(m_in.m2, r));
    PairStatistics s = compare(m_first[0], m_first[1], console);
    tally(0, m_first[0], 1.0, m_first[1], 1.0);
    values[kPairAngle] = s.angle;
    values[kPairMetric] = s.metric;
  }
};

template <typename Task>
ReplicateTaskFactory factoryOf(const AnalysisInput& in, const Sources& sources) {
  const int schemes = static_cast<int>(degenerateSchemes(Task::kTest).size());
  return [&in, sources, schemes] { return std::make_unique<Task>(in, sources, schemes); };
}

// The fewest variables any replicate of the test sees.
Index replicateVariables(ResamplingTest test, const AnalysisInput& in) {
  switch (test) {
    case ResamplingTest::kShuffle:
      return in.n - 1;
    case ResamplingTest::kRandomization:
      return noiseColumns(in);
    case ResamplingTest::kRange:
      return std::min(in.source1.cols(), noiseColumns(in));
    default:
      return in.source1.cols();
  }
}

void checkInput(ResamplingTest test, const AnalysisInput& in) {
  if (in.m1 < 2 || in.m2 < 2) {
    throw Error("the resampling tests need at least 2 specimens in each group");
  }
  if (in.source1.cols() != in.source2.cols() || in.source1.rows() != in.m1 ||
      in.source2.rows() != in.m2 || in.source1.cols() < in.n - 1) {
    throw Error("the groups' resampling sources do not fit their shape variables");
  }
  Index p = replicateVariables(test, in);
  if (in.npca < 1 || in.npca > p) {
    throw Error("the number of components must be a whole number from 1 to " + std::to_string(p) +
                " (the variables of each replicate); it is " + std::to_string(in.npca));
  }
}

}  // namespace

std::span<const DegenerateScheme> degenerateSchemes(ResamplingTest test) {
  static constexpr DegenerateScheme kBoot[] = {{"group1", 0}, {"group2", 1}};
  static constexpr DegenerateScheme kBetween[] = {{"between", -1}};
  static constexpr DegenerateScheme kRange[] = {{"group1", 0}, {"group2", 1}, {"random", -1}};
  static constexpr DegenerateScheme kShuffled[] = {{"shuffled", -1}};
  static constexpr DegenerateScheme kRandom[] = {{"random", -1}};
  switch (test) {
    case ResamplingTest::kBoot:
      return kBoot;
    case ResamplingTest::kBootRange:
      return kBetween;
    case ResamplingTest::kRange:
      return kRange;
    case ResamplingTest::kShuffle:
      return kShuffled;
    case ResamplingTest::kRandomization:
      return kRandom;
  }
  return {};
}

bool drawsWholeRows(ResamplingTest test) {
  return test == ResamplingTest::kBoot || test == ResamplingTest::kBootRange ||
         test == ResamplingTest::kRange;
}

ResamplingSource resamplingSource(const Matrix& source) {
  ResamplingSource s;
  if (source.rows() <= kGramRows) {
    s.gram = sourceGram(source);
  }
  s.products = sourceProducts(source);
  return s;
}

std::string_view resamplingTitle(ResamplingTest test) {
  switch (test) {
    case ResamplingTest::kBoot:
    case ResamplingTest::kRange:
      return "Bootstrap Test of Angle";
    case ResamplingTest::kBootRange:
      return "Bootstrap Test of Range of Angle";
    case ResamplingTest::kShuffle:
      return "Random Shuffle Test of Angle";
    case ResamplingTest::kRandomization:
      return "Randomization Test of Angle";
  }
  return {};
}

Index replicateCount(ResamplingTest test, int bootValue) {
  if (bootValue < 1 || bootValue > kMaxBootValue) {
    throw Error("the resampling size v must be a whole number from 1 to " +
                std::to_string(kMaxBootValue) + "; it is " + std::to_string(bootValue));
  }
  Index v = bootValue;
  return test == ResamplingTest::kBootRange ? 100 * v : 100 * v * v;
}

ReplicateResults resamplingReplicates(ResamplingTest test, const AnalysisInput& in,
                                      const ResamplingOptions& options, Host& host) {
  Index count = replicateCount(test, options.bootValue);
  checkInput(test, in);
  ReplicateRunOptions run{options.seed, options.progress, options.threads};
  const bool drawsRows = drawsWholeRows(test);
  std::optional<ResamplingSource> own[2];
  Sources sources = options.sources;
  for (int g = 0; g < 2 && drawsRows; ++g) {
    if (!sources[g]) {
      sources[g] = &own[g].emplace(resamplingSource(g == 0 ? in.source1 : in.source2));
    }
  }
  switch (test) {
    case ResamplingTest::kBoot:
      return runReplicates(count, kBootColumns, factoryOf<BootTask>(in, sources), run, host);
    case ResamplingTest::kBootRange:
      return runReplicates(count, kPairColumns, factoryOf<BootRangeTask>(in, sources), run, host);
    case ResamplingTest::kRange:
      return runReplicates(count, kRangeColumns, factoryOf<RangeTask>(in, sources), run, host);
    case ResamplingTest::kShuffle:
      return runReplicates(count, kPairColumns, factoryOf<ShuffleTask>(in, sources), run, host);
    case ResamplingTest::kRandomization:
      return runReplicates(count, kPairColumns, factoryOf<RandomizationTask>(in, sources), run,
                           host);
  }
  throw Error("unknown resampling test");
}

}  // namespace vexmoor
