#include "cpc/model_numerics.h"

#include <cmath>
#include <limits>
#include <string>

#include "runtime/error.h"

namespace vexmoor {

double logDeterminant(const Matrix& m) {
  if (m.size() == 0) {
    return 0.0;  // the determinant of an empty matrix is 1
  }
  Eigen::PartialPivLU<Matrix> lu(m);
  const Matrix& u = lu.matrixLU();
  double sum = 0.0;
  double sign = lu.permutationP().determinant();
  bool zero = false;
  for (Index i = 0; i < u.rows(); ++i) {
    double d = u(i, i);
    if (std::isnan(d)) {
      return std::numeric_limits<double>::quiet_NaN();
    }
    zero = zero || d == 0.0;
    sign *= d < 0 ? -1.0 : 1.0;
    sum += std::log(std::abs(d));
  }
  if (zero) {
    return -std::numeric_limits<double>::infinity();
  }
  return sign > 0 ? sum : std::numeric_limits<double>::quiet_NaN();
}

Matrix ascendingEigenvectors(const Matrix& symmetric) {
  Eigen::SelfAdjointEigenSolver<Matrix> eig(symmetric);
  return eig.eigenvectors();
}

std::optional<ZeroVariance> findZeroVariance(const Matrix& s1, const Matrix& s2, bool bothGroups) {
  for (Index i = 0; i < s1.rows(); ++i) {
    bool zero1 = s1(i, i) == 0.0;
    bool zero2 = s2(i, i) == 0.0;
    if (zero1 && zero2) {
      return ZeroVariance{i, 0};
    }
    if (!bothGroups && (zero1 || zero2)) {
      return ZeroVariance{i, zero1 ? 1 : 2};
    }
  }
  return std::nullopt;
}

std::optional<ZeroVariance> findZeroVariance(const std::vector<Matrix>& s, bool everyGroup) {
  for (Index i = 0; i < s[0].rows(); ++i) {
    int first = 0;
    bool all = true;
    for (size_t g = 0; g < s.size(); ++g) {
      bool zero = s[g](i, i) == 0.0;
      all = all && zero;
      if (zero && first == 0) {
        first = static_cast<int>(g) + 1;
      }
    }
    if (all) {
      return ZeroVariance{i, 0};
    }
    if (!everyGroup && first != 0) {
      return ZeroVariance{i, first};
    }
  }
  return std::nullopt;
}

std::string groupLabel(const std::vector<std::string>& labels, int group) {
  if (labels.empty()) {
    return "group " + std::to_string(group);
  }
  return labels[static_cast<size_t>(group - 1)];
}

std::string groupText(const std::vector<std::string>& labels, int group, size_t groups) {
  if (group != 0) {
    return groupLabel(labels, group);
  }
  return groups == 2 ? "both groups" : "all " + std::to_string(groups) + " groups";
}

std::string groupText(int group) {
  return group == 0 ? "both groups" : "group " + std::to_string(group);
}

void requireVariation(const Matrix& s1, const Matrix& s2, bool bothGroups, const char* model) {
  if (auto z = findZeroVariance(s1, s2, bothGroups)) {
    throw Error("variable " + std::to_string(z->variable + 1) + " has zero variance in " +
                groupText(z->group) + " (the same value in every specimen), so the " + model +
                " cannot be estimated");
  }
}

void requireVariation(const std::vector<Matrix>& s, bool everyGroup, const char* model,
                      const std::vector<std::string>& labels) {
  if (auto z = findZeroVariance(s, everyGroup)) {
    throw Error("variable " + std::to_string(z->variable + 1) + " has zero variance in " +
                groupText(labels, z->group, s.size()) +
                " (the same value in every specimen), so the " + model + " cannot be estimated");
  }
}

}  // namespace vexmoor
