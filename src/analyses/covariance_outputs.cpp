#include "analyses/covariance_outputs.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "analyses/replicate_table.h"
#include "io/table_file.h"
#include "runtime/text.h"

#ifndef VEXMOOR_VERSION
#define VEXMOOR_VERSION "unknown"
#endif

namespace vexmoor {
namespace {

using nlohmann::json;

json number(double v) {
  return std::isfinite(v) ? json(v) : json(nullptr);
}

json vectorJson(const Vector& v) {
  json out = json::array();
  for (Index i = 0; i < v.size(); ++i) {
    out.push_back(number(v(i)));
  }
  return out;
}

// One array for each row.
json rowsJson(const Matrix& m) {
  json rows = json::array();
  for (Index i = 0; i < m.rows(); ++i) {
    rows.push_back(vectorJson(m.row(i).transpose()));
  }
  return rows;
}

// One array for each column: the vectors of a matrix of vectors.
json columnsJson(const Matrix& m) {
  return rowsJson(m.transpose());
}

// Each displacement as one [x, y (, z)] row per landmark; null without.
json displacementsJson(const std::vector<Matrix>& displacements) {
  if (displacements.empty()) {
    return nullptr;
  }
  json out = json::array();
  for (const Matrix& d : displacements) {
    out.push_back(rowsJson(d));
  }
  return out;
}

json pairNames(const CovarianceResult& c, size_t a, size_t b) {
  return {c.names[a], c.names[b]};
}

bool resampled(const CovarianceResult& c) {
  return (c.relativeEigen && !c.relativeEigen->pairs.empty() &&
          c.relativeEigen->pairs.front().bootstrap) ||
         (c.distances && c.distances->replicates > 0) || c.skewers ||
         (c.correlation && c.correlation->replicates > 0) || (c.subspace && c.subspace->null);
}

Index replicateCount(const CovarianceResult& c) {
  if (c.relativeEigen && !c.relativeEigen->pairs.empty() &&
      c.relativeEigen->pairs.front().bootstrap) {
    return c.relativeEigen->pairs.front().bootstrap->replicates;
  }
  if (c.distances) {
    return c.distances->replicates;
  }
  if (c.skewers) {
    return c.skewers->skewers;
  }
  if (c.correlation) {
    return c.correlation->replicates;
  }
  return c.subspace && c.subspace->null ? c.subspace->null->replicates : 0;
}

const VariableReduction& reductionOf(const CovarianceResult& c) {
  static const VariableReduction kNone;
  return c.relativeEigen ? c.relativeEigen->reduction
         : c.distances   ? c.distances->reduction
         : c.skewers     ? c.skewers->reduction
         : c.correlation ? c.correlation->reduction
         : c.subspace    ? c.subspace->reduction
                         : kNone;
}

json settingsJson(const AnalysisResult& r, const RunDescription& run) {
  const AnalysisSettings& s = run.settings;
  const CovarianceResult& c = *r.covariance;
  const VariableReduction& reduction = reductionOf(c);
  json settings = {{"files", {run.group1.file, run.group2.file}},
                   {"formats", {run.group1.format, run.group2.format}},
                   {"dimension", s.threeD ? 3 : 2},
                   {"partial_warps", s.partialWarps},
                   {"components", r.groups.npca > 0 ? json(r.groups.npca) : json(nullptr)},
                   {"v", nullptr},
                   {"replicates", nullptr},
                   {"seed", nullptr}};
  if (!run.groups.empty()) {
    settings["files"] = run.files;
    json formats = json::array();
    for (const GroupSource& g : run.groups) {
      formats.push_back(g.format);
    }
    settings["formats"] = std::move(formats);
    settings["group_by"] = run.groupBy.empty() ? json(nullptr) : json(run.groupBy);
    settings["classifier"] =
        run.classifier.empty() ? json(nullptr) : json({{"file", run.classifier}, {"by", run.by}});
  }
  if (resampled(c)) {
    settings["v"] = s.bootValue;
    settings["replicates"] = replicateCount(c);
  }
  if (r.seed) {
    settings["seed"] = *r.seed;
  }
  auto components = [&](ReductionKind kind) {
    return reduction.kind == kind ? json(reduction.components) : json(nullptr);
  };
  settings["total_pcs"] = components(ReductionKind::kTotalComponents);
  settings["pcs"] = components(ReductionKind::kPooledWithinComponents);
  settings["within"] = c.within.empty() ? json(nullptr) : json(c.within);
  settings["reference"] = c.settings.reference.empty() ? json(nullptr) : json(c.settings.reference);
  settings["log_euclidean"] = c.settings.logEuclidean;
  settings["diagonal"] = c.settings.diagonal;
  settings["mean_angle"] = c.settings.meanAngle;
  return settings;
}

json groupsJson(const AnalysisResult& r, const RunDescription& run) {
  const CovarianceResult& c = *r.covariance;
  json groups = json::array();
  for (size_t g = 0; g < c.names.size(); ++g) {
    const GroupSource& source =
        !run.groups.empty() ? run.groups[g] : (g == 0 ? run.group1 : run.group2);
    json one = {{"file", source.file},
                {"format", source.format},
                {"specimens", c.sizes[g]},
                {"landmarks", r.groups.landmarks},
                {"identifiers", source.identifiers}};
    if (!run.groups.empty()) {
      one["name"] = c.names[g];
    }
    json parts = nullptr;
    if (!c.subgroups[g].empty()) {
      parts = json::array();
      for (const auto& [name, size] : c.subgroups[g]) {
        parts.push_back({{"name", name}, {"specimens", size}});
      }
    }
    one["sub_groups"] = std::move(parts);
    groups.push_back(std::move(one));
  }
  return groups;
}

json variablesJson(const CovarianceResult& c, Index analysed) {
  const VariableReduction& r = reductionOf(c);
  json reduction = nullptr;
  if (r.kind != ReductionKind::kNone) {
    reduction = {{"kind", r.kind == ReductionKind::kTotalComponents ? "total" : "pooled_within"},
                 {"components", r.components},
                 {"variance_share", number(r.share)}};
  }
  return {{"kind", covarianceVariablesText(c.variables)},
          {"count", c.sourceVariables},
          {"reduction", std::move(reduction)},
          {"analysed", analysed},
          {"consensus", c.consensus.size() > 0 ? rowsJson(c.consensus) : json(nullptr)}};
}

json relativeJson(const CovarianceResult& c) {
  json pairs = json::array();
  for (const RelativeEigenPair& p : c.relativeEigen->pairs) {
    const Proportionality& t = p.proportionality;
    json bootstrap = nullptr;
    if (p.bootstrap) {
      const RelativeEigenBootstrap& b = *p.bootstrap;
      const Index last = p.eigenvalues.size();
      json intervals = json::array();
      for (Index i = 0; i < last; ++i) {
        intervals.push_back({number(b.lower(i)), number(b.upper(i))});
      }
      bootstrap = {{"replicates", b.replicates},
                   {"level", b.level},
                   {"eigenvalue_intervals", std::move(intervals)},
                   {"log_generalized_variance_ratio_interval",
                    {number(b.lower(last)), number(b.upper(last))}},
                   {"undefined", b.undefined}};
    }
    pairs.push_back({{"groups", pairNames(c, p.first, p.second)},
                     {"eigenvalues", vectorJson(p.eigenvalues)},
                     {"vectors", columnsJson(p.loadings)},
                     {"displacements", displacementsJson(p.displacements)},
                     {"standard_deviations", rowsJson(p.deviations)},
                     {"generalized_variance_ratio", number(p.generalizedVarianceRatio)},
                     {"log_generalized_variance_ratio", number(p.logGeneralizedVarianceRatio)},
                     {"riemannian_distance", number(p.riemannianDistance)},
                     {"proportionality",
                      {{"statistic", number(t.statistic)},
                       {"df", number(t.df)},
                       {"p", number(t.p)},
                       {"n", number(t.n)},
                       {"few_specimens", t.fewSpecimens}}},
                     {"bootstrap", std::move(bootstrap)}});
  }
  return pairs;
}

void addDistances(const CovarianceResult& c, json& out) {
  const CovarianceDistances& d = *c.distances;
  out["distances"] = {
      {"groups", c.names},
      {"riemannian", rowsJson(d.riemannian)},
      {"log_euclidean", d.logEuclidean.size() > 0 ? rowsJson(d.logEuclidean) : json(nullptr)}};
  const PrincipalCoordinates& o = d.ordination;
  out["ordination"] = {{"eigenvalues", vectorJson(o.eigenvalues)},
                       {"shares", vectorJson(o.shares)},
                       {"cumulative_shares", vectorJson(o.cumulativeShares)},
                       {"coordinates", rowsJson(o.coordinates)}};
  for (const DistanceTest& t : d.tests) {
    out["p_values"].push_back(
        {{"name", "riemannian_distance"},
         {"tests",
          "the two groups' matrices lie no further apart than when their specimens are "
          "dealt out to them at random"},
         {"groups", pairNames(c, t.first, t.second)},
         {"column", "riemannian_distance"},
         {"extreme", "at_least"},
         {"observed", number(t.observed)},
         {"p", number(t.p)},
         {"undefined", t.undefined}});
  }
}

json skewersJson(const CovarianceResult& c, bool meanAngle) {
  json pairs = json::array();
  for (const SkewerPair& p : c.skewers->pairs) {
    pairs.push_back({{"groups", pairNames(c, p.first, p.second)},
                     {"mean_correlation", number(p.meanCorrelation)},
                     {"sd", number(p.sd)},
                     {"p", number(p.p)},
                     {"vectors", c.skewers->skewers},
                     {"mean_angle", meanAngle ? number(p.meanAngle) : json(nullptr)}});
  }
  return pairs;
}

json correlationJson(const CovarianceResult& c) {
  const MatrixCorrelation& m = *c.correlation;
  json pairs = json::array();
  for (const CorrelationPair& p : m.pairs) {
    pairs.push_back({{"groups", pairNames(c, p.first, p.second)},
                     {"correlation", number(p.correlation)},
                     {"p", m.replicates > 0 ? number(p.p) : json(nullptr)},
                     {"permuted", m.units == PermutedUnits::kLandmarks ? "landmarks" : "variables"},
                     {"permutations", m.replicates},
                     {"elements", m.elements},
                     {"diagonal", m.diagonal}});
  }
  return pairs;
}

json subspaceJson(const CovarianceResult& c) {
  const CommonSubspace& h = *c.subspace;
  json angles = json::array();
  for (size_t g = 0; g < c.names.size(); ++g) {
    angles.push_back({{"group", c.names[g]},
                      {"angles", vectorJson(h.angles.row(static_cast<Index>(g)).transpose())}});
  }
  return {{"k", h.k},
          {"eigenvalues", vectorJson(h.eigenvalues)},
          {"vectors", columnsJson(h.loadings)},
          {"displacements", displacementsJson(h.displacements)},
          {"angles", std::move(angles)},
          {"p_values", h.null ? vectorJson(h.null->p) : json(nullptr)}};
}

std::string fileName(const std::string& path) {
  return escapeNonPrintable(std::filesystem::path(path).filename().string());
}

std::string filesLine(const RunDescription& run) {
  if (!run.groups.empty()) {
    std::string line;
    for (const std::string& f : run.files) {
      line += (line.empty() ? "" : ", ") + fileName(f);
    }
    if (!run.groupBy.empty()) {
      line += " by " + escapeNonPrintable(run.groupBy);
    } else if (!run.classifier.empty()) {
      line += " by " + escapeNonPrintable(run.by) + " of " + fileName(run.classifier);
    }
    return line;
  }
  return fileName(run.group1.file) + ", " + fileName(run.group2.file);
}

// The header of the replicate table and one row writer per kind.
struct Table {
  std::vector<std::string> columns;
  std::string rows;
};

void appendRow(std::string& out, const std::string& prefix, Index replicate, const double* values,
               Index count) {
  out += prefix;
  out += std::to_string(replicate + 1);
  for (Index i = 0; i < count; ++i) {
    out += ',';
    appendReplicateNumber(out, values[i]);
  }
  out += '\n';
}

std::string pairPrefix(const CovarianceResult& c, size_t a, size_t b) {
  return fieldText(c.names[a], ',') + ',' + fieldText(c.names[b], ',') + ',';
}

Table replicateTable(const CovarianceResult& c) {
  Table t;
  std::vector<std::string> pairColumns{"group_a", "group_b", "replicate"};
  if (c.relativeEigen && !c.relativeEigen->pairs.empty() &&
      c.relativeEigen->pairs.front().bootstrap) {
    t.columns = pairColumns;
    for (Index i = 0; i < c.relativeEigen->variables; ++i) {
      t.columns.push_back("eigenvalue_" + std::to_string(i + 1));
    }
    t.columns.push_back("log_generalized_variance_ratio");
    for (const RelativeEigenPair& p : c.relativeEigen->pairs) {
      const Matrix v = p.bootstrap->values.transpose();  // one replicate per column
      for (Index i = 0; i < v.cols(); ++i) {
        appendRow(t.rows, pairPrefix(c, p.first, p.second), i, v.col(i).data(), v.rows());
      }
    }
  } else if (c.distances && c.distances->replicates > 0) {
    t.columns = pairColumns;
    t.columns.push_back("riemannian_distance");
    for (size_t j = 0; j < c.distances->tests.size(); ++j) {
      const DistanceTest& test = c.distances->tests[j];
      const Vector v = c.distances->values.col(static_cast<Index>(j));
      for (Index i = 0; i < v.size(); ++i) {
        appendRow(t.rows, pairPrefix(c, test.first, test.second), i, &v(i), 1);
      }
    }
  } else if (c.skewers) {
    t.columns = {"group_a", "group_b", "skewer", "correlation", "reference"};
    for (const SkewerPair& p : c.skewers->pairs) {
      for (Index i = 0; i < p.correlations.size(); ++i) {
        const double both[2] = {p.correlations(i), c.skewers->reference(i)};
        appendRow(t.rows, pairPrefix(c, p.first, p.second), i, both, 2);
      }
    }
  } else if (c.correlation && c.correlation->replicates > 0) {
    t.columns = pairColumns;
    t.columns.push_back("correlation");
    for (const CorrelationPair& p : c.correlation->pairs) {
      for (Index i = 0; i < p.permutedCorrelations.size(); ++i) {
        appendRow(t.rows, pairPrefix(c, p.first, p.second), i, &p.permutedCorrelations(i), 1);
      }
    }
  } else if (c.subspace && c.subspace->null) {
    t.columns = {"replicate"};
    const Matrix v = c.subspace->null->values.transpose();
    for (Index j = 0; j < v.rows(); ++j) {
      t.columns.push_back("eigenvalue_" + std::to_string(j + 1));
    }
    for (Index i = 0; i < v.cols(); ++i) {
      appendRow(t.rows, "", i, v.col(i).data(), v.rows());
    }
  }
  return t;
}

}  // namespace

json covarianceResultDocument(const AnalysisResult& r, const RunDescription& run) {
  const CovarianceResult& c = *r.covariance;
  json out;
  out["schema"] = kResultSchema;
  out["program"] = {{"name", "vexmoor"}, {"version", VEXMOOR_VERSION}};
  out["action"] = r.action;
  out["text"] = r.text;
  out["settings"] = settingsJson(r, run);
  out["groups"] = groupsJson(r, run);
  out["observed"] = nullptr;
  out["replicate_columns"] = covarianceReplicateColumns(c);
  out["degenerate_replicates"] = nullptr;
  out["intervals"] = json::array();
  out["p_values"] = json::array();
  out["models"] = nullptr;
  out["variables"] = variablesJson(c, r.groups.variables);
  out["relative_eigenanalysis"] = c.relativeEigen ? relativeJson(c) : json(nullptr);
  out["distances"] = nullptr;
  out["ordination"] = nullptr;
  if (c.distances) {
    addDistances(c, out);
  }
  out["random_skewers"] = c.skewers ? skewersJson(c, c.settings.meanAngle) : json(nullptr);
  out["matrix_correlation"] = c.correlation ? correlationJson(c) : json(nullptr);
  out["common_subspace"] = c.subspace ? subspaceJson(c) : json(nullptr);
  return out;
}

std::vector<std::string> covarianceReplicateColumns(const CovarianceResult& c) {
  return replicateTable(c).columns;
}

std::string covarianceReplicateCsv(const CovarianceResult& c) {
  Table t = replicateTable(c);
  if (t.columns.empty()) {
    return "";
  }
  std::string out;
  for (const std::string& name : t.columns) {
    out += (out.empty() ? "" : ",") + name;
  }
  return out + "\n" + t.rows;
}

std::string covarianceCaption(const AnalysisResult& r, const RunDescription& run) {
  const CovarianceResult& c = *r.covariance;
  std::string line = filesLine(run) + " · " +
                     (run.settings.threeD         ? "3D partial warps"
                      : run.settings.partialWarps ? "partial warps"
                                                  : "raw " + covarianceVariablesText(c.variables));
  if (!c.within.empty()) {
    line += " · pooled within " + escapeNonPrintable(c.within);
  }
  const VariableReduction& reduction = reductionOf(c);
  if (reduction.kind != ReductionKind::kNone) {
    char share[32];
    std::snprintf(share, sizeof share, "%.1f", 100 * reduction.share);
    line += " · first " + std::to_string(reduction.components) +
            (reduction.kind == ReductionKind::kTotalComponents ? " PCs of all specimens ("
                                                               : " pooled within-group PCs (") +
            share + " %)";
  }
  if (r.groups.npca > 0) {
    line += " · k = " + std::to_string(r.groups.npca);
  }
  if (resampled(c)) {
    line += " · v = " + std::to_string(run.settings.bootValue);
  }
  if (r.seed) {
    line += " · seed " + std::to_string(*r.seed);
  }
  return line;
}

}  // namespace vexmoor
