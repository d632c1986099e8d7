// What the doors draw of the loaded groups before any analysis, as the
// interface offers it: a 3D group's consensus in its principal axes with
// its summary line (groupConsensus3D, threeDimensionalSummary), and the
// groups superimposed in one frame as the analyses superimpose them
// (superimposedGroups). The doors draw these; they compute nothing else
// of the core's own.
#pragma once

#include "compare/analysis_input.h"
#include "shape/group_consensus3d.h"
