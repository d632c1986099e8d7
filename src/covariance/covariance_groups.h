// The groups whose covariance matrices the covariance analyses compare:
// each group's variables, its sub-groups, and its covariance matrix pooled
// within them.
//
// A group with sub-groups (the sexes, say) has as its covariance matrix the
// unweighted mean of its sub-groups' covariance matrices (divisor n − 1 in
// each), which leaves out the differences between the sub-groups' means.
#pragma once

#include <string>
#include <vector>

#include "runtime/matrix.h"
#include "runtime/progress.h"

namespace vexmoor {

// One group as a front end hands it over.
struct CovarianceGroup {
  std::string label;  // names the group in messages and texts: "group \"IKA1\""
  Matrix x;           // m × q, one specimen per row
  // Empty, or one entry per specimen: the name of its sub-group.
  std::vector<std::string> within;
};

// The specimens of one sub-group: rows of the group's matrix, in order.
struct Subgroup {
  std::string name;  // empty for a group without sub-groups
  std::vector<Index> rows;
};

// One group as the analyses use it.
struct GroupCovariance {
  std::string label;
  Matrix x;  // m × p: the analysed variables (after any reduction)
  // In order of first appearance; one unnamed sub-group of every row when
  // the group has none.
  std::vector<Subgroup> subgroups;
  Matrix s;  // p × p: the covariance matrix, pooled within the sub-groups
  Index specimens() const { return x.rows(); }  // the size the tests use
};

// The sub-groups of `group` (one for all rows when `within` is empty).
// Throws vexmoor::Error naming the group when `within` has another count
// than the rows, or the group or a sub-group has fewer than 2 specimens.
std::vector<Subgroup> subgroupsOf(const CovarianceGroup& group);

// The covariance matrix of x's rows `rows` (at least 2), divisor n − 1.
Matrix covarianceOfRows(const Matrix& x, const std::vector<Index>& rows);

// The unweighted mean of the sub-groups' covariance matrices.
Matrix pooledWithinSubgroups(const Matrix& x, const std::vector<Subgroup>& subgroups);

// Throws vexmoor::Error unless there are at least two groups, all on the
// same number of variables (at least one), with finite values only (each
// message names the group, and the specimen and variable of a value).
void checkCovarianceGroups(const std::vector<CovarianceGroup>& groups);

// The sizes the tests use, for a text: "69 specimens (F 35, M 34)".
std::string groupSizeText(const GroupCovariance& g);

}  // namespace vexmoor
