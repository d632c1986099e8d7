#include "cpc/model_hierarchy.h"

#include <cmath>
#include <limits>
#include <string>

#include "compare/principal_axes.h"
#include "cpc/model_numerics.h"
#include "cpc/partial_cpc.h"
#include "cpc/proportional_model.h"
#include "runtime/error.h"
#include "runtime/format.h"
#include "runtime/text.h"

namespace vexmoor {
namespace {

constexpr double kGroups = 2;

double logLikelihood(const Matrix& s1est, const Matrix& s2est, double n1, double n2) {
  return -n1 * logDeterminant(s1est) - n2 * logDeterminant(s2est);
}

ModelFit model(double ll, double param) {
  return {ll, param, -2 * ll + 2 * param};
}

void addNotice(ModelHierarchy& h, Host& host, std::string text) {
  display(host, "warning", text);
  h.notices.push_back(std::move(text));
}

void noticeUnsettled(ModelHierarchy& h, Host& host, const CommonComponents& cpc,
                     const ProportionalModel& prop, const CpcLimits& limits) {
  if (!cpc.settled) {
    addNotice(h, host,
              format("Note: the common principal components did not settle within %i sweeps; "
                     "models 3 and 4 use the last estimate.",
                     {double(limits.maxSweeps)}));
  }
  if (cpc.unsettledRotations > 0) {
    addNotice(h, host,
              format("Note: %i rotations of the last sweep of the common principal components "
                     "did not settle within %i iterations; models 3 and 4 use the last estimate.",
                     {double(cpc.unsettledRotations), double(limits.maxRotationIterations)}));
  }
  if (!prop.settled) {
    addNotice(h, host,
              format("Note: the proportional model did not settle within %i iterations; "
                     "model 2 uses the last estimate.",
                     {double(limits.maxProportionalIterations)}));
  }
}

bool allFinite(const ModelHierarchy& h) {
  bool finite = std::isfinite(h.identical.aic) && std::isfinite(h.prop.aic) &&
                std::isfinite(h.cpc.aic) && std::isfinite(h.indep.aic) && h.aicWeight.allFinite();
  for (const ModelFit& f : h.partial) {
    finite = finite && std::isfinite(f.aic);
  }
  return finite;
}

void noticeSingular(ModelHierarchy& h, Host& host, double n1, double n2) {
  bool any = false;
  for (int g = 1; g <= 2; ++g) {
    double n = g == 1 ? n1 : n2;
    if (n <= static_cast<double>(h.p)) {
      any = true;
      addNotice(h, host,
                format("Note: group %i has %i specimens for %i variables, so its covariance "
                       "matrix is singular and the log-likelihoods, AICs and weights are not "
                       "meaningful.",
                       {double(g), n, double(h.p)}));
    }
  }
  if (!any && !allFinite(h)) {
    addNotice(h, host,
              "Note: a covariance estimate is singular, so some log-likelihoods, AICs and "
              "weights are not finite.");
  }
}

// The smallest value that is not NaN (NaN when all are).
double smallest(const RowVector& v) {
  double m = std::numeric_limits<double>::quiet_NaN();
  for (double x : v) {
    if (!std::isnan(x) && (std::isnan(m) || x < m)) {
      m = x;
    }
  }
  return m;
}

RowVector aicList(const ModelHierarchy& h) {
  RowVector list(4 + static_cast<Index>(h.partial.size()));
  list(0) = h.identical.aic;
  list(1) = h.prop.aic;
  list(2) = h.cpc.aic;
  list(3) = h.indep.aic;
  for (size_t j = 0; j < h.partial.size(); ++j) {
    list(4 + static_cast<Index>(j)) = h.partial[j].aic;
  }
  return list;
}

void displayLogLikelihoods(const ModelHierarchy& h, const RowVector& aiclist, Host& host) {
  if (!host.consoleEnabled()) {
    return;
  }
  display(host, "flury_list", Matrix(aiclist.array() + 2 * h.identical.ll));
  if (h.partial.empty()) {
    display(host, "ans", h.indep.ll - h.identical.ll);
    return;
  }
  double pcpc1 = h.partial.front().ll;
  RowVector upper(4), lower(4);
  upper << h.prop.ll, h.cpc.ll, pcpc1, h.indep.ll;
  lower << h.identical.ll, h.prop.ll, h.cpc.ll, pcpc1;
  RowVector llist = upper - lower;
  display(host, "LLIST", Matrix(llist));
  display(host, "ans", llist.sum());
  display(host, "ans", h.indep.ll - h.identical.ll);
  display(host, "ans", pcpc1 - h.indep.ll);
}

std::string modelLine(const char* label, const ModelFit& f, double weight) {
  return format(label, {f.ll, f.param, f.aic, weight});
}

// Only the raw-coordinate path analyses the landmark data matrices themselves.
bool analysesRawCoordinates(const AnalysisInput& in) {
  return !in.pwactive && in.x1.cols() == in.source1.cols() && in.x1 == in.source1;
}

// How the user knows variable i (0-based) of the analysed matrices.
std::string variableName(const AnalysisInput& in, Index i) {
  if (!analysesRawCoordinates(in)) {
    return "shape variable " + std::to_string(i + 1);
  }
  std::string column = "column " + std::to_string(i + 1) + " of the landmark data";
  if (i == in.x1.cols() - 1) {
    return "the trailing value (" + column + ")";
  }
  return std::string(i % 2 == 0 ? "the x" : "the y") + " coordinate of landmark " +
         std::to_string(i / 2 + 1) + " (" + column + ")";
}

}  // namespace

ModelHierarchy fitModelHierarchy(const Matrix& s1, const Matrix& s2, double n1, double n2,
                                 Host& host, const CpcLimits& limits) {
  ModelHierarchy h;
  const Index p = s1.rows();
  const double pd = static_cast<double>(p);
  h.p = p;

  CommonComponents cpc = flury_f(s1, s2, n1, n2, limits);
  h.cpc = model(logLikelihood(cpc.s1est, cpc.s2est, n1, n2), pd * (pd - 1) / 2 + kGroups * pd);

  Matrix sIdentical = (n1 * s1 + n2 * s2) / (n1 + n2);
  h.identical = model(-(n1 + n2) * logDeterminant(sIdentical), pd * (pd + 1) / 2);

  ProportionalModel prop = flury_pcm(s1, s2, n1, n2, limits.maxProportionalIterations);
  h.prop = model(logLikelihood(prop.s1est, prop.s2est, n1, n2), pd * (pd + 1) / 2 + kGroups - 1);

  h.indep = model(logLikelihood(s1, s2, n1, n2), kGroups * pd * (pd + 1) / 2);

  for (Index j = 1; j <= p - 2; ++j) {
    PartialCommonComponents pcpc = flury_pcp(s1, s2, cpc.B, j, host);
    display(host, "s1_pcpc", pcpc.s1est);
    display(host, "s2_pcpc", pcpc.s2est);
    display(host, "Bg1", pcpc.Bg1);
    host.waitForKey();
    double free = static_cast<double>(p - j);
    h.partial.push_back(
        model(logLikelihood(pcpc.s1est, pcpc.s2est, n1, n2),
              pd * (pd - 1) / 2 + kGroups * pd + (kGroups - 1) * free * (free - 1) / 2));
  }

  RowVector aiclist = aicList(h);
  displayLogLikelihoods(h, aiclist, host);
  RowVector relative = aiclist.array() - smallest(aiclist);
  h.aicWeight = (-0.5 * relative.array()).exp();
  h.aicWeight /= h.aicWeight.sum();

  noticeUnsettled(h, host, cpc, prop, limits);
  noticeSingular(h, host, n1, n2);
  return h;
}

std::string modelHierarchyText(const ModelHierarchy& h, Host& host) {
  std::vector<std::string> pieces;
  pieces.push_back(format("Results of CPC Analysis"));
  std::string stemp1 =
      format("\\n Model                            LL       Param   AIC      AIC Wt");
  display(host, "stemp1", stemp1);
  pieces.push_back(stemp1);
  const RowVector& w = h.aicWeight;
  pieces.push_back(modelLine("\\n 1.) Equal Variance:              %4.3f %i    %4.3f    %1.6f",
                             h.identical, w(0)));
  pieces.push_back(
      modelLine("\\n 2.) Proportional Variance:       %4.3f %i    %4.3f    %1.6f", h.prop, w(1)));
  pieces.push_back(
      modelLine("\\n 3.) Common Principal Components: %4.3f %i    %4.3f    %1.6f", h.cpc, w(2)));
  pieces.push_back(format("\\n 4.) Partial Common Principle Components"));
  for (size_t j = 0; j < h.partial.size(); ++j) {
    const ModelFit& f = h.partial[j];
    pieces.push_back(format("\\n     %i CPC:                       %4.3f %i    %4.3f   %1.6f",
                            {double(j + 1), f.ll, f.param, f.aic, w(4 + static_cast<Index>(j))}));
  }
  pieces.push_back(
      modelLine("\\n 5.) Independent Variance:        %4.3f %i    %4.3f    %1.6f", h.indep, w(3)));
  for (const std::string& notice : h.notices) {
    pieces.push_back("\n" + notice);
  }
  return joinTrimmed(pieces);
}

std::string flury_aic(const Matrix& s1, const Matrix& s2, double n1, double n2, Host& host,
                      const CpcLimits& limits) {
  return modelHierarchyText(fitModelHierarchy(s1, s2, n1, n2, host, limits), host);
}

CpcResult runCpc(const AnalysisInput& in, Host& host) {
  Matrix s1 = covariance(in.x1);
  Matrix s2 = covariance(in.x2);
  if (s1.rows() >= 2) {
    if (auto z = findZeroVariance(s1, s2, false)) {
      throw Error(variableName(in, z->variable) + " has zero variance in " + groupText(z->group) +
                  " (the same value in every specimen), so the common principal components "
                  "cannot be estimated" +
                  (analysesRawCoordinates(in)
                       ? "; analyse partial warps, which superimpose the specimens, instead"
                       : ""));
    }
  }
  ModelHierarchy h =
      fitModelHierarchy(s1, s2, static_cast<double>(in.m1), static_cast<double>(in.m2), host);
  std::string text = modelHierarchyText(h, host);
  return {std::move(text), std::move(h)};
}

std::string runCpcText(const AnalysisInput& in, Host& host) {
  return runCpc(in, host).text;
}

std::vector<ModelRow> modelRows(const ModelHierarchy& h) {
  const RowVector& w = h.aicWeight;
  std::vector<ModelRow> rows{{"Equal Variance", h.identical, w(0)},
                             {"Proportional Variance", h.prop, w(1)},
                             {"Common Principal Components", h.cpc, w(2)}};
  for (size_t j = 0; j < h.partial.size(); ++j) {
    rows.push_back({std::to_string(j + 1) + " CPC", h.partial[j], w(4 + static_cast<Index>(j))});
  }
  rows.push_back({"Independent Variance", h.indep, w(3)});
  return rows;
}

}  // namespace vexmoor
