// A host suite that the plug-in acquires on first use and keeps until the
// module is unloaded.
#pragma once

#include "hostapi/Suites.h"

namespace hushpix {

struct SuiteHolder {
    const void* suite;  // null until acquired
    hostapi::int32 version;
    const char* name;
    hostapi::SPErr error;  // of the last acquisition attempt
};

// True when the holder's suite is (now) acquired. Fails without a basic
// suite, or with the host's error, which the holder keeps; a later call
// tries again.
bool acquireSuite(SuiteHolder& holder);

// Releases the suite if it is held and the host's basic suite is reachable.
void releaseSuite(SuiteHolder& holder);

// The holder of the host's GetFileList suite, whose BrowseUrl opens pages.
SuiteHolder& fileListSuite();

}  // namespace hushpix
