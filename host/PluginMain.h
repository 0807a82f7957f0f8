// The plug-in's entry point, called by the host once for every step of the
// filter protocol.
#pragma once

#include <cstdint>

#include "hostapi/PluginMain.h"

#if defined(_WIN32)
#define HUSHPIX_EXPORT __declspec(dllexport)
#else
#define HUSHPIX_EXPORT
#endif

extern "C" HUSHPIX_EXPORT void HOSTAPI PluginMain(hostapi::int16 selector, void* record,
                                                  std::intptr_t* data, hostapi::int16* result);
