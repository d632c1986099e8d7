// The geometry of covariance matrices: relative eigenvalues and vectors of
// one matrix with respect to another, and the Riemannian and log-Euclidean
// distances between positive definite matrices.
#pragma once

#include <optional>

#include <Eigen/Cholesky>

#include "runtime/matrix.h"

namespace vexmoor {

// The eigen-decomposition of S₂⁻¹S₁: directions v with S₁v = λS₂v, where
// λ is the ratio of the variances of the two matrices along v.
struct RelativeEigen {
  Vector values;   // p, descending
  Matrix vectors;  // p × p: unit columns, each with its largest-magnitude entry positive
};

// s1, s2: p × p symmetric. nullopt when s2 is not positive definite (its
// Cholesky factorisation fails), or when s1 has a non-finite element.
std::optional<RelativeEigen> relativeEigen(const Matrix& s1, const Matrix& s2);

// The relative eigenvalues alone, with s2's Cholesky factor given: for
// many matrices against one. Empty when s1 has a non-finite element.
Vector relativeEigenvalues(const Matrix& s1, const Eigen::LLT<Matrix>& s2);

// √Σ ln² λᵢ over the relative eigenvalues: the Riemannian distance of two
// positive definite matrices, symmetric and unchanged by any common change
// of variables S ↦ AᵀSA. NaN when a value is not positive.
double riemannianDistance(const Vector& relativeValues);

// The logarithm of a symmetric positive definite matrix, through its
// eigen-decomposition; nullopt when an eigenvalue is not positive.
std::optional<Matrix> matrixLogarithm(const Matrix& spd);

// ‖log S₁ − log S₂‖ (Frobenius), from the matrices' logarithms.
double logEuclideanDistance(const Matrix& log1, const Matrix& log2);

// True when the symmetric matrix is positive definite by more than
// rounding: its smallest eigenvalue exceeds p · 1e3 · ε times its largest.
bool clearlyPositiveDefinite(const Matrix& symmetric);

}  // namespace vexmoor
