// Restyling the lines among the children of a graphics object (the points
// that showshape draws, when given the axes). Children of other types are
// skipped, so a window passed in changes nothing.
#pragma once

#include "graphics/graphics_object.h"

namespace vexmoor {

using graphics::Handle;

// isfilled 0: hollow markers; otherwise each marker filled with its line's
// own colour.
void setsymbolfill(Handle handle, double isfilled);
// Adds `increment` to each marker size.
void incrementsymbolsize(Handle handle, double increment);
// Adds `weight` to the line width of each line that has a line style.
void incrementlinethickness(Handle fighandle, double weight);
// Sets each line width to `vlinewidth`.
void setlinethickness(Handle handle, double vlinewidth);
// Black markers: edge and face.
void setsymbolbw(Handle handle);
// The way back from setsymbolbw: each marker's edge in its line's own
// colour, and a filled face in it too (a hollow one stays hollow).
void restoreMarkerColours(Handle handle);

}  // namespace vexmoor
