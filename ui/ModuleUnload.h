// What the module gives back when it is unloaded: the host suite it kept
// since the first use, and the activation context its dialogs ran in.
#pragma once

namespace hushpix {

void releaseModuleHolds();

}  // namespace hushpix
