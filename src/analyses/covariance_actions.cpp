#include "analyses/covariance_actions.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "analyses/group_comparison.h"
#include "compare/analysis_input.h"
#include "compare/replicate_stream.h"
#include "covariance/covariance_texts.h"
#include "runtime/error.h"
#include "runtime/text.h"
#include "shape/shape_variable_map.h"

namespace vexmoor {
namespace {

constexpr std::array<std::string_view, 5> kCovarianceActions{"RelativeEigenanalysis",
                                                             "CovarianceDistances", "RandomSkewers",
                                                             "MatrixCorrelation", "CommonSubspace"};

// Each group's variables before any reduction, and how they came about.
struct SourceVariables {
  CovarianceVariables kind = CovarianceVariables::kGiven;
  std::vector<Matrix> x;
  Matrix consensus;
  std::optional<ShapeVariableMap> map;
};

// Everything an analysis starts from.
struct Prepared {
  CovarianceInput input;
  std::optional<ShapeVariableMap> map;
  CovarianceResult result;  // what every analysis shares
  VariablesNote note;
};

std::vector<std::string> groupNames(const AnalysisRequest& r) {
  if (r.groups.empty()) {
    return {"group 1", "group 2"};
  }
  std::vector<std::string> names;
  for (const NamedData& g : r.groups) {
    names.push_back(g.name);
  }
  return names;
}

std::vector<const Matrix*> groupData(const AnalysisRequest& r) {
  if (r.groups.empty()) {
    return {r.data1, r.data2};
  }
  std::vector<const Matrix*> data;
  for (const NamedData& g : r.groups) {
    data.push_back(g.data);
  }
  return data;
}

const CovarianceGroupInput* groupInput(const AnalysisRequest& r, size_t g) {
  return g < r.covarianceGroups.size() ? &r.covarianceGroups[g] : nullptr;
}

// How messages of the shape-variable preparation name a group.
std::string messageLabel(const AnalysisRequest& r, const std::string& name) {
  return r.groups.empty() ? name : namedGroupLabel(name);
}

// Shape variables as the other analyses make them, in one pooled frame.
SourceVariables shapeVariables(const AnalysisRequest& r, const std::vector<std::string>& names,
                               Host& host) {
  std::vector<GroupData> groups;
  const std::vector<const Matrix*> data = groupData(r);
  for (size_t g = 0; g < names.size(); ++g) {
    groups.push_back({data[g], messageLabel(r, names[g])});
  }
  // The consensus unrounded: rounding it is a habit of the angle's text.
  PooledInput pooled = preparePooledAnalysis(groups, r.settings, ConsensusRounding::kNone,
                                             ComponentsText::kIgnore, host, r.progress);
  SourceVariables out;
  out.kind =
      r.settings.threeD ? CovarianceVariables::kPartialWarps3D : CovarianceVariables::kPartialWarps;
  for (const PreparedGroup& g : pooled.groups) {
    out.x.push_back(g.x);
  }
  out.consensus = pooled.consensus;
  const Index p = pooled.n - 1;
  if (!r.settings.threeD) {
    out.map = ShapeVariableMap::partialWarps2D(out.consensus, p);
  } else if (pooled.basis3D) {
    out.map = ShapeVariableMap::partialWarps3D(*pooled.basis3D, p);
  } else {
    out.map = ShapeVariableMap::partialWarps3D(out.consensus, p);
  }
  return out;
}

// With partial warps off, each group's variables as given: a table's
// columns, or landmark coordinates without their trailing value.
SourceVariables givenVariables(const AnalysisRequest& r, const std::vector<std::string>& names) {
  SourceVariables out;
  const std::vector<const Matrix*> data = groupData(r);
  bool landmarks = true;
  for (size_t g = 0; g < names.size(); ++g) {
    if (!data[g]) {
      throw Error(messageLabel(r, names[g]) + " is not loaded");
    }
    const CovarianceGroupInput* in = groupInput(r, g);
    const Index columns =
        in && in->variables > 0 ? std::min(in->variables, data[g]->cols()) : data[g]->cols();
    out.x.push_back(data[g]->leftCols(columns));
    landmarks =
        landmarks && in && in->landmarks && columns % 2 == 0 && columns == out.x.front().cols();
  }
  if (!landmarks) {
    return out;
  }
  out.kind = CovarianceVariables::kCoordinates;
  const Index p = out.x.front().cols();
  RowVector sum = RowVector::Zero(p);
  Index count = 0;
  for (const Matrix& x : out.x) {
    sum += x.colwise().sum();
    count += x.rows();
  }
  out.consensus = (sum / static_cast<double>(count)).reshaped<Eigen::RowMajor>(p / 2, 2);
  out.map = ShapeVariableMap::coordinates(p / 2, 2, p);
  return out;
}

ReductionChoice reductionOf(const AnalysisRequest& r) {
  if (r.covariance.totalPcs > 0) {
    return {ReductionKind::kTotalComponents, r.covariance.totalPcs};
  }
  if (r.settings.pcs > 0) {
    return {ReductionKind::kPooledWithinComponents, r.settings.pcs};
  }
  return {};
}

Prepared prepare(const AnalysisRequest& r, Host& host) {
  const std::vector<std::string> names = groupNames(r);
  SourceVariables source = r.settings.threeD || r.settings.partialWarps
                               ? shapeVariables(r, names, host)
                               : givenVariables(r, names);
  std::vector<CovarianceGroup> groups;
  bool subgroups = false;
  for (size_t g = 0; g < names.size(); ++g) {
    const CovarianceGroupInput* in = groupInput(r, g);
    groups.push_back(
        {names[g], std::move(source.x[g]), in ? in->within : std::vector<std::string>{}});
    subgroups = subgroups || !groups.back().within.empty();
  }
  Prepared p;
  p.input = prepareCovarianceInput(groups, reductionOf(r), r.progress);
  p.map = std::move(source.map);
  CovarianceResult& c = p.result;
  c.variables = source.kind;
  c.sourceVariables = p.input.reduction.variables;
  c.names = names;
  c.settings = r.covariance;
  c.consensus = std::move(source.consensus);
  c.within = subgroups ? (r.covariance.within.empty() ? "given" : r.covariance.within) : "";
  for (const GroupCovariance& g : p.input.groups) {
    c.sizes.push_back(g.specimens());
    std::vector<std::pair<std::string, Index>> parts;
    if (subgroups) {
      for (const Subgroup& s : g.subgroups) {
        parts.emplace_back(s.name, static_cast<Index>(s.rows.size()));
      }
    }
    c.subgroups.push_back(std::move(parts));
  }
  // Labels passed in memory (R, Python) come from no column.
  const std::string within =
      r.covariance.within.empty() ? "as given" : "column " + r.covariance.within;
  p.note = {covarianceVariablesText(source.kind), subgroups ? within : ""};
  return p;
}

AnalysisResult resultOf(const char* action, const Prepared& p) {
  AnalysisResult result;
  result.action = action;
  result.groups.m1 = p.result.sizes[0];
  result.groups.m2 = p.result.sizes[1];
  result.groups.landmarks = p.map ? p.map->landmarks() : 0;
  result.groups.variables = p.input.variables();
  return result;
}

// The replicates a resampling run draws, with the seed it uses (chosen
// here, so that the result reports it).
CovarianceResampling resamplingOf(const AnalysisRequest& r, bool draw, AnalysisResult& result) {
  if (!draw) {
    return {0, std::nullopt, r.progress, r.threads};
  }
  result.seed = r.seed.value_or(freshSeed());
  return {covarianceReplicates(r.settings.bootValue), result.seed, r.progress, r.threads};
}

const ShapeVariableMap* mapOf(const Prepared& p) {
  return p.map ? &*p.map : nullptr;
}

size_t referenceGroup(const std::vector<std::string>& names, const std::string& reference) {
  auto at = std::find(names.begin(), names.end(), reference);
  if (at != names.end()) {
    return static_cast<size_t>(at - names.begin());
  }
  std::string list;
  for (const std::string& n : names) {
    list += (list.empty() ? "\"" : ", \"") + escapeNonPrintable(n) + "\"";
  }
  throw Error("the reference group \"" + escapeNonPrintable(reference) +
              "\" is not one of the groups; they are " + list);
}

}  // namespace

std::string covarianceVariablesText(CovarianceVariables v) {
  switch (v) {
    case CovarianceVariables::kPartialWarps:
      return "partial-warp and uniform scores";
    case CovarianceVariables::kPartialWarps3D:
      return "three-dimensional partial-warp and uniform scores";
    case CovarianceVariables::kCoordinates:
      return "landmark coordinates as given";
    case CovarianceVariables::kGiven:
      break;
  }
  return "variables as given";
}

Index covarianceReplicates(int bootValue) {
  return 100 * static_cast<Index>(bootValue) * bootValue;
}

bool isCovarianceAction(std::string_view action) {
  return std::find(kCovarianceActions.begin(), kCovarianceActions.end(), action) !=
         kCovarianceActions.end();
}

AnalysisResult relativeEigenanalysisAction(const AnalysisRequest& r, Host& host) {
  RelativeEigenOptions options;
  if (!r.covariance.reference.empty()) {
    const std::vector<std::string> names = groupNames(r);
    options.pairs = referencePairs(names.size(), referenceGroup(names, r.covariance.reference));
  }
  Prepared p = prepare(r, host);
  AnalysisResult result = resultOf("RelativeEigenanalysis", p);
  options.resampling = resamplingOf(r, r.covariance.resample, result);
  options.map = mapOf(p);
  RelativeEigenanalysis re = relativeEigenanalysis(p.input, options);
  result.text = relativeEigenanalysisText(re, p.note);
  p.result.relativeEigen = std::move(re);
  result.covariance = std::move(p.result);
  return result;
}

AnalysisResult covarianceDistancesAction(const AnalysisRequest& r, Host& host) {
  Prepared p = prepare(r, host);
  AnalysisResult result = resultOf("CovarianceDistances", p);
  DistanceOptions options;
  options.logEuclidean = r.covariance.logEuclidean;
  options.resampling = resamplingOf(r, r.covariance.resample, result);
  CovarianceDistances d = covarianceDistances(p.input, options);
  result.text = covarianceDistancesText(d, p.note);
  p.result.distances = std::move(d);
  result.covariance = std::move(p.result);
  return result;
}

AnalysisResult randomSkewersAction(const AnalysisRequest& r, Host& host) {
  Prepared p = prepare(r, host);
  AnalysisResult result = resultOf("RandomSkewers", p);
  RandomSkewers s = randomSkewers(p.input, resamplingOf(r, true, result));
  result.text = randomSkewersText(s, p.note, r.covariance.meanAngle);
  p.result.skewers = std::move(s);
  result.covariance = std::move(p.result);
  return result;
}

AnalysisResult matrixCorrelationAction(const AnalysisRequest& r, Host& host) {
  Prepared p = prepare(r, host);
  AnalysisResult result = resultOf("MatrixCorrelation", p);
  CorrelationOptions options;
  options.diagonal = r.covariance.diagonal;
  // Coordinates of one landmark move together; scores of any kind do not.
  const bool coordinates = p.result.variables == CovarianceVariables::kCoordinates &&
                           p.input.reduction.kind == ReductionKind::kNone;
  options.landmarkDimension = coordinates ? 2 : 0;
  options.resampling = resamplingOf(r, r.covariance.resample, result);
  MatrixCorrelation c = matrixCorrelation(p.input, options);
  result.text = matrixCorrelationText(c, p.note);
  p.result.correlation = std::move(c);
  result.covariance = std::move(p.result);
  return result;
}

AnalysisResult commonSubspaceAction(const AnalysisRequest& r, Host& host) {
  Prepared p = prepare(r, host);
  AnalysisResult result = resultOf("CommonSubspace", p);
  SubspaceOptions options;
  options.k = parseComponents(r.settings.componentsText, p.input.variables());
  result.groups.npca = options.k;
  options.map = mapOf(p);
  options.resampling = resamplingOf(r, r.covariance.resample, result);
  CommonSubspace h = commonSubspace(p.input, options);
  result.text = commonSubspaceText(h, p.note);
  Matrix mean = Matrix::Zero(p.input.variables(), p.input.variables());
  for (const GroupCovariance& g : p.input.groups) {
    mean += g.s / static_cast<double>(p.input.groups.size());
  }
  p.result.subspaceDeviations.resize(h.vectors.cols());
  for (Index j = 0; j < h.vectors.cols(); ++j) {
    const Vector& v = h.vectors.col(j);
    p.result.subspaceDeviations(j) = std::sqrt(std::max(0.0, v.dot(mean * v)));
  }
  p.result.subspace = std::move(h);
  result.covariance = std::move(p.result);
  return result;
}

}  // namespace vexmoor
