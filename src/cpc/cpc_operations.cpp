#include "cpc/cpc_operations.h"

#include <cmath>
#include <string>

#include "compare/flury_loglike.h"
#include "cpc/flury_cpc.h"
#include "cpc/model_hierarchy.h"
#include "cpc/partial_cpc.h"
#include "cpc/proportional_model.h"
#include "runtime/error.h"
#include "runtime/format.h"

namespace vexmoor {
namespace {

using Args = std::span<const Value>;

std::string sizeText(const Matrix& m) {
  return std::to_string(m.rows()) + " × " + std::to_string(m.cols());
}

// The two covariance matrices of an operation: square, of one size, at least 1 × 1.
void checkCovariancePair(const Matrix& a, const Matrix& b, std::string_view op,
                         std::string_view nameA, std::string_view nameB) {
  for (auto [m, name] : {std::pair{&a, nameA}, std::pair{&b, nameB}}) {
    if (m->rows() != m->cols() || m->rows() == 0) {
      throw Error(std::string(op) + ": " + std::string(name) + " is " + sizeText(*m) +
                  "; it must be a square covariance matrix");
    }
  }
  if (a.rows() != b.rows()) {
    throw Error(std::string(op) + ": " + std::string(nameA) + " is " + sizeText(a) + " and " +
                std::string(nameB) + " is " + sizeText(b) + "; they must have the same size");
  }
}

void warnUnsettled(Host& host, bool settled, const std::string& what) {
  if (!settled) {
    display(host, "warning", "Note: " + what + "; the result is the last estimate.");
  }
}

std::vector<Value> runFluryF(Args a, Host& host) {
  const char* op = "flury_f";
  const Matrix& A1 = matrixInput(a, 0, op, "A1");
  const Matrix& A2 = matrixInput(a, 1, op, "A2");
  checkCovariancePair(A1, A2, op, "A1", "A2");
  // Fewer than three inputs: both weights 1.
  double n1 = a.size() < 3 ? 1.0 : scalarInput(a, 2, op, "n1");
  double n2 = a.size() < 3 ? 1.0 : scalarInput(a, 3, op, "n2");
  CpcLimits limits;
  CommonComponents fit = flury_f(A1, A2, n1, n2, limits);
  warnUnsettled(host, fit.settled,
                format("flury_f did not settle within %i sweeps", {double(limits.maxSweeps)}));
  return {fit.B, fit.s1est, fit.s2est};
}

std::vector<Value> runFluryG(Args a, Host&) {
  const char* op = "flury_g";
  const Matrix& T1 = matrixInput(a, 0, op, "T1");
  const Matrix& T2 = matrixInput(a, 1, op, "T2");
  checkCovariancePair(T1, T2, op, "T1", "T2");
  if (T1.rows() != 2) {
    throw Error(std::string("flury_g: T1 and T2 are ") + sizeText(T1) + "; they must be 2 × 2");
  }
  return {flury_g(T1, T2, scalarInput(a, 2, op, "n1"), scalarInput(a, 3, op, "n2"))};
}

std::vector<Value> runFluryPcm(Args a, Host& host) {
  const char* op = "flury_pcm";
  const Matrix& s1 = matrixInput(a, 0, op, "s1");
  const Matrix& s2 = matrixInput(a, 1, op, "s2");
  checkCovariancePair(s1, s2, op, "s1", "s2");
  CpcLimits limits;
  ProportionalModel m = flury_pcm(s1, s2, scalarInput(a, 2, op, "n1"), scalarInput(a, 3, op, "n2"),
                                  limits.maxProportionalIterations);
  warnUnsettled(host, m.settled,
                format("flury_pcm did not settle within %i iterations",
                       {double(limits.maxProportionalIterations)}));
  return {m.s1est, m.s2est, m.B, Matrix(m.p), Matrix(m.L)};
}

std::vector<Value> runFluryPcp(Args a, Host& host) {
  const char* op = "flury_pcp";
  const Matrix& s1 = matrixInput(a, 0, op, "s1");
  const Matrix& s2 = matrixInput(a, 1, op, "s2");
  checkCovariancePair(s1, s2, op, "s1", "s2");
  // The weights are part of the call but do not enter the partial model.
  requiredArg(a, 2, op, "n1");
  requiredArg(a, 3, op, "n2");
  const Matrix& B = matrixInput(a, 4, op, "B");
  if (B.rows() != s1.rows() || B.cols() != s1.rows()) {
    throw Error("flury_pcp: B is " + sizeText(B) + "; it must be " + sizeText(s1) +
                " like s1 and s2");
  }
  double q = scalarInput(a, 5, op, "q");
  if (!(q >= 0 && q <= static_cast<double>(s1.rows()) && q == std::floor(q))) {
    throw Error("flury_pcp: the number of common components q must be a whole number from 0 to " +
                std::to_string(s1.rows()) + "; it is " + format("%g", {q}));
  }
  PartialCommonComponents m = flury_pcp(s1, s2, B, static_cast<Index>(q), host);
  return {m.s1est, m.s2est, m.Bg1, m.Bg2, Matrix(m.L1est), Matrix(m.L2est)};
}

std::vector<Value> runFluryAic(Args a, Host& host) {
  const char* op = "flury_aic";
  const Matrix& s1 = matrixInput(a, 0, op, "s1");
  const Matrix& s2 = matrixInput(a, 1, op, "s2");
  checkCovariancePair(s1, s2, op, "s1", "s2");
  return {
      textValue(flury_aic(s1, s2, scalarInput(a, 2, op, "n1"), scalarInput(a, 3, op, "n2"), host))};
}

}  // namespace

void bindCpcOperations(OperationTable& t, Host& host) {
  t.bind("fluryloglike", [](Args a, int) -> std::vector<Value> {
    const char* op = "fluryloglike";
    return {scalarValue(fluryloglike(matrixInput(a, 0, op, "s1"), matrixInput(a, 1, op, "s2"),
                                     matrixInput(a, 2, op, "s"), scalarInput(a, 3, op, "n1"),
                                     scalarInput(a, 4, op, "n2")))};
  });
  t.bind("flury_f", [&host](Args a, int) { return runFluryF(a, host); });
  t.bind("flury_g", [&host](Args a, int) { return runFluryG(a, host); });
  t.bind("flury_pcm", [&host](Args a, int) { return runFluryPcm(a, host); });
  t.bind("flury_pcp", [&host](Args a, int) { return runFluryPcp(a, host); });
  t.bind("flury_aic", [&host](Args a, int) { return runFluryAic(a, host); });
}

}  // namespace vexmoor
