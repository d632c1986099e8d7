#include "analyses/group_comparison.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>
#include <numeric>
#include <optional>

#include "compare/angle_between_planes.h"
#include "compare/principal_axes.h"
#include "compare/replicate_stream.h"
#include "cpc/model_hierarchy.h"
#include "cpc/model_numerics.h"
#include "runtime/error.h"
#include "runtime/format.h"
#include "runtime/text.h"

namespace vexmoor {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

std::vector<GroupData> groupData(const AnalysisRequest& r) {
  std::vector<GroupData> groups;
  for (const NamedData& g : r.groups) {
    groups.push_back({g.data, namedGroupLabel(g.name)});
  }
  return groups;
}

struct Frame {
  PooledInput pooled;
  GroupComparison comparison;
};

Frame pooledFrame(const AnalysisRequest& r, ConsensusRounding rounding, ComponentsText k,
                  Host& host) {
  Frame f;
  f.pooled = preparePooledAnalysis(groupData(r), r.settings, rounding, k, host, r.progress);
  size_t groups = r.groups.size();
  for (size_t g = 0; g < groups; ++g) {
    f.comparison.names.push_back(r.groups[g].name);
    f.comparison.sizes.push_back(f.pooled.groups[g].m);
  }
  Index kk = static_cast<Index>(groups);
  f.comparison.angle = Matrix::Constant(kk, kk, kNaN);
  f.comparison.runtimeAngle = Matrix::Constant(kk, kk, kNaN);
  f.comparison.metric = Matrix::Constant(kk, kk, kNaN);
  f.comparison.flury = Matrix::Constant(kk, kk, kNaN);
  for (size_t a = 0; a < groups; ++a) {
    for (size_t b = a + 1; b < groups; ++b) {
      GroupPair pair;
      pair.first = a;
      pair.second = b;
      f.comparison.pairs.push_back(std::move(pair));
    }
  }
  return f;
}

AnalysisResult resultOf(const char* action, const AnalysisRequest& r, const Frame& f) {
  AnalysisResult result;
  result.action = action;
  const PooledInput& in = f.pooled;
  result.groups.m1 = in.groups[0].m;
  result.groups.m2 = in.groups[1].m;
  Index dimension = r.settings.threeD ? 3 : 2;
  result.groups.landmarks = (r.groups[0].data->cols() - 1) / dimension;
  result.groups.variables = in.groups[0].x.cols();
  result.groups.npca = in.npca;
  return result;
}

void setBoth(Matrix& m, const GroupPair& p, double v) {
  m(static_cast<Index>(p.first), static_cast<Index>(p.second)) = v;
  m(static_cast<Index>(p.second), static_cast<Index>(p.first)) = v;
}

std::string shown(const std::string& name) {
  return escapeNonPrintable(name);
}

std::string padLeft(const std::string& s, size_t width) {
  return s.size() >= width ? s : std::string(width - s.size(), ' ') + s;
}

std::string padRight(const std::string& s, size_t width) {
  return s.size() >= width ? s : s + std::string(width - s.size(), ' ');
}

std::string cell(const char* fmt, double v) {
  return format(fmt, {v});
}

// A k × k table with the group names as row and column heads; the
// diagonal shows "-".
std::string squareTable(const std::string& title, const GroupComparison& c, const Matrix& values,
                        const char* fmt) {
  size_t nameWidth = 4;
  for (const std::string& n : c.names) {
    nameWidth = std::max(nameWidth, shown(n).size());
  }
  std::string text = "\n" + title + "\n" + std::string(nameWidth, ' ');
  std::vector<size_t> widths;
  for (const std::string& n : c.names) {
    widths.push_back(std::max<size_t>(8, shown(n).size()));
    text += "  " + padLeft(shown(n), widths.back());
  }
  for (size_t a = 0; a < c.names.size(); ++a) {
    text += "\n" + padRight(shown(c.names[a]), nameWidth);
    for (size_t b = 0; b < c.names.size(); ++b) {
      std::string v =
          a == b ? "-" : cell(fmt, values(static_cast<Index>(a), static_cast<Index>(b)));
      text += "  " + padLeft(v, widths[b]);
    }
  }
  return text;
}

std::string pairName(const GroupComparison& c, const GroupPair& p) {
  return shown(c.names[p.first]) + " / " + shown(c.names[p.second]);
}

// One row per pair: the pair's name, then one cell per column.
std::string pairTable(const std::string& title, const GroupComparison& c,
                      const std::vector<std::string>& heads,
                      const std::vector<std::vector<std::string>>& cells) {
  size_t nameWidth = 4;
  for (const GroupPair& p : c.pairs) {
    nameWidth = std::max(nameWidth, pairName(c, p).size());
  }
  std::vector<size_t> widths;
  std::string text = "\n" + title + "\n" + padRight("pair", nameWidth);
  for (size_t j = 0; j < heads.size(); ++j) {
    size_t w = heads[j].size();
    for (const std::vector<std::string>& row : cells) {
      w = std::max(w, row[j].size());
    }
    widths.push_back(w);
    text += "  " + padLeft(heads[j], w);
  }
  for (size_t i = 0; i < c.pairs.size(); ++i) {
    text += "\n" + padRight(pairName(c, c.pairs[i]), nameWidth);
    for (size_t j = 0; j < heads.size(); ++j) {
      text += "  " + padLeft(cells[i][j], widths[j]);
    }
  }
  return text;
}

// The format of a replicate statistic by what it measures.
const char* statisticFormat(const std::string& name) {
  if (name.rfind("angle", 0) == 0) {
    return "%4.2f";
  }
  if (name.rfind("flury", 0) == 0) {
    return "%4.4f";
  }
  return "%4.3f";
}

std::string groupsLine(const GroupComparison& c, int npca, const std::string& more) {
  std::string k = std::to_string(c.names.size());
  std::string line = "\n" + k + " groups";
  if (npca > 0) {
    line += ", " + std::to_string(npca) + " components";
  }
  line += more + "; every number comes from the pooled frame of all " + k + " groups\nGroups:";
  for (size_t g = 0; g < c.names.size(); ++g) {
    line += (g == 0 ? " " : ", ") + shown(c.names[g]) + " (" + std::to_string(c.sizes[g]) + ")";
  }
  return line;
}

// Reports a pair's replicates as a share of all pairs' replicates.
class PairProgress : public Progress {
 public:
  PairProgress(Progress* outer, std::int64_t pair, std::int64_t pairs)
      : m_outer(outer), m_pair(pair), m_pairs(pairs) {}
  void report(std::int64_t done, std::int64_t total) override {
    if (!m_described) {
      // From the pair's first report on, whatever thread gives it.
      m_described = true;
      m_outer->describe("pair " + std::to_string(m_pair + 1) + " of " + std::to_string(m_pairs));
    }
    m_outer->report(m_pair * total + done, m_pairs * total);
  }
  bool cancelRequested() const override { return m_outer->cancelRequested(); }
  void describe(std::string_view text) override { m_outer->describe(text); }

