#include "cpc/model_hierarchy.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <exception>
#include <limits>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "compare/principal_axes.h"
#include "cpc/model_numerics.h"
#include "cpc/partial_cpc.h"
#include "cpc/proportional_model.h"
#include "runtime/error.h"
#include "runtime/format.h"
#include "runtime/text.h"

namespace vexmoor {
namespace {

// −Σg ng · ln det(estimate g), summed in group order.
double logLikelihood(const std::vector<Matrix>& estimates, const std::vector<double>& n) {
  double ll = -n[0] * logDeterminant(estimates[0]);
  for (size_t g = 1; g < estimates.size(); ++g) {
    ll -= n[g] * logDeterminant(estimates[g]);
  }
  return ll;
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

void noticeSingular(ModelHierarchy& h, Host& host, const std::vector<double>& n,
                    const std::vector<std::string>& labels) {
  bool any = false;
  for (size_t g = 0; g < n.size(); ++g) {
    if (n[g] <= static_cast<double>(h.p)) {
      any = true;
      // The label stays outside the format, whatever characters it holds.
      std::string group = labels.empty() ? "group " + std::to_string(g + 1) : labels[g];
      addNotice(h, host,
                "Note: " + group +
                    format(" has %i specimens for %i variables, so its covariance matrix is "
                           "singular and the log-likelihoods, AICs and weights are not "
                           "meaningful.",
                           {n[g], double(h.p)}));
    }
  }
  if (!any && !allFinite(h)) {
    addNotice(h, host,
              "Note: a covariance estimate is singular, so some log-likelihoods, AICs and "
              "weights are not finite.");
  }
}

// Keeps what a computation writes to the console, to be passed on later in
// the order the computations were started.
class BufferedConsole : public Host {
 public:
  explicit BufferedConsole(bool enabled) : m_enabled(enabled) {}
  bool consoleEnabled() const override { return m_enabled; }
  void consoleWrite(std::string_view text) override { m_text += text; }
  void messageBox(std::string_view) override {}
  const std::string& text() const { return m_text; }

 private:
  bool m_enabled;
  std::string m_text;
};

unsigned workerCount() {
  return std::max(1u, std::thread::hardware_concurrency());
}

// From this many variables the common components take long enough to fit
// the proportional model beside them.
constexpr Index kBesideSize = 48;

// The partial models formed one by one, as the console shows them: each
// estimate, its axes and a key wait. The models are independent, so a batch
// of them is computed on all cores and then shown in order; the numbers do
// not depend on the number of threads.
std::vector<double> formedPartialLogLikelihoods(const std::vector<Matrix>& s,
                                                const std::vector<double>& n, const Matrix& B,
                                                Host& host, const Progress* progress) {
  const Index p = s[0].rows();
  std::vector<double> ll;
  const Index batch = static_cast<Index>(workerCount());
  for (Index first = 1; first <= p - 2; first += batch) {
    throwIfCancelled(progress);
    Index last = std::min(p - 2, first + batch - 1);
    std::vector<PartialModel> fits(static_cast<size_t>(last - first + 1));
    std::vector<BufferedConsole> consoles(fits.size(), BufferedConsole(host.consoleEnabled()));
    std::vector<std::thread> workers;
    workers.reserve(fits.size());
    std::vector<std::exception_ptr> failures(fits.size());
    for (size_t i = 0; i < fits.size(); ++i) {
      auto fit = [&, i] {
        try {
          fits[i] = partialCommonComponents(s, B, first + static_cast<Index>(i), consoles[i]);
        } catch (...) {
          failures[i] = std::current_exception();
        }
      };
      // Where no further thread can be had, this one fits the model: the
      // threads already started are joined below, never left running.
      try {
        workers.emplace_back(fit);
      } catch (const std::system_error&) {
        fit();
      }
    }
    for (std::thread& w : workers) {
      w.join();
    }
    for (size_t i = 0; i < fits.size(); ++i) {
      if (failures[i]) {
        std::rethrow_exception(failures[i]);
      }
      const PartialModel& pcpc = fits[i];
      if (host.consoleEnabled()) {
        host.consoleWrite(consoles[i].text());
      }
      for (size_t g = 0; g < s.size(); ++g) {
        display(host, "s" + std::to_string(g + 1) + "_pcpc", pcpc.estimates[g]);
      }
      display(host, "Bg1", pcpc.axes[0]);
      host.waitForKey();
      ll.push_back(logLikelihood(pcpc.estimates, n));
    }
  }
  return ll;
}

// LL of the partial models with j = 1 ... p − 2 shared axes. When nobody
// watches the console and every matrix is regular, all of them come from
// one factorisation per group (the estimates' determinants are products of
// their variances along orthogonal axes), which costs O(p³) instead of
// O(p⁴). Otherwise the estimates are formed: they are shown, and for a
// group with no more specimens than variables the values are rounding
// noise that only the estimates themselves reproduce.
std::vector<double> partialLogLikelihoods(const std::vector<Matrix>& s,
                                          const std::vector<double>& n, const Matrix& B, Host& host,
                                          const Progress* progress) {
  const Index p = s[0].rows();
  const double pd = static_cast<double>(p);
  bool regular = !host.consoleEnabled() &&
                 std::all_of(n.begin(), n.end(), [pd](double ng) { return ng > pd; });
  std::vector<Vector> logDets;
  for (size_t g = 0; regular && g < s.size(); ++g) {
    std::optional<Vector> d = partialLogDeterminants(s[g], B);
    regular = d.has_value();
    if (d) {
      logDets.push_back(*d);
    }
  }
  if (!regular) {
    return formedPartialLogLikelihoods(s, n, B, host, progress);
  }
  std::vector<double> ll;
  for (Index j = 1; j <= p - 2; ++j) {
    double sum = -n[0] * logDets[0](j);
    for (size_t g = 1; g < s.size(); ++g) {
      sum -= n[g] * logDets[g](j);
    }
    ll.push_back(sum);
  }
  return ll;
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
  return fitModelHierarchy(std::vector<Matrix>{s1, s2}, std::vector<double>{n1, n2}, host, limits);
}

ModelHierarchy fitModelHierarchy(const std::vector<Matrix>& s, const std::vector<double>& n,
                                 Host& host, const CpcLimits& limits,
                                 const std::vector<std::string>& labels, Progress* progress) {
  assert(s.size() == n.size() && s.size() >= 2);
  ModelHierarchy h;
  const Index p = s[0].rows();
  const double pd = static_cast<double>(p);
  const double groups = static_cast<double>(s.size());
  h.p = p;
  h.groups = static_cast<Index>(s.size());

  // The proportional model does not depend on the common components; with
  // many variables it is fitted on a second thread beside the sweeps.
  std::optional<ProportionalModel> proportional;
  std::exception_ptr proportionalFailure;
  auto fitProportional = [&] {
    try {
      proportional = proportionalModel(s, n, limits.maxProportionalIterations, labels, progress);
    } catch (...) {
      proportionalFailure = std::current_exception();
    }
  };
  std::thread beside;
  if (p >= kBesideSize && workerCount() > 1) {
    try {
      beside = std::thread(fitProportional);
    } catch (const std::system_error&) {
      // No thread to be had: it is fitted after the sweeps, below.
    }
  }
  std::optional<CommonComponents> common;
  try {
    common = fluryCommonComponents(s, n, limits, labels, progress);
  } catch (...) {
    if (beside.joinable()) {
      beside.join();
    }
    throw;
  }
  if (beside.joinable()) {
    beside.join();
  } else {
    fitProportional();
  }
  const CommonComponents& cpc = *common;
  h.cpc = model(logLikelihood(cpc.estimates, n), pd * (pd - 1) / 2 + groups * pd);

  Matrix pooled = n[0] * s[0];
  double total = n[0];
  for (size_t g = 1; g < s.size(); ++g) {
    pooled += n[g] * s[g];
    total += n[g];
  }
  Matrix sIdentical = pooled / total;
  h.identical = model(-total * logDeterminant(sIdentical), pd * (pd + 1) / 2);

  if (proportionalFailure) {
    std::rethrow_exception(proportionalFailure);
  }
  const ProportionalModel& prop = *proportional;
  h.prop = model(logLikelihood(prop.estimates, n), pd * (pd + 1) / 2 + groups - 1);
  h.proportionality = prop.p;

  h.indep = model(logLikelihood(s, n), groups * pd * (pd + 1) / 2);

  throwIfCancelled(progress);
  std::vector<double> partialLl = partialLogLikelihoods(s, n, cpc.B, host, progress);
  for (Index j = 1; j <= p - 2; ++j) {
    double free = static_cast<double>(p - j);
    h.partial.push_back(
        model(partialLl[static_cast<size_t>(j - 1)],
              pd * (pd - 1) / 2 + groups * pd + (groups - 1) * free * (free - 1) / 2));
  }

  RowVector aiclist = aicList(h);
  displayLogLikelihoods(h, aiclist, host);
  RowVector relative = aiclist.array() - smallest(aiclist);
  h.aicWeight = (-0.5 * relative.array()).exp();
  h.aicWeight /= h.aicWeight.sum();

  noticeUnsettled(h, host, cpc, prop, limits);
  noticeSingular(h, host, n, labels);
  return h;
}

std::string pooledComponentsLine(int m, double share) {
  return "Fitted to the scores of the first " + std::to_string(m) + " principal component" +
         (m == 1 ? "" : "s") + " of the pooled within-group covariance matrix, which hold " +
         format("%.1f", {100 * share}) + "% of its variance";
}

std::string modelHierarchyText(const ModelHierarchy& h, Host& host, std::string_view afterTitle) {
  std::vector<std::string> pieces;
  pieces.push_back(format("Results of CPC Analysis"));
  if (!afterTitle.empty()) {
    pieces.emplace_back(afterTitle);
  }
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
  std::string table = joinTrimmed(pieces);
  return h.components > 0 ? pooledComponentsLine(h.components, h.componentShare) + "\n" + table
                          : table;
}

std::string flury_aic(const Matrix& s1, const Matrix& s2, double n1, double n2, Host& host,
                      const CpcLimits& limits) {
  return modelHierarchyText(fitModelHierarchy(s1, s2, n1, n2, host, limits), host);
}

void requireMoreSpecimensThanVariables(const std::vector<double>& n, Index p,
                                       const std::vector<std::string>& labels) {
  for (size_t g = 0; g < n.size(); ++g) {
    if (n[g] <= static_cast<double>(p)) {
      std::string group = labels.empty() ? "group " + std::to_string(g + 1) : labels[g];
      throw Error(group + " has " + format("%i", {n[g]}) + " specimens for " + std::to_string(p) +
                  " variables, so its covariance matrix is singular and the covariance models "
                  "cannot be compared; fit them to fewer principal components than the smallest "
                  "group has specimens (--pcs)");
    }
  }
}

PooledComponents pooledComponents(const std::vector<const Matrix*>& x, int m,
                                  const std::vector<std::string>& labels,
                                  const Progress* progress) {
  const Index p = x[0]->cols();
  Index rows = 0;
  Index smallest = x[0]->rows();
  size_t smallestGroup = 0;
  for (size_t g = 0; g < x.size(); ++g) {
    rows += x[g]->rows();
    if (x[g]->rows() < smallest) {
      smallest = x[g]->rows();
      smallestGroup = g;
    }
  }
  const Index most = std::min(p, smallest - 1);
  if (m < 1 || m > most) {
    std::string group =
        labels.empty() ? "group " + std::to_string(smallestGroup + 1) : labels[smallestGroup];
    throw Error(
        "the number of principal components for the covariance models must be a whole "
        "number from 1 to " +
        std::to_string(most) + " (fewer than the " + std::to_string(smallest) + " specimens of " +
        group + ", and at most the " + std::to_string(p) + " variables); it is " +
        std::to_string(m));
  }
  // Each group centred on its own mean: the rows' scatter is the pooled
  // within-group one.
  Matrix within(rows, p);
  Index at = 0;
  for (const Matrix* g : x) {
    within.middleRows(at, g->rows()) = g->rowwise() - g->colwise().mean();
    at += g->rows();
  }
  PooledComponents out;
  out.axes = leadingPrincipalAxes(within, m, progress);
  const double total = within.squaredNorm();
  out.share = total > 0 ? (within * out.axes).squaredNorm() / total : 0.0;
  return out;
}

CpcResult runCpc(const AnalysisInput& in, Host& host, const CpcOptions& options) {
  const std::vector<double> n{static_cast<double>(in.m1), static_cast<double>(in.m2)};
  std::optional<PooledComponents> components;
  Matrix s1, s2;
  if (options.pcs > 0) {
    components = pooledComponents({&in.x1, &in.x2}, options.pcs, in.labels, options.progress);
    s1 = covariance(in.x1 * components->axes);
    s2 = covariance(in.x2 * components->axes);
  } else {
    s1 = covariance(in.x1);
    s2 = covariance(in.x2);
  }
  if (s1.rows() >= 2) {
    if (auto z = findZeroVariance(s1, s2, false)) {
      throw Error((components ? "principal component " + std::to_string(z->variable + 1)
                              : variableName(in, z->variable)) +
                  " has zero variance in " + groupText(in.labels, z->group, 2) +
                  " (the same value in every specimen), so the common principal components "
                  "cannot be estimated" +
                  (!components && analysesRawCoordinates(in)
                       ? "; analyse partial warps, which superimpose the specimens, instead"
                       : ""));
    }
  }
  // With no more specimens than variables the sweeps cannot settle and
  // every log-likelihood is rounding noise: said at once instead.
  requireMoreSpecimensThanVariables(n, s1.rows(), in.labels);
  ModelHierarchy h = fitModelHierarchy({s1, s2}, n, host, {}, {}, options.progress);
  if (components) {
    h.components = options.pcs;
    h.componentShare = components->share;
  }
  std::string text = modelHierarchyText(h, host);
  return {std::move(text), std::move(h)};
}

std::string runCpcText(const AnalysisInput& in, Host& host, const CpcOptions& options) {
  return runCpc(in, host, options).text;
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
