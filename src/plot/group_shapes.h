// The plot of the two groups, drawn from their matrices alone, for the
// main window's plot and for the batch front end's --plot alike: in two
// dimensions each group's specimens, group 1 as blue circles ("bo") and
// group 2 as red squares ("rs"), then their means, larger and with a
// heavier edge, as triangles ("b<") and asterisks ("r*"), last so that
// neither cloud hides them; in three dimensions each group's consensus
// shape ("gp" for group 1, "rp" for group 2). A legend names the files and
// the markers.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "graphics/axes.h"
#include "graphics/line_object.h"
#include "runtime/matrix.h"

namespace vexmoor {

// One group as the plot draws it.
struct GroupShapes {
  // Two dimensions: N × (2k + 1) specimen rows, the landmark data matrix's
  // layout; null: no group.
  const Matrix* data = nullptr;
  std::string name;                   // the legend's name of it, shown as given
  bool variables = false;             // a table of variables: named, not drawn
  const Matrix* consensus = nullptr;  // three dimensions: its k × 3 consensus shape
};

// What the legend says the two-dimensional points are.
enum class GroupFrame { kAsLoaded, kSuperimposed };

// The line objects drawn for each group (index 0: group 1): the specimens'
// points specimen by specimen, landmark by landmark; one per landmark of
// the mean (none for a group of one specimen: the mean of a single row is
// one number, as the runtime's mean makes it); the consensus line.
struct DrawnGroups {
  std::array<std::vector<graphics::Line*>, 2> specimens, means, consensus;
};

// Adds the groups to `axes` (held: what is there stays), scales them
// "auto" and then "equal", and replaces the legend. Throws vexmoor::Error
// when a matrix cannot be drawn.
DrawnGroups drawGroupShapes(graphics::Axes& axes, const std::array<GroupShapes, 2>& groups,
                            bool threeD, GroupFrame frame = GroupFrame::kAsLoaded);

}  // namespace vexmoor
