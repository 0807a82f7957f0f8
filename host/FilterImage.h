// The whole-image pass: runs the engine over the area the host asks to be
// filtered, tile by tile through the host's advanceState.
#pragma once

namespace hushpix {

// Leaves its outcome in the result cell: 0, the error of advanceState,
// -108 when the host cannot provide the working buffers, or -128 when the
// user aborted. Needs the records locked.
void filterImage();

}  // namespace hushpix
