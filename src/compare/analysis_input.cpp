#include "compare/analysis_input.h"

#include <algorithm>
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

std::string groupName(int g) {
  return "group " + std::to_string(g);
}

void checkGroup(const Matrix* data, int g) {
  if (!data) {
    throw Error(groupName(g) + " is not loaded");
  }
  if (data->rows() < 2) {
    throw Error(groupName(g) + " has " + std::to_string(data->rows()) +
                " specimen; the analyses need at least 2 in each group");
  }
}

void checkShapeColumns(const Matrix& data1, const Matrix& data2, bool threeD) {
  int d = threeD ? 3 : 2;
  Index cols = data1.cols();
  if (data2.cols() != cols) {
    throw Error("the groups do not have the same landmarks: group 1 has " + std::to_string(cols) +
                " values for each specimen, group 2 has " + std::to_string(data2.cols()));
  }
  if (cols < 2 * d + 1 || (cols - 1) % d != 0) {
    throw Error("the specimens have " + std::to_string(cols) + " values each; " +
                (threeD ? "three" : "two") + "-dimensional data need " + std::to_string(d) +
                "k + 1 (k landmarks and a trailing value)");
  }
}

void checkCentroidSizes(const Matrix& data, int g) {
  Vector sizes = centsize(data.leftCols(data.cols() - 1));
  for (Index i = 0; i < sizes.size(); ++i) {
    if (!(sizes(i) > 0)) {
      throw Error(groupName(g) + ", specimen " + std::to_string(i + 1) +
                  ": all landmarks coincide (centroid size 0), so the specimen has no shape");
    }
  }
}

Matrix withOnesColumn(const Matrix& data) {
  Matrix out(data.rows(), data.cols() + 1);
  out << data, Matrix::Ones(data.rows(), 1);
  return out;
}

void partialWarpScores(const Matrix& data1, const Matrix& data2, ConsensusRounding rounding,
                       Host& host, AnalysisInput& in) {
  checkCentroidSizes(data1, 1);
  checkCentroidSizes(data2, 2);
  Matrix pooled(data1.rows() + data2.rows(), data1.cols());
  pooled << data1, data2;
  Consensus2D consensus = getconsensuspca(pooled);
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
  }
  in.pwscore1 = getpwpca(reference, getpsup(data1, reference));
  in.pwscore2 = getpwpca(reference, getpsup(data2, reference));
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

AnalysisInput prepareAnalysis(const Matrix* data1, const Matrix* data2,
                              const AnalysisSettings& settings, ConsensusRounding rounding,
                              ComponentsText components, Host& host) {
  checkGroup(data1, 1);
  checkGroup(data2, 2);
  AnalysisInput in;
  in.pwactive = settings.partialWarps;
  if (data1->cols() >= 2 && data2->cols() >= 2) {
    checkCoordinateRange(*data1, 1);
    checkCoordinateRange(*data2, 2);
  }
  if (settings.threeD) {
    checkShapeColumns(*data1, *data2, true);
    Matrix pw = threeDimensionalScores(*data1, *data2, host);
    in.pwscore1 = pw.topRows(data1->rows());
    in.pwscore2 = pw.bottomRows(data2->rows());
  } else if (settings.partialWarps) {
    checkShapeColumns(*data1, *data2, false);
    partialWarpScores(*data1, *data2, rounding, host, in);
  } else {
    if (data1->cols() != data2->cols()) {
      checkShapeColumns(*data1, *data2, false);
    }
    in.pwscore1 = withOnesColumn(*data1);
    in.pwscore2 = withOnesColumn(*data2);
  }
  in.m1 = in.pwscore1.rows();
  in.m2 = in.pwscore2.rows();
  in.n = in.pwscore1.cols();
  in.x1 = in.pwscore1.leftCols(in.n - 1);
  in.x2 = in.pwscore2.leftCols(in.n - 1);
  if (components == ComponentsText::kRead) {
    in.npca = parseComponents(settings.componentsText, in.n - 1);
  }
  // Shape variables come from specimens scaled to unit centroid size; raw
  // coordinates are as large as the data.
  bool shapeVariables = settings.threeD || settings.partialWarps;
  double scale =
      shapeVariables ? 1.0 : std::max(data1->cwiseAbs().maxCoeff(), data2->cwiseAbs().maxCoeff());
  // Raw coordinates often hold fixed columns (a landmark at the origin), so
  // there only a group without any variation is refused.
  int asked = shapeVariables ? in.npca : 0;
  checkShapeVariation(in.x1, scale, 1, asked);
  checkShapeVariation(in.x2, scale, 2, asked);
  // Replicates must come from the variables the observed statistic sees:
  // three-dimensional groups are always analysed as shape variables, so
  // their raw landmark rows would give replicates of another kind.
  bool fromShapeVariables = in.pwactive || settings.threeD;
  in.source1 = fromShapeVariables ? in.x1 : *data1;
  in.source2 = fromShapeVariables ? in.x2 : *data2;
  return in;
}

}  // namespace vexmoor
