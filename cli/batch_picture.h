// The pictures of --plot, drawn with the window's plotting code on an
// offscreen Qt platform when there is no display.
#pragma once

#include "batch_run.h"

namespace vexmoor {

// The analysis of both groups: the groups as the window plots them when
// they are loaded; a resampling test: the histograms of its replicate
// angles; PrincipalComponents: the page of its pictures. Qt starts on the
// first picture. `program` names the process; Qt's own messages reach
// standard error only with `diagnostics`.
PictureWriter pictureWriter(const char* program, bool diagnostics);

}  // namespace vexmoor