 private:
  Progress* m_outer;
  std::int64_t m_pair, m_pairs;
  std::atomic<bool> m_described{false};
};

// How the user knows variable i (0-based) of the analysed matrices.
std::string variableName(const AnalysisRequest& r, Index i, Index variables) {
  bool raw = !r.settings.threeD && !r.settings.partialWarps;
  if (!raw) {
    return "shape variable " + std::to_string(i + 1);
  }
  std::string column = "column " + std::to_string(i + 1) + " of the landmark data";
  if (i == variables - 1) {
    return "the trailing value (" + column + ")";
  }
  return std::string(i % 2 == 0 ? "the x" : "the y") + " coordinate of landmark " +
         std::to_string(i / 2 + 1) + " (" + column + ")";
}

// One line on the pairs whose replicates compared degenerate samples.
std::string degeneratePairsNote(const GroupComparison& c, int k) {
  Index pairs = 0, replicates = 0;
  for (const GroupPair& p : c.pairs) {
    Index own = 0;
    for (const DegenerateCount& d : p.resampling->degenerate) {
      own += d.count;
    }
    pairs += own > 0 ? 1 : 0;
    replicates += own;
  }
  if (pairs == 0) {
    return {};
  }
  return "Note: in " + std::to_string(pairs) + " of the " + std::to_string(c.pairs.size()) +
         " pairs, " + std::to_string(replicates) +
         " replicates in all compared a sample with fewer independent directions than the " +
         std::to_string(k) + (k == 1 ? " component" : " components") +
         " asked for (each pair's counts are in the JSON), so their angles and metrics rest "
         "partly on arbitrary axes.";
}

}  // namespace

std::string namedGroupLabel(const std::string& name) {
  return "group \"" + escapeNonPrintable(name) + "\"";
}

