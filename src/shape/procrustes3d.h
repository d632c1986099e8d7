// Three-dimensional Procrustes superimposition of a pooled set of specimens:
// fit every specimen to a consensus of unit centroid size by centring,
// scaling and an orthogonal transformation from a singular value
// decomposition, three fit-and-average passes; then turn the consensus (and,
// with it, the specimens) to the principal axes of its landmark cloud.
//
// A specimen is a k × d table (landmarks in rows, axes in columns, d = 3 in
// use); a set of specimens is a LandmarkArray.
#pragma once

#include "runtime/host.h"
#include "runtime/landmark_array.h"
#include "runtime/matrix.h"
#include "runtime/progress.h"

namespace vexmoor {

// The d × d orthogonal matrix that best fits `subject` onto `reference`
// (both k × d) by right multiplication: U·Vᵀ from the singular value
// decomposition of subjectᵀ·reference. No determinant correction: the
// result may be a reflection. When the decomposition fails (non-finite
// input) every element is NaN. Throws vexmoor::Error when the shapes differ.
Matrix svdrot2(const Matrix& reference, const Matrix& subject);

// `subject` centred on its column means, scaled to unit centroid size and
// multiplied on the right by svdrot2(reference, centred subject). The
// reference is used as given (neither centred nor scaled). When the
// transformation is not orthogonal to five decimals, "Error in rotation",
// the transformation and its cross product go to the console of `host`, and
// the fit goes on. Throws vexmoor::Error when the shapes differ or the
// subject has centroid size 0 (all landmarks coincide).
Matrix partialprocrustes3a(const Matrix& reference, const Matrix& subject,
                           Host& host = silentHost());

struct Procrustes3D {
  Matrix reference;         // k × d consensus, centred, unit centroid size
  LandmarkArray specimens;  // k × d × N superimposed specimens, input order
};

// The pooled superimposition: starts from the sum of the specimens (the
// first one when their sum has no size), centred and scaled, then refits all
// specimens and re-averages exactly three times. One specimen comes back
// centred and scaled as both reference and specimen. Throws vexmoor::Error
// naming the specimen (1-based) whose centroid size is 0, and when the
// fitted specimens average to a consensus of size 0.
// Cancelled, between specimens, when `progress` (may be null) asks to stop.
Procrustes3D getpproc3(const LandmarkArray& data, Host& host = silentHost(),
                       const Progress* progress = nullptr);

struct PrincipalAxes3D {
  Matrix reference;  // k × d: the reference turned, reference · rotation
  Matrix rotation;   // d × d unit eigenvectors of the landmark covariance,
                     // ascending eigenvalues (least spread first)
};

// Turns the reference to the principal axes of its landmark cloud. No sign or
// determinant convention: the rotation may be a reflection. Throws
// vexmoor::Error for fewer than two landmarks.
PrincipalAxes3D pcaref3d(const Matrix& reference);

// Every page of x multiplied on the right by `roto` (d × d, d = x.dims()).
LandmarkArray rotate3da(const LandmarkArray& x, const Matrix& roto);

}  // namespace vexmoor
