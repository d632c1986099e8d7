#include "compare/analysis_input.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <string>

#include "compare/group_checks.h"
#include "runtime/error.h"
#include "runtime/format.h"
#include "runtime/text.h"
#include "shape/centroid.h"
#include "shape/consensus2d.h"
#include "shape/partial_warps2d.h"
#include "shape/procrustes2d.h"

namespace vexmoor {
namespace {

void checkGroup(const GroupData& g) {
  if (!g.data) {
    throw Error(g.label + " is not loaded");
  }
  if (g.data->rows() < 2) {
    throw Error(g.label + " has " + std::to_string(g.data->rows()) +
                " specimen; the analyses need at least 2 in each group");
  }
}

void checkShapeColumns(const std::vector<GroupData>& groups, bool threeD) {
  int d = threeD ? 3 : 2;
  Index cols = groups[0].data->cols();
  for (size_t g = 1; g < groups.size(); ++g) {
    if (groups[g].data->cols() != cols) {
      throw Error("the groups do not have the same landmarks: " + groups[0].label + " has " +
                  std::to_string(cols) + " values for each specimen, " + groups[g].label + " has " +
                  std::to_string(groups[g].data->cols()));
    }
  }
  if (cols < 2 * d + 1 || (cols - 1) % d != 0) {
    throw Error("the specimens have " + std::to_string(cols) + " values each; " +
                (threeD ? "three" : "two") + "-dimensional data need " + std::to_string(d) +
                "k + 1 (k landmarks and a trailing value)");
  }
}

void checkCentroidSizes(const GroupData& g) {
  const Matrix& data = *g.data;
  Vector sizes = centsize(data.leftCols(data.cols() - 1));
  for (Index i = 0; i < sizes.size(); ++i) {
    if (!(sizes(i) > 0)) {
      throw Error(g.label + ", specimen " + std::to_string(i + 1) +
                  ": all landmarks coincide (centroid size 0), so the specimen has no shape");
    }
  }
}

Matrix withOnesColumn(const Matrix& data) {
  Matrix out(data.rows(), data.cols() + 1);
  out << data, Matrix::Ones(data.rows(), 1);
  return out;
}

Matrix stackedData(const std::vector<GroupData>& groups) {
  Index rows = 0;
  for (const GroupData& g : groups) {
    rows += g.data->rows();
  }
  Matrix pooled(rows, groups[0].data->cols());
  Index row = 0;
  for (const GroupData& g : groups) {
    pooled.middleRows(row, g.data->rows()) = *g.data;
    row += g.data->rows();
  }
  return pooled;
}

// The pooled consensus of every group's specimens, turned to its principal
// axes, that each group is fitted onto.
RowVector pooledReference(const std::vector<GroupData>& groups, ConsensusRounding rounding,
                          Host& host, const Progress* progress) {
  for (const GroupData& g : groups) {
    checkCentroidSizes(g);
  }
  Consensus2D consensus = getconsensuspca(stackedData(groups), kMaxConsensusPasses, progress);
  if (!consensus.converged) {
    std::string text =
        format("The consensus did not settle within %i passes; the results use the last estimate.",
               {double(consensus.passes)});
    display(host, "warning", text);
    host.messageBox(text);
  }
  RowVector reference = consensus.reference;
  if (rounding == ConsensusRounding::kFourDecimals) {
    reference =
        (reference * 10000.0).unaryExpr([](double v) { return roundHalfAway(v); }) / 10000.0;
    // Dense landmarks (a consensus of unit size, so about 1500 on an
    // outline) can merge in the rounding although the data keep them apart.
    auto merged = coincidingLandmarks(reference);
    if (merged && !coincidingLandmarks(consensus.reference)) {
      throw Error(format(
          "the pooled consensus, rounded to four decimals for the partial warps, "
          "puts landmarks %i and %i at one point, so the thin-plate spline has no "
          "solution: of %i landmarks on a shape of unit size, neighbours closer "
          "than 0.0001 merge; use fewer landmarks or raw coordinates",
          {double(merged->first), double(merged->second), double((reference.size() - 1) / 2)}));
    }
  }
  return reference;
}

void partialWarpScores(const std::vector<GroupData>& groups, ConsensusRounding rounding, Host& host,
                       const Progress* progress, PooledInput& in) {
  RowVector reference = pooledReference(groups, rounding, host, progress);
  // One set of warps for every group: they depend on the reference only.
  Matrix warps = referenceWarps(reference, progress);
  for (size_t g = 0; g < groups.size(); ++g) {
    throwIfCancelled(progress);
    in.groups[g].pwscore = getpwpca(reference, getpsup(*groups[g].data, reference), warps);
  }
  in.consensus = vertxy(reference.head(reference.size() - 1)).transpose();
}

}  // namespace

int parseComponents(const std::string& text, Index variables) {
  // Fractions are accepted and rounded, so the rule says so.
  std::string rule = "a number that rounds to a whole number from 1 to " +
                     std::to_string(variables) + " (the number of shape variables)";
  std::string shown = text.empty() ? "nothing" : "\"" + escapeNonPrintable(text) + "\"";
  auto numbers = parseNumbers(text);
  if (!numbers || numbers->size() != 1 || !std::isfinite((*numbers)[0])) {
    throw Error("the number of components must be " + rule + "; " + shown + " was entered");
  }
  double k = roundHalfAway((*numbers)[0]);
  if (k < 1 || k > static_cast<double>(variables)) {
    std::string what = k == (*numbers)[0]
                           ? "it is " + format("%g", {k})
                           : shown + " was entered, which rounds to " + format("%g", {k});
    throw Error("the number of components must be " + rule + "; " + what);
  }
  return static_cast<int>(k);
}

PooledInput preparePooledAnalysis(const std::vector<GroupData>& groups,
                                  const AnalysisSettings& settings, ConsensusRounding rounding,
                                  ComponentsText components, Host& host, const Progress* progress) {
  assert(groups.size() >= 2);
  for (const GroupData& g : groups) {
    checkGroup(g);
  }
  PooledInput in;
  in.pwactive = settings.partialWarps;
  in.groups.resize(groups.size());
  for (size_t g = 0; g < groups.size(); ++g) {
    in.groups[g].label = groups[g].label;
  }
  if (std::all_of(groups.begin(), groups.end(),
                  [](const GroupData& g) { return g.data->cols() >= 2; })) {
    for (const GroupData& g : groups) {
      checkCoordinateRange(*g.data, g.label);
    }
  }
  if (settings.threeD) {
    checkShapeColumns(groups, true);
    ThreeDimensionalFrame frame = threeDimensionalFrame(groups, host, progress);
    const Matrix& pw = frame.scores;
    in.consensus = frame.consensus;
    in.basis3D = frame.basis;
    Index row = 0;
    for (size_t g = 0; g < groups.size(); ++g) {
      in.groups[g].pwscore = pw.middleRows(row, groups[g].data->rows());
      row += groups[g].data->rows();
    }
  } else if (settings.partialWarps) {
    checkShapeColumns(groups, false);
    partialWarpScores(groups, rounding, host, progress, in);
  } else {
    for (const GroupData& g : groups) {
      if (g.data->cols() != groups[0].data->cols()) {
        checkShapeColumns(groups, false);
      }
    }
    // Each step below copies a group: on millions of landmarks, long enough
    // to look for a cancel request between them.
    for (size_t g = 0; g < groups.size(); ++g) {
      throwIfCancelled(progress);
      in.groups[g].pwscore = withOnesColumn(*groups[g].data);
    }
  }
  in.n = in.groups[0].pwscore.cols();
  for (PreparedGroup& g : in.groups) {
    throwIfCancelled(progress);
    g.m = g.pwscore.rows();
    g.x = g.pwscore.leftCols(in.n - 1);
  }
  if (components == ComponentsText::kRead) {
    in.npca = parseComponents(settings.componentsText, in.n - 1);
  }
  // Shape variables come from specimens scaled to unit centroid size; raw
  // coordinates are as large as the data.
  bool shapeVariables = settings.threeD || settings.partialWarps;
  double scale = 1.0;
  if (!shapeVariables) {
    scale = 0.0;
    for (const GroupData& g : groups) {
      scale = std::max(scale, g.data->cwiseAbs().maxCoeff());
    }
  }
  in.scale = scale;
  // Raw coordinates often hold fixed columns (a landmark at the origin), so
  // there only a group without any variation is refused.
  int asked = shapeVariables ? in.npca : 0;
  for (const PreparedGroup& g : in.groups) {
    throwIfCancelled(progress);
    checkShapeVariation(g.x, scale, g.label, asked);
  }
  // Replicates must come from the variables the observed statistic sees:
  // three-dimensional groups are always analysed as shape variables, so
  // their raw landmark rows would give replicates of another kind.
  bool fromShapeVariables = in.pwactive || settings.threeD;
  for (size_t g = 0; g < groups.size(); ++g) {
    throwIfCancelled(progress);
    in.groups[g].source = fromShapeVariables ? in.groups[g].x : *groups[g].data;
  }
  return in;
}

std::vector<Matrix> superimposedGroups(const std::vector<GroupData>& groups, Host& host) {
  assert(!groups.empty());
  for (const GroupData& g : groups) {
    if (!g.data) {
      throw Error(g.label + " is not loaded");
    }
  }
  checkShapeColumns(groups, false);
  for (const GroupData& g : groups) {
    checkCoordinateRange(*g.data, g.label);
  }
  RowVector reference = pooledReference(groups, ConsensusRounding::kFourDecimals, host, nullptr);
  std::vector<Matrix> out;
  for (const GroupData& g : groups) {
    out.push_back(getpsup(*g.data, reference));
  }
  return out;
}

AnalysisInput pairInput(const PooledInput& pooled, size_t a, size_t b) {
  assert(a != b && a < pooled.groups.size() && b < pooled.groups.size());
  const PreparedGroup& g1 = pooled.groups[a];
  const PreparedGroup& g2 = pooled.groups[b];
  AnalysisInput in;
  in.pwscore1 = g1.pwscore;
  in.pwscore2 = g2.pwscore;
  in.x1 = g1.x;
  in.x2 = g2.x;
  in.m1 = g1.m;
  in.m2 = g2.m;
  in.n = g1.pwscore.cols();
  in.npca = pooled.npca;
  in.pwactive = pooled.pwactive;
  in.scale = pooled.scale;
  in.source1 = g1.source;
  in.source2 = g2.source;
  in.labels = {g1.label, g2.label};
  return in;
}

AnalysisInput prepareAnalysis(const Matrix* data1, const Matrix* data2,
                              const AnalysisSettings& settings, ConsensusRounding rounding,
                              ComponentsText components, Host& host, const Progress* progress) {
  PooledInput pooled = preparePooledAnalysis({{data1, "group 1"}, {data2, "group 2"}}, settings,
                                             rounding, components, host, progress);
  return pairInput(pooled, 0, 1);
}

}  // namespace vexmoor
