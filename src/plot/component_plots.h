// The pictures of each group's principal components, drawn straight into a
// QCustomPlot from the result's numbers (never from a window's state), for
// the principal-components window and for the batch front end's --plot
// alike:
//   - the score plot: every specimen on two pooled axes, in the groups'
//     colours and markers, with each group's 95 % data ellipse;
//   - a shape change: the consensus and the consensus displaced by ±c
//     standard deviations along one group's axis or one direction of a
//     pair; in 2D a thin-plate-spline grid warped onto the target, in 3D
//     the displacement vectors on an orthographic view;
//   - how the subspaces meet: for each principal angle, the first group's
//     direction beside its partner in the second's;
//   - the scree: both groups' shares of variance.
// Each drawing function replaces everything the plot shows. Choices out of
// range throw vexmoor::Error naming the choice, and the plot is left as it
// was.
#pragma once

#include <QSize>
#include <string>
#include <vector>

#include "compare/principal_components.h"
#include "graphics/view_geometry.h"

class QCustomPlot;
class QCPAxisRect;

namespace vexmoor {

// What the shape-change panel shows.
struct ShapeChangeChoice {
  enum class Kind { kAxis, kDirection };
  Kind kind = Kind::kAxis;
  size_t group = 0;  // kAxis: the group; kDirection: 0 or 1, the side of the pair
  int index = 0;     // 0-based: the axis, or the angle
  size_t pair = 0;   // kDirection: the pair
};

// The groups' names as the pictures show them, in group order.
using GroupNames = std::vector<std::string>;

inline constexpr double kDefaultDeviations = 2.0;

// axisX, axisY: 0-based pooled axes, different, below the number of pooled
// axes. Returns the axes rectangle the points are drawn in (hover).
QCPAxisRect* drawScorePlot(QCustomPlot& plot, const PrincipalComponents& pc,
                           const GroupNames& names, int axisX, int axisY);

// c: the number of standard deviations, a positive finite number. `view`
// turns three-dimensional shapes.
void drawShapeChange(QCustomPlot& plot, const PrincipalComponents& pc, const GroupNames& names,
                     const ShapeChangeChoice& choice, double c, const graphics::View3D& view = {});

// All the principal angles of one pair, each direction at +c standard
// deviations of its group.
void drawSubspaceMeeting(QCustomPlot& plot, const PrincipalComponents& pc, const GroupNames& names,
                         size_t pair, double c, const graphics::View3D& view = {});

void drawScree(QCustomPlot& plot, const PrincipalComponents& pc, const GroupNames& names);

// The page of --plot (two groups): the score plot on pooled axes 1 and 2
// beside the scree; below them each group's first axis at −c and +c; then
// the pair of directions of the largest principal angle; then `caption`
// (lines broken with \n; see plot/picture_caption.h), if any.
void drawComponentsPage(QCustomPlot& plot, const PrincipalComponents& pc, const GroupNames& names,
                        double c = kDefaultDeviations, const std::string& caption = "");

// The size the page reads well at (points; PNG files take twice as many
// pixels), with room for a caption or without.
QSize componentsPageSize(bool caption = false);

// Throw vexmoor::Error, naming the choice and the range, when a choice does
// not exist in `pc`.
void checkScoreAxes(const PrincipalComponents& pc, int axisX, int axisY);
void checkShapeChange(const PrincipalComponents& pc, const ShapeChangeChoice& choice, double c);

}  // namespace vexmoor
