#include "actions/result_json.h"

#include <cmath>
#include <nlohmann/json.hpp>

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

json groupJson(const GroupSource& source, Index specimens, Index landmarks) {
  return {{"file", source.file},
          {"format", source.format},
          {"specimens", specimens},
          {"landmarks", landmarks},
          {"identifiers", source.identifiers}};
}

json settingsJson(const AnalysisResult& r, const RunDescription& run) {
  const AnalysisSettings& s = run.settings;
  json settings = {{"files", {run.group1.file, run.group2.file}},
                   {"formats", {run.group1.format, run.group2.format}},
                   {"dimension", s.threeD ? 3 : 2},
                   {"partial_warps", s.partialWarps},
                   {"components", r.groups.npca > 0 ? json(r.groups.npca) : json(nullptr)},
                   {"v", nullptr},
                   {"replicates", nullptr},
                   {"seed", nullptr}};
  if (r.resampling) {
    settings["v"] = s.bootValue;
    settings["replicates"] = r.resampling->replicates;
  }
  if (r.seed) {
    settings["seed"] = *r.seed;
  }
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
  out["replicate_columns"] = r.columns;
  out["intervals"] = std::move(intervals);
  out["p_values"] = std::move(pValues);
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
  return {{"rows", std::move(rows)}, {"notes", h.notices}};
}

}  // namespace

std::string resultJson(const AnalysisResult& r, const RunDescription& run) {
  json out;
  out["schema"] = kResultSchema;
  out["program"] = {{"name", "vexmoor"}, {"version", VEXMOOR_VERSION}};
  out["action"] = r.action;
  out["text"] = r.text;
  out["settings"] = settingsJson(r, run);
  out["groups"] = {groupJson(run.group1, r.groups.m1, r.groups.landmarks),
                   groupJson(run.group2, r.groups.m2, r.groups.landmarks)};
  out["observed"] = r.observed ? observedJson(*r.observed) : json(nullptr);
  out["replicate_columns"] = json::array();
  out["intervals"] = json::array();
  out["p_values"] = json::array();
  if (r.resampling) {
    addResampling(*r.resampling, out);
  }
  out["models"] = r.models ? modelsJson(*r.models) : json(nullptr);
  // Invalid bytes in a file name or text must not make the document fail.
  return out.dump(2, ' ', false, json::error_handler_t::replace);
}

}  // namespace vexmoor
