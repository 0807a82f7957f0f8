#include "ui/ModuleUnload.h"

#include "ui/ModuleDialogBox.h"
#include "ui/SuiteHolder.h"

namespace hushpix {

void releaseModuleHolds() {
    releaseSuite(fileListSuite());
    releaseModuleActivationContext();
}

}  // namespace hushpix
