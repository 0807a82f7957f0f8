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
    // The basic suite the suite came from. The host's call context is gone
    // by the time the module unloads, so the release goes back through this.
    hostapi::SPBasicSuite* basic;
};

// True when the holder's suite is (now) acquired. Fails without a basic
// suite, or with the host's error, which the holder keeps; a later call
// tries again.
bool acquireSuite(SuiteHolder& holder);

// Releases the suite, if it is held, through the basic suite it came from.
void releaseSuite(SuiteHolder& holder);

// The holder of the host's GetFileList suite, whose BrowseUrl opens pages.
SuiteHolder& fileListSuite();

}  // namespace hushpix
