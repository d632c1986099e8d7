#include "shape/procrustes3d.h"

#include <cmath>
#include <limits>
#include <string>

#include "runtime/error.h"
#include "shape/centroid.h"
#include "shape/eigenvector_signs.h"

namespace vexmoor {
namespace {

// Fixed by design: the consensus is refined a set number of times, with no
// convergence test.
constexpr int kConsensusPasses = 3;

std::string shapeText(const Matrix& m) {
  return std::to_string(m.rows()) + " × " + std::to_string(m.cols());
}

void checkSameShape(const Matrix& reference, const Matrix& subject, const char* op) {
  if (reference.rows() != subject.rows() || reference.cols() != subject.cols()) {
    throw Error(std::string(op) + ": the reference is " + shapeText(reference) +
                " and the subject " + shapeText(subject) +
                "; they need the same landmarks and axes");
  }
}

Matrix centred(const Matrix& x) {
  return x.rowwise() - x.colwise().mean();
}

bool hasSize(double size) {
  return size > 0 && std::isfinite(size);
}

// The rounding test of the runtime: the (1, 1) element of rotoᵀ·roto, to
// five decimals, must be exactly 1.
bool looksOrthogonal(const Matrix& temp) {
  return std::round(100000.0 * temp(0, 0)) / 100000.0 == 1.0;
}

Matrix startingReference(const LandmarkArray& data) {
  Matrix start = data.page(0);
  for (Index i = 1; i < data.specimens(); ++i) {
    start += data.page(i);
  }
  start = centred(start);
  double size = centsize3Da(start);
  if (!hasSize(size)) {
    // The specimens cancel out (a shape and its point reflection, say): the
    // first specimen is as good a start as any.
    start = centred(data.page(0));
    size = centsize3Da(start);
  }
  return start / size;
}

}  // namespace

Matrix svdrot2(const Matrix& reference, const Matrix& subject) {
  checkSameShape(reference, subject, "svdrot2");
  Matrix a = subject.transpose() * reference;
  Index d = a.rows();
  Matrix nan = Matrix::Constant(d, d, std::numeric_limits<double>::quiet_NaN());
  if (!a.allFinite()) {
    return nan;
  }
  Eigen::JacobiSVD<Matrix> svd(a, Eigen::ComputeFullU | Eigen::ComputeFullV);
  if (svd.info() != Eigen::Success) {
    return nan;
  }
  return svd.matrixU() * svd.matrixV().transpose();
}

Matrix partialprocrustes3a(const Matrix& reference, const Matrix& subject, Host& host) {
  checkSameShape(reference, subject, "partialprocrustes3a");
  Matrix s = centred(subject);
  double size = centsize3Da(s);
  if (!std::isfinite(size)) {
    throw Error(
        "partialprocrustes3a: the subject's centroid size is too large to compute, so it cannot "
        "be scaled");
  }
  if (!(size > 0)) {
    throw Error(
        "partialprocrustes3a: all landmarks of the subject coincide (centroid size 0), so it "
        "cannot be scaled");
  }
  s /= size;
  Matrix roto = svdrot2(reference, s);
  Matrix temp = roto.transpose() * roto;
  if (!looksOrthogonal(temp)) {
    display(host, "stemp", "Error in rotation");
    display(host, "roto", roto);
    display(host, "temp", temp);
  }
  return s * roto;
}

Procrustes3D getpproc3(const LandmarkArray& data, Host& host, const Progress* progress) {
  Index count = data.specimens();
  if (count == 0 || data.landmarks() == 0) {
    throw Error("getpproc3: there are no specimens to superimpose");
  }
  for (Index i = 0; i < count; ++i) {
    double size = centsize3Da(data.page(i));
    std::string specimen = "specimen " + std::to_string(i + 1);
    if (!std::isfinite(size)) {
      throw Error(specimen + ": its centroid size is too large to compute, so it cannot be scaled");
    }
    if (!(size > 0)) {
      throw Error(specimen +
                  ": all its landmarks coincide (centroid size 0), so it cannot be scaled");
    }
  }
  Procrustes3D out{startingReference(data), data};
  if (count == 1) {
    out.specimens.page(0) = out.reference;
    return out;
  }
  for (int pass = 0; pass < kConsensusPasses; ++pass) {
    Matrix sum = Matrix::Zero(data.landmarks(), data.dims());
    for (Index i = 0; i < count; ++i) {
      throwIfCancelled(progress);
      out.specimens.page(i) = partialprocrustes3a(out.reference, out.specimens.page(i), host);
      sum += out.specimens.page(i);
    }
    Matrix mean = sum / static_cast<double>(count);
    double size = centsize3Da(mean);
    if (!hasSize(size)) {
      throw Error(
          "the superimposed specimens average to a consensus of centroid size 0, so the "
          "group has no consensus shape");
    }
    out.reference = mean / size;
  }
  return out;
}

PrincipalAxes3D pcaref3d(const Matrix& reference) {
  if (reference.rows() < 2) {
    throw Error("pcaref3d: the reference has " + std::to_string(reference.rows()) +
                " landmark; principal axes need at least 2");
  }
  Matrix c = centred(reference);
  Matrix refcv = c.transpose() * c / static_cast<double>(reference.rows() - 1);
  PrincipalAxes3D out;
  out.rotation = symmetricEigen(refcv).vectors;
  out.reference = reference * out.rotation;
  return out;
}

LandmarkArray rotate3da(const LandmarkArray& x, const Matrix& roto) {
  if (roto.rows() != x.dims() || roto.cols() != x.dims()) {
    throw Error("rotate3da: the rotation is " + shapeText(roto) + "; the specimens have " +
                std::to_string(x.dims()) + " axes");
  }
  LandmarkArray out = x;
  for (Index i = 0; i < x.specimens(); ++i) {
    out.page(i) = x.page(i) * roto;
  }
  return out;
}

}  // namespace vexmoor
