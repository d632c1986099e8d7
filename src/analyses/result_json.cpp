#include "analyses/result_json.h"

#include <cmath>
#include <nlohmann/json.hpp>

#include "analyses/covariance_outputs.h"

#ifndef VEXMOOR_VERSION
#define VEXMOOR_VERSION "unknown"
#endif

namespace vexmoor {
namespace {

using nlohmann::json;

json number(double v) {
  return std::isfinite(v) ? json(v) : json(nullptr);
}

json optionalNumber(const std::optional<double>& v) {
  return v ? number(*v) : json(nullptr);
}

json groupJson(const GroupSource& source, Index specimens, Index landmarks, int dimension) {
  return {{"file", source.file},    {"format", source.format}, {"dimension", dimension},
          {"specimens", specimens}, {"landmarks", landmarks},  {"identifiers", source.identifiers}};
}

json droppedJson(const std::vector<DroppedFromFile>& dropped) {
  json out = json::array();
  for (const DroppedFromFile& d : dropped) {
    const DroppedSpecimen& s = d.specimen;
    std::string unit = s.trailingValue                 ? "trailing value"
                       : d.kind == RowKind::kLandmarks ? "landmark"
                       : d.kind == RowKind::kVariables ? "variable"
                                                       : "column";
    out.push_back({{"file", d.file},
                   {"specimen", s.specimen},
                   {"identifier", s.identifier},
                   {"missing", s.missing},
                   {"missing_unit", unit}});
  }
  return out;
}

// Three-dimensional groups are always analysed, and resampled, as partial
// warps: the switch is not what the run used there.
bool usesPartialWarps(const AnalysisSettings& s) {
  return s.threeD || s.partialWarps;
}

json settingsJson(const AnalysisResult& r, const RunDescription& run) {
  const AnalysisSettings& s = run.settings;
  json settings = {
      {"files", {run.group1.file, run.group2.file}},
      {"formats", {run.group1.format, run.group2.format}},
      {"dimension", s.threeD ? 3 : 2},
      {"partial_warps", usesPartialWarps(s)},
      {"shape_variables",
       usesPartialWarps(s) ? "partial warps" : "raw coordinates with the trailing value"},
      {"components", r.groups.npca > 0 ? json(r.groups.npca) : json(nullptr)},
      {"v", nullptr},
      {"replicates", nullptr},
      {"seed", nullptr}};
  const ResamplingResult* resampling = r.resampling ? &*r.resampling : nullptr;
  if (r.comparison && r.comparison->pairs.front().resampling) {
    resampling = &*r.comparison->pairs.front().resampling;  // the same count for every pair
  }
  if (resampling) {
    settings["v"] = s.bootValue;
    settings["replicates"] = resampling->replicates;
  }
  if (r.seed) {
    settings["seed"] = *r.seed;
  }
  settings["drop_incomplete"] = run.dropIncomplete;
  settings["dropped"] = droppedJson(run.dropped);
  return settings;
}

json observedJson(const ObservedStatistics& o) {
  return {{"angle", number(o.angle)},
          {"max_angle", number(o.maxAngle)},
          {"metric", number(o.metric)},
          {"runtime_angle", optionalNumber(o.runtimeAngle)},
          {"flury", optionalNumber(o.flury)}};
}

void addResampling(const ResamplingResult& r, json& out) {
  json intervals = json::array();
  for (const PrintedPercentile& p : r.percentiles) {
    intervals.push_back({{"name", p.name},
                         {"column", r.columns[static_cast<size_t>(p.column)]},
                         {"level", p.level},
                         {"position", p.position},
                         {"value", number(p.value)}});
  }
  json pValues = json::array();
  for (const EmpiricalPValue& p : r.pValues) {
    pValues.push_back({{"name", p.name},
                       {"tests", p.description},
                       {"column", r.columns[static_cast<size_t>(p.column)]},
                       {"extreme", p.tail == Tail::kAtLeast ? "at_least" : "at_most"},
                       {"observed", number(p.observed)},
                       {"p", number(p.p)}});
  }
  json degenerate = json::object();
  for (const DegenerateCount& d : r.degenerate) {
    degenerate[d.scheme] = d.count;
  }
  out["replicate_columns"] = r.columns;
  out["degenerate_replicates"] = std::move(degenerate);
  out["intervals"] = std::move(intervals);
  out["p_values"] = std::move(pValues);
}

void addGrouping(const RunDescription& run, json& settings) {
  if (run.groups.empty()) {
    return;
  }
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

json squareJson(const Matrix& m) {
  json rows = json::array();
  for (Index a = 0; a < m.rows(); ++a) {
    json row = json::array();
    for (Index b = 0; b < m.cols(); ++b) {
      row.push_back(number(m(a, b)));
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

json pairsJson(const GroupComparison& c) {
  json pairs = json::array();
  for (const GroupPair& p : c.pairs) {
    json pair = {{"groups", {c.names[p.first], c.names[p.second]}},
                 {"observed", observedJson(p.observed)},
                 {"seed", nullptr},
                 {"degenerate_replicates", nullptr},
                 {"replicate_columns", json::array()},
                 {"intervals", json::array()},
                 {"p_values", json::array()}};
    if (p.resampling) {
      pair["seed"] = p.seed;
      addResampling(*p.resampling, pair);
      for (size_t j = 0; j < p.holm.size(); ++j) {
        pair["p_values"][j]["p_holm"] = number(p.holm[j]);
      }
    }
    pairs.push_back(std::move(pair));
  }
  return pairs;
}

json modelsJson(const ModelHierarchy& h) {
  json rows = json::array();
  for (const ModelRow& row : modelRows(h)) {
    rows.push_back({{"model", row.model},
                    {"log_likelihood", number(row.fit.ll)},
                    {"parameters", number(row.fit.param)},
                    {"aic", number(row.fit.aic)},
                    {"weight", number(row.weight)}});
  }
  json components = nullptr;
  if (h.components > 0) {
    components = {{"count", h.components}, {"variance_share", number(h.componentShare)}};
  }
  return {{"rows", std::move(rows)}, {"notes", h.notices}, {"principal_components", components}};
}

json vectorJson(const Vector& v) {
  json out = json::array();
  for (Index i = 0; i < v.size(); ++i) {
    out.push_back(number(v(i)));
  }
  return out;
}

// One row of d coordinates for each landmark.
json landmarksJson(const Matrix& m) {
  json rows = json::array();
  for (Index i = 0; i < m.rows(); ++i) {
    rows.push_back(vectorJson(m.row(i).transpose()));
  }
  return rows;
}

const GroupSource& sourceOf(const RunDescription& run, size_t g) {
  if (!run.groups.empty()) {
    return run.groups[g];
  }
  return g == 0 ? run.group1 : run.group2;
}

std::string groupName(const RunDescription& run, size_t g) {
  const GroupSource& source = sourceOf(run, g);
  return source.name.empty() ? "group " + std::to_string(g + 1) : source.name;
}

void addComponents(const PrincipalComponents& pc, const RunDescription& run, json& out) {
  json groups = json::array();
  for (size_t g = 0; g < pc.groups.size(); ++g) {
    const GroupComponents& gc = pc.groups[g];
    json axes = json::array();
    for (const ComponentAxis& a : gc.axes) {
      axes.push_back({{"eigenvalue", number(a.eigenvalue)},
                      {"share", number(a.share)},
                      {"loading", vectorJson(a.loading)},
                      {"displacement", landmarksJson(a.displacement)}});
    }
    groups.push_back({{"group", groupName(run, g)},
                      {"eigenvalues", vectorJson(gc.eigenvalues)},
                      {"shares", vectorJson(gc.shares)},
                      {"cumulative_shares", vectorJson(gc.cumulative)},
                      {"axes", std::move(axes)}});
  }
  out["components"] = std::move(groups);
  out["consensus"] = landmarksJson(pc.consensus);
  out["displacement_scale"] = "one standard deviation";
  out["pooled"] = {{"eigenvalues", vectorJson(pc.pooledEigenvalues)},
                   {"shares", vectorJson(pc.pooledShares)}};
  json scores = json::array();
  for (size_t g = 0; g < pc.groups.size(); ++g) {
    const std::vector<std::string>& ids = sourceOf(run, g).identifiers;
    const Matrix& pooled = pc.pooledScores[g];
    for (Index i = 0; i < pooled.rows(); ++i) {
      size_t at = static_cast<size_t>(i);
      scores.push_back({{"group", groupName(run, g)},
                        {"specimen", i + 1},
                        {"identifier", at < ids.size() ? json(ids[at]) : json(nullptr)},
                        {"pooled", vectorJson(pooled.row(i).transpose())},
                        {"own", vectorJson(pc.groups[g].scores.row(i).transpose())}});
    }
  }
  out["scores"] = std::move(scores);
  if (pc.groups.size() > 2) {
    json pairs = json::array();
    for (const ComponentPair& p : pc.pairs) {
      pairs.push_back({{"groups", {groupName(run, p.first), groupName(run, p.second)}},
                       {"principal_angles", vectorJson(p.angles)},
                       {"angle", number(p.angle)}});
    }
    out["pairs"] = std::move(pairs);
    return;
  }
  const ComponentPair& pair = pc.pairs.front();
  out["principal_angles"] = vectorJson(pair.angles);
  json directions = json::array();
  for (const DirectionPair& d : pair.directions) {
    json both = json::array();
    for (size_t s = 0; s < 2; ++s) {
      both.push_back({{"group", groupName(run, s)},
                      {"loading", vectorJson(d.loading[s])},
                      {"standard_deviation", number(d.deviation[s])},
                      {"displacement", landmarksJson(d.displacement[s])}});
    }
    directions.push_back({{"angle", number(d.angle)}, {"groups", std::move(both)}});
  }
  out["direction_pairs"] = std::move(directions);
}

}  // namespace

json resultDocument(const AnalysisResult& r, const RunDescription& run) {
  if (r.covariance) {
    return covarianceResultDocument(r, run);
  }
  json out;
  out["schema"] = kResultSchema;
  out["program"] = {{"name", "vexmoor"}, {"version", VEXMOOR_VERSION}};
  out["action"] = r.action;
  out["text"] = r.text;
  out["settings"] = settingsJson(r, run);
  addGrouping(run, out["settings"]);
  const int dimension = run.settings.threeD ? 3 : 2;
  if (r.comparison) {
    json groups = json::array();
    for (size_t g = 0; g < run.groups.size(); ++g) {
      json one = groupJson(run.groups[g], r.comparison->sizes[g], r.groups.landmarks, dimension);
      one["name"] = run.groups[g].name;
      groups.push_back(std::move(one));
    }
    out["groups"] = std::move(groups);
  } else if (r.components && r.components->groups.size() > 2) {
    json groups = json::array();
    for (size_t g = 0; g < run.groups.size(); ++g) {
      json one = groupJson(run.groups[g], r.components->pooledScores[g].rows(), r.groups.landmarks,
                           dimension);
      one["name"] = run.groups[g].name;
      groups.push_back(std::move(one));
    }
    out["groups"] = std::move(groups);
  } else {
    out["groups"] = {groupJson(run.group1, r.groups.m1, r.groups.landmarks, dimension),
                     groupJson(run.group2, r.groups.m2, r.groups.landmarks, dimension)};
    // Two groups of a column or a classifier are known by their values.
    if (!run.groups.empty()) {
      out["groups"][0]["name"] = run.groups[0].name;
      out["groups"][1]["name"] = run.groups[1].name;
    }
  }
  out["observed"] = r.observed ? observedJson(*r.observed) : json(nullptr);
  out["replicate_columns"] = json::array();
  out["degenerate_replicates"] = nullptr;
  out["intervals"] = json::array();
  out["p_values"] = json::array();
  if (r.resampling) {
    addResampling(*r.resampling, out);
  }
  out["models"] = r.models ? modelsJson(*r.models) : json(nullptr);
  if (r.comparison) {
    out["pairs"] = pairsJson(*r.comparison);
    out["tables"] = {{"angle", squareJson(r.comparison->angle)},
                     {"runtime_angle", squareJson(r.comparison->runtimeAngle)},
                     {"metric", squareJson(r.comparison->metric)},
                     {"flury", squareJson(r.comparison->flury)}};
  }
  if (r.components) {
    addComponents(*r.components, run, out);
  }
  return out;
}

std::string resultJson(const json& document) {
  // Invalid bytes in a file name or text must not make the document fail.
  return document.dump(2, ' ', false, json::error_handler_t::replace);
}

std::string resultJson(const AnalysisResult& result, const RunDescription& run) {
  return resultJson(resultDocument(result, run));
}

}  // namespace vexmoor