std::uint64_t pairSeed(std::uint64_t seed, size_t pair) {
  // A stream number far beyond any replicate number, so a pair's seed never
  // repeats a replicate's stream of the same run.
  ReplicateStream stream(seed, (std::uint64_t{1} << 62) + pair);
  return stream.next();
}

std::vector<double> holmAdjusted(const std::vector<double>& p) {
  std::vector<size_t> order;
  for (size_t i = 0; i < p.size(); ++i) {
    if (!std::isnan(p[i])) {
      order.push_back(i);
    }
  }
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return p[a] < p[b]; });
  std::vector<double> adjusted(p.size(), kNaN);
  double running = 0;
  const double m = static_cast<double>(order.size());
  for (size_t rank = 0; rank < order.size(); ++rank) {
    double value = std::min(1.0, (m - static_cast<double>(rank)) * p[order[rank]]);
    running = std::max(running, value);
    adjusted[order[rank]] = running;
  }
  return adjusted;
}

AnalysisResult compareGroupsAngle(const AnalysisRequest& r, Host& host) {
  Frame f = pooledFrame(r, ConsensusRounding::kFourDecimals, ComponentsText::kRead, host);
  GroupComparison& c = f.comparison;
  for (GroupPair& p : c.pairs) {
    AngleBetweenPlanes angle =
        angleBetweenPlanes(pairInput(f.pooled, p.first, p.second), host, r.progress);
    p.observed = angle.observed;
    setBoth(c.angle, p, angle.observed.angle);
    setBoth(c.runtimeAngle, p, angle.observed.runtimeAngle.value_or(kNaN));
    setBoth(c.metric, p, angle.observed.metric);
  }
  AnalysisResult result = resultOf("DoMezeyAngle", r, f);
  result.text = joinTrimmed(
      {"Results of the Angle between Planes Calculation", groupsLine(c, f.pooled.npca, ""),
       "\n" + squareTable("The angle between the planes", c, c.angle, "%3.2f"),
       squareTable("Matlab angle", c, c.runtimeAngle, "%3.2f"),
       squareTable("Krzanowskis summed eigenvalue metric", c, c.metric, "%3.3f")});
  result.comparison = std::move(c);
  return result;
}

AnalysisResult compareGroupsCpc(const AnalysisRequest& r, Host& host) {
  Frame f = pooledFrame(r, ConsensusRounding::kFourDecimals, ComponentsText::kIgnore, host);
  std::vector<double> n;
  std::vector<std::string> labels;
  std::vector<const Matrix*> x;
  for (const PreparedGroup& g : f.pooled.groups) {
    n.push_back(static_cast<double>(g.m));
    labels.push_back(g.label);
    x.push_back(&g.x);
  }
  std::optional<PooledComponents> components;
  if (r.settings.pcs > 0) {
    components = pooledComponents(x, r.settings.pcs, labels, r.progress);
  }
  std::vector<Matrix> s;
  for (const Matrix* g : x) {
    s.push_back(components ? covariance(*g * components->axes) : covariance(*g));
  }
  if (s[0].rows() >= 2) {
    if (auto z = findZeroVariance(s, false)) {
      std::string where = z->group == 0 ? "all " + std::to_string(s.size()) + " groups"
                                        : labels[static_cast<size_t>(z->group - 1)];
      std::string what = components ? "principal component " + std::to_string(z->variable + 1)
                                    : variableName(r, z->variable, s[0].rows());
      throw Error(what + " has zero variance in " + where +
                  " (the same value in every specimen), so the common principal components "
                  "cannot be estimated");
    }
  }
  requireMoreSpecimensThanVariables(n, s[0].rows(), labels);
  ModelHierarchy h = fitModelHierarchy(s, n, host, {}, labels, r.progress);
  if (components) {
    h.components = r.settings.pcs;
    h.componentShare = components->share;
  }
  AnalysisResult result = resultOf("RunCPC", r, f);
  result.text = modelHierarchyText(h, host, groupsLine(f.comparison, 0, ""));
  result.models = std::move(h);
  result.comparison = std::move(f.comparison);
  return result;
}

