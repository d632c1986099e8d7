// The preparation every analysis runs first: superimpose all groups in one
// frame, turn every specimen into a row of shape variables, read the number
// of principal components, and cut the matrices the statistics receive.
// Two groups are the k = 2 case of the pooled preparation.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "runtime/host.h"
#include "runtime/matrix.h"
#include "runtime/progress.h"

namespace vexmoor {

struct Lmatrix3D;

// The settings an analysis reads from the window (or the command line).
struct AnalysisSettings {
  bool threeD = false;         // the dimension flag
  bool partialWarps = true;    // two-dimensional shape variables; off: raw coordinates
  std::string componentsText;  // the number of components as typed
  int bootValue = 1;           // v: 100·v² replicates (100·v for the range)
  // RunCPC: fit the models to the first `pcs` pooled principal components
  // (CpcOptions::pcs); 0: to the variables.
  int pcs = 0;
};

enum class ConsensusRounding { kNone, kFourDecimals };
enum class ComponentsText { kIgnore, kRead };

struct AnalysisInput {
  Matrix pwscore1, pwscore2;  // shape variables per group, the last column carried along
  Matrix x1, x2;              // columns 1 ... n - 1: what every statistic sees
  Index m1 = 0, m2 = 0;       // group sizes
  Index n = 0;                // column count of pwscore1
  int npca = 0;               // the number of components (0 when not read)
  bool pwactive = true;
  // Where resampling draws whole rows from: x1/x2 with partial warps on and
  // in three dimensions, the landmark data matrices themselves for raw
  // two-dimensional coordinates (the same rows as x1/x2 there).
  Matrix source1, source2;
  // The size of what the variables were computed from: 1 for shape
  // variables (specimens of unit centroid size), the largest coordinate for
  // raw ones; rank judgements are relative to it.
  double scale = 1.0;
  // How messages name the two groups: "group 1", or the name the user gave.
  std::vector<std::string> labels{"group 1", "group 2"};
};

// One group as the preparation receives it.
struct GroupData {
  const Matrix* data = nullptr;  // the landmark data matrix; null: not loaded
  std::string label;             // names the group in messages: "group 1", "group \"F\""
};

// One group's shape variables in the pooled frame.
struct PreparedGroup {
  std::string label;
  Matrix pwscore;  // m × n, the last column carried along
  Matrix x;        // columns 1 ... n − 1
  Matrix source;   // where resampling draws whole rows from (see AnalysisInput)
  Index m = 0;
};

// All groups superimposed together (one consensus of every specimen, the
// groups stacked in order), so every pairwise number of one run is measured
// in the same shape space.
struct PooledInput {
  std::vector<PreparedGroup> groups;
  // landmarks × d: the consensus the shape variables are measured from (in
  // two dimensions as rounded, when it is); empty for raw coordinates.
  Matrix consensus;
  // Three dimensions: the score basis on the consensus, for the way back
  // from the shape variables (its decomposition is the costly step).
  std::shared_ptr<const Lmatrix3D> basis3D;
  Index n = 0;  // column count of the first group's pwscore
  int npca = 0;
  bool pwactive = true;
  double scale = 1.0;  // as AnalysisInput::scale
};

// groups: at least two. Checks and throws as prepareAnalysis does, each
// message naming the group by its label; with two groups labelled "group 1"
// and "group 2" it gives exactly prepareAnalysis's numbers and messages.
// `progress` (may be null) may cancel the work on many landmarks and
// variables (Cancelled).
PooledInput preparePooledAnalysis(const std::vector<GroupData>& groups,
                                  const AnalysisSettings& settings, ConsensusRounding rounding,
                                  ComponentsText components, Host& host,
                                  const Progress* progress = nullptr);

// Every group's specimens as the two-dimensional partial-warp analyses see
// them: superimposed on the pooled consensus of all groups, turned to its
// principal axes and rounded as the angle between planes rounds it; one
// matrix per group in the layout of its landmark data matrix (the trailing
// column copied). Groups of one specimen are allowed. Throws
// vexmoor::Error, naming the group, for the inputs prepareAnalysis refuses
// (different landmarks, a specimen without size, coordinates out of range).
std::vector<Matrix> superimposedGroups(const std::vector<GroupData>& groups, Host& host);

// Groups a and b of a pooled frame as the two groups of the statistics (a
// as group 1). a != b, both in range.
AnalysisInput pairInput(const PooledInput& pooled, size_t a, size_t b);

// data1, data2: the landmark data matrices (N × M, last column the trailing
// value). Throws vexmoor::Error, naming the group, specimen or setting, when
// a group is missing or too small, the groups differ in their landmarks,
// the column count does not fit the dimension, a specimen has centroid size
// 0, or the components text is not a whole number from 1 to the number of
// shape variables. A consensus that did not settle within its pass limit is
// reported on the console and in a message box, and used as it stands.
AnalysisInput prepareAnalysis(const Matrix* data1, const Matrix* data2,
                              const AnalysisSettings& settings, ConsensusRounding rounding,
                              ComponentsText components, Host& host,
                              const Progress* progress = nullptr);

// The three-dimensional shape variables of both groups together (group 1's
// rows first), for the 3D path of prepareAnalysis.
Matrix threeDimensionalScores(const Matrix& data1, const Matrix& data2, Host& host);
// The same for any number of groups (every data pointer set), stacked in
// order; messages name each group by its label.
Matrix threeDimensionalScores(const std::vector<GroupData>& groups, Host& host,
                              const Progress* progress = nullptr);

// The shape variables of threeDimensionalScores with the consensus they
// are measured from (k × 3, in its principal axes).
struct ThreeDimensionalFrame {
  Matrix consensus;
  Matrix scores;
  std::shared_ptr<const Lmatrix3D> basis;
};
ThreeDimensionalFrame threeDimensionalFrame(const std::vector<GroupData>& groups, Host& host,
                                            const Progress* progress = nullptr);

// The number of components from its text: rounded half away from zero;
// throws vexmoor::Error unless it is one whole number from 1 to `variables`.
int parseComponents(const std::string& text, Index variables);

}  // namespace vexmoor
