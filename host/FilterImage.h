// The whole-image pass: runs the engine over the area the host asks to be
// filtered, tile by tile through the host's advanceState.
#pragma once

namespace hushpix {

// Leaves its outcome in the result cell: 0, the error of advanceState,
// -108 when the host cannot provide the working buffers, -128 when the
// user aborted, -30900 when the host lacks a function the pass needs, or
// -50 for an area outside the image or a tile delivered other than asked
// for. Needs the records locked.
void filterImage();

}  // namespace hushpix
