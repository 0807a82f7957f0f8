// The host's pointers for the current call of PluginMain, and the life of
// the two handles the host keeps for the plug-in between calls.
#pragma once

#include <cstdint>

#include "engine/Settings.h"
#include "hostapi/FilterRecord.h"

namespace hushpix {

struct HostContext {
    // The record of the current call. For the about selector this holds the
    // host's AboutRecord, unchanged; nothing reads it as a FilterRecord then.
    hostapi::FilterRecord* filterRecord = nullptr;
    std::intptr_t* dataCell = nullptr;      // holds the data handle
    hostapi::OSErr* resultCell = nullptr;
    hostapi::SPBasicSuite* basicSuite = nullptr;  // may be null
    FilterSettings* settings = nullptr;     // valid between lockRecords and unlockRecords
    EngineState* engine = nullptr;          // same
    void* moduleInstance = nullptr;         // set by the DLL's load entry
};

// The one context of this module; the host calls on one thread only.
HostContext& hostContext();

// The host's handle functions, or null when it lacks one the plug-in needs
// (new, dispose, lock, unlock).
const hostapi::HandleProcs* handleProcs();

// Each writes -108 into the result cell when the host cannot make the
// handle, -30900 when it has no handle functions.
void createParameters();
void createEngineData();

// Locks both handles into `settings` and `engine`. Returns false, with
// -30100 in the result cell if a handle is missing or -108 if the host
// could not lock one. A handle of the wrong size is first made the right
// size and its record reset to the defaults.
bool lockRecords();
void unlockRecords();

bool haveParameters();
bool haveEngineData();

}  // namespace hushpix
