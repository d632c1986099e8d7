// Copies the current plot to the clipboard, enlarged to nearly the whole
// window and without the window's controls.
#pragma once

namespace vexmoor {

// Widens each range of the current axes by 3 % on both sides, places the
// plot area at 12 characters from the left and 3 from the bottom of the
// window, puts the window's picture on the clipboard (SVG and a bitmap),
// then gives the axes and window back their units and position, with the
// limits automatic and equal. A three-dimensional view is copied as shown.
// The window is restored even when the copy fails.
void CopyBigImage();

}  // namespace vexmoor
