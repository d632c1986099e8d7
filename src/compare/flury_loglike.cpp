#include "compare/flury_loglike.h"

#include <cmath>

namespace vexmoor {

double fluryLogLikeFromDeterminants(double det1, double det2, double det, double n1, double n2) {
  return n1 * std::log(det / det1) + n2 * std::log(det / det2);
}

double fluryloglike(const Matrix& s1, const Matrix& s2, const Matrix& s, double n1, double n2) {
  return fluryLogLikeFromDeterminants(s1.determinant(), s2.determinant(), s.determinant(), n1, n2);
}

}  // namespace vexmoor
