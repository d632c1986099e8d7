// Helpers shared by the covariance-model tests.
#pragma once

#include <initializer_list>
#include <random>
#include <string>
#include <vector>

#include "runtime/display.h"
#include "runtime/host.h"
#include "runtime/matrix.h"

namespace vexmoor::testing {

// Keeps the console and counts the key waits.
class RecordingHost : public Host {
 public:
  bool consoleEnabled() const override { return true; }
  void consoleWrite(std::string_view text) override { console += text; }
  void messageBox(std::string_view text) override { messages.emplace_back(text); }
  void waitForKey() override {
    ++waits;
    console += "<key>\n";
  }

  std::string console;
  std::vector<std::string> messages;
  int waits = 0;
};

inline Vector vec(std::initializer_list<double> values) {
  Vector v(static_cast<Index>(values.size()));
  Index i = 0;
  for (double x : values) {
    v(i++) = x;
  }
  return v;
}

// A random p × p rotation (orthogonal, determinant +1) from a fixed seed.
inline Matrix randomOrthogonal(Index p, unsigned seed) {
  std::mt19937 gen(seed);
  std::normal_distribution<double> normal;
  Matrix a(p, p);
  for (Index i = 0; i < a.size(); ++i) {
    a.data()[i] = normal(gen);
  }
  Eigen::HouseholderQR<Matrix> qr(a);
  Matrix q = qr.householderQ();
  if (q.determinant() < 0) {
    q.col(0) *= -1;
  }
  return q;
}

// The sample covariance of N draws from a normal distribution with covariance
// `sigma`, from a fixed seed.
inline Matrix sampleCovariance(const Matrix& sigma, Index n, unsigned seed) {
  std::mt19937 gen(seed);
  std::normal_distribution<double> normal;
  Matrix z(n, sigma.rows());
  for (Index i = 0; i < z.size(); ++i) {
    z.data()[i] = normal(gen);
  }
  Matrix x = z * Eigen::LLT<Matrix>(sigma).matrixU().toDenseMatrix();
  Matrix c = x.rowwise() - x.colwise().mean();
  return c.transpose() * c / static_cast<double>(n - 1);
}

// The largest deviation of m'·m from the identity.
inline double orthogonalityError(const Matrix& m) {
  return (m.transpose() * m - Matrix::Identity(m.cols(), m.cols())).cwiseAbs().maxCoeff();
}

}  // namespace vexmoor::testing
