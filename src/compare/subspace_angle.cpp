#include "compare/subspace_angle.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "compare/principal_axes.h"
#include "runtime/error.h"

namespace vexmoor {

Vector principalAngles(const Matrix& basis1, const Matrix& basis2) {
  Matrix m = basis1.transpose() * basis2;
  Matrix residual = basis2 - basis1 * m;
  Vector cosines = Eigen::JacobiSVD<Matrix>(m).singularValues();       // descending
  Vector sines = Eigen::JacobiSVD<Matrix>(residual).singularValues();  // descending
  Index k = cosines.size();
  Vector angles(k);
  // The i-th largest cosine belongs with the i-th smallest sine.
  for (Index i = 0; i < k; ++i) {
    angles(i) = std::atan2(sines(k - 1 - i), cosines(i));
  }
  return angles;
}

SubspaceComparison compareSubspaces(const Matrix& axes1, const Matrix& axes2, int k) {
  Index p = axes1.rows();
  Matrix b1 = axes1.leftCols(k);
  Matrix b2 = axes2.leftCols(k);
  Vector angles = principalAngles(b1, b2);
  double root = std::sqrt(angles.squaredNorm());
  double largest = angles.size() ? angles.maxCoeff() : 0.0;

  Index nshared = std::max<Index>(2 * k - p, 0);
  Index nind = std::max<Index>(k - nshared, 0);

  SubspaceComparison c;
  c.mezey.angle = root * kDegreesPerRadian;
  c.mezey.maxAngle = std::sqrt(static_cast<double>(nind)) * 90.0;
  c.mezey.runtimeAngle = largest * kDegreesPerRadian;
  c.krzanowski.angle = root;
  c.krzanowski.metric = (b1.transpose() * b2).squaredNorm();
  c.krzanowski.runtimeAngle = c.mezey.runtimeAngle;
  return c;
}

void checkSubspaceInputs(Index p1, Index p2, int k, Host& host) {
  if (p1 != p2) {
    host.messageBox("Unequal numbers of variables in data input to mezeyangle");
    throw Error("unequal numbers of variables: group 1 has " + std::to_string(p1) +
                ", group 2 has " + std::to_string(p2));
  }
  if (k < 1 || k > p1) {
    throw Error("the number of components must be a whole number from 1 to " + std::to_string(p1) +
                " (the number of shape variables); it is " + std::to_string(k));
  }
}

void displayMezeyDiagnostics(Host& host, const MezeyAngle& a) {
  if (host.consoleEnabled()) {
    // The first eigenvalue of the projector difference is minus the sine of
    // the largest angle.
    display(host, "ans", a.runtimeAngle == 0 ? 0.0 : -a.runtimeAngle);
    display(host, "y3", a.runtimeAngle);
  }
}

SubspaceComparison compareSamples(const Matrix& x1, const Matrix& x2, int k, Host& host,
                                  const Progress* progress) {
  checkSubspaceInputs(x1.cols(), x2.cols(), k, host);
  Matrix axes1 = leadingPrincipalAxes(x1, k, progress);
  return compareSubspaces(axes1, leadingPrincipalAxes(x2, k, progress), k);
}

MezeyAngle mezeyangle(const Matrix& x1, const Matrix& x2, int k, Host& host) {
  MezeyAngle a = compareSamples(x1, x2, k, host).mezey;
  displayMezeyDiagnostics(host, a);
  return a;
}

KrzanowskiAngle krzanangle(const Matrix& x1, const Matrix& x2, int k, Host& host) {
  return compareSamples(x1, x2, k, host).krzanowski;
}

}  // namespace vexmoor