AnalysisResult compareGroupsResampling(const char* action, ResamplingFunction test,
                                       ResamplingTest kind, const AnalysisRequest& r, Host& host) {
  Frame f = pooledFrame(r, ConsensusRounding::kNone, ComponentsText::kRead, host);
  GroupComparison& c = f.comparison;
  std::uint64_t seed = r.seed.value_or(freshSeed());
  const auto pairs = static_cast<std::int64_t>(c.pairs.size());
  // A group's rows' products serve every pair it belongs to.
  std::vector<ResamplingSource> sources;
  if (drawsWholeRows(kind)) {
    for (const PreparedGroup& g : f.pooled.groups) {
      throwIfCancelled(r.progress);
      sources.push_back(resamplingSource(g.source));
    }
  }
  for (size_t i = 0; i < c.pairs.size(); ++i) {
    GroupPair& p = c.pairs[i];
    p.seed = pairSeed(seed, i);
    PairProgress progress(r.progress, static_cast<std::int64_t>(i), pairs);
    ResamplingOptions options{r.settings.bootValue, p.seed, r.progress ? &progress : nullptr,
                              r.threads};
    if (!sources.empty()) {
      options.sources = {&sources[p.first], &sources[p.second]};
    }
    ResamplingResult one = test(pairInput(f.pooled, p.first, p.second), options, host);
    p.observed = one.observed;
    setBoth(c.angle, p, one.observed.angle);
    setBoth(c.metric, p, one.observed.metric);
    setBoth(c.flury, p, one.observed.flury.value_or(kNaN));
    if (r.pairFinished) {
      r.pairFinished(c, p, one);
    }
    // Only what the texts and the JSON take from the pair stays: with many
    // pairs the replicates would outgrow memory.
    one.values = Matrix();
    std::string().swap(one.text);
    p.resampling = std::move(one);
  }
  // Each p-value is adjusted over the pairs: the family is one test's
  // question asked of every pair.
  const std::vector<EmpiricalPValue>& kinds = c.pairs[0].resampling->pValues;
  for (GroupPair& p : c.pairs) {
    p.holm.assign(kinds.size(), kNaN);
  }
  for (size_t j = 0; j < kinds.size(); ++j) {
    std::vector<double> raw;
    for (const GroupPair& p : c.pairs) {
      raw.push_back(p.resampling->pValues[j].p);
    }
    std::vector<double> adjusted = holmAdjusted(raw);
    for (size_t i = 0; i < c.pairs.size(); ++i) {
      c.pairs[i].holm[j] = adjusted[i];
    }
  }

  const ResamplingResult& first = *c.pairs[0].resampling;
  std::vector<std::string> pieces{std::string(resamplingTitle(kind))};
  pieces.push_back(groupsLine(c, f.pooled.npca,
                              ", " + std::to_string(first.replicates) +
                                  " replicates for each of the " + std::to_string(pairs) +
                                  " pairs"));
  pieces.push_back("\n" + squareTable("Observed angle", c, c.angle, "%4.2f"));
  pieces.push_back(squareTable("Observed Krzanowski metric", c, c.metric, "%4.3f"));
  if (first.observed.flury) {
    pieces.push_back(squareTable("Observed Chi^2 (Flury)", c, c.flury, "%4.4f"));
  }
  std::vector<std::string> heads;
  for (const PrintedPercentile& q : first.percentiles) {
    heads.push_back(q.name);
  }
  std::vector<std::vector<std::string>> cells;
  for (const GroupPair& p : c.pairs) {
    std::vector<std::string> row;
    for (const PrintedPercentile& q : p.resampling->percentiles) {
      row.push_back(cell(statisticFormat(q.name), q.value));
    }
    cells.push_back(std::move(row));
  }
  pieces.push_back("\n" + pairTable("Percentiles of the replicates for each pair (group 1 is the "
                                    "pair's first group, group 2 its second)",
                                    c, heads, cells));
  if (!kinds.empty()) {
    heads.clear();
    cells.clear();
    for (const EmpiricalPValue& k : kinds) {
      heads.push_back(k.name);
    }
    for (const GroupPair& p : c.pairs) {
      std::vector<std::string> row;
      for (size_t j = 0; j < kinds.size(); ++j) {
        row.push_back(cell("%.4f", p.resampling->pValues[j].p) + " " + cell("%.4f", p.holm[j]));
      }
      cells.push_back(std::move(row));
    }
    pieces.push_back("\n" + pairTable("p-values for each pair: raw, then Holm-adjusted over the " +
                                          std::to_string(pairs) + " pairs",
                                      c, heads, cells));
  }
  AnalysisResult result = resultOf(action, r, f);
  result.text = joinTrimmed(pieces);
  result.note = degeneratePairsNote(c, f.pooled.npca);
  result.seed = seed;
  result.comparison = std::move(c);
  return result;
}

}  // namespace vexmoor
