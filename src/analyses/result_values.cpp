#include "analyses/result_values.h"

#include <cmath>

namespace vexmoor {
namespace {

bool finite(double v) {
  return std::isfinite(v);
}

bool finite(const std::optional<double>& v) {
  return !v || std::isfinite(*v);
}

bool finite(const ObservedStatistics& o) {
  return finite(o.angle) && finite(o.maxAngle) && finite(o.metric) && finite(o.runtimeAngle) &&
         finite(o.flury);
}

bool finite(const ResamplingResult& r) {
  for (const PrintedPercentile& p : r.percentiles) {
    if (!finite(p.value)) {
      return false;
    }
  }
  for (const EmpiricalPValue& p : r.pValues) {
    if (!finite(p.observed) || !finite(p.p)) {
      return false;
    }
  }
  return finite(r.observed);
}

bool finite(const ModelHierarchy& h) {
  for (const ModelRow& row : modelRows(h)) {
    if (!finite(row.fit.ll) || !finite(row.fit.param) || !finite(row.fit.aic) ||
        !finite(row.weight)) {
      return false;
    }
  }
  return true;
}

bool finite(const PrincipalComponents& pc) {
  for (const GroupComponents& g : pc.groups) {
    if (!g.eigenvalues.allFinite() || !g.shares.allFinite()) {
      return false;
    }
  }
  for (const ComponentPair& p : pc.pairs) {
    if (!p.angles.allFinite() || !finite(p.angle)) {
      return false;
    }
  }
  return true;
}

bool finite(const GroupComparison& c) {
  for (const GroupPair& p : c.pairs) {
    if (!finite(p.observed) || (p.resampling && !finite(*p.resampling))) {
      return false;
    }
  }
  return true;
}

}  // namespace

bool showsNonFiniteValues(const AnalysisResult& r) {
  bool finiteAll = (!r.observed || finite(*r.observed)) &&
                   (!r.resampling || finite(*r.resampling)) && (!r.models || finite(*r.models)) &&
                   (!r.components || finite(*r.components)) &&
                   (!r.comparison || finite(*r.comparison));
  return !finiteAll;
}

}  // namespace vexmoor
