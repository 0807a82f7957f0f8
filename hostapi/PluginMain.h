// The plug-in's one entry point, as the host calls it.
#pragma once

#include <cstdint>

#include "hostapi/HostTypes.h"

namespace hostapi {

// record: a FilterRecord* for selectors 1 to 5, an AboutRecord* for 0.
// data: the plug-in's pointer-sized cell, kept by the host between calls.
// result: the host sets it to 0 before the call; the plug-in writes an OSErr.
using PluginEntryProc = void(HOSTAPI*)(int16 selector, void* record, std::intptr_t* data,
                                       int16* result);

constexpr char kPluginEntryName[] = "PluginMain";

}  // namespace hostapi
