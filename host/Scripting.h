// The settings outside the plug-in: the host's scripting descriptor, which
// records and replays them with actions, and the host's descriptor
// registry, which keeps the last-used settings from run to run.
#pragma once

#include "hostapi/HostTypes.h"

namespace hushpix {

constexpr hostapi::uint32 kKeyNoiseLevel = hostapi::fourCC("CGfc");
constexpr hostapi::uint32 kKeyContourLevel = hostapi::fourCC("CGct");
constexpr hostapi::uint32 kKeyPerPixel = hostapi::fourCC("CGpp");

// The key of the plug-in's entry in the host's descriptor registry.
constexpr char kPluginUniqueID[] = "d9543o0d-3a91-11v4-97ov-00u0r0204937";

// Reads the settings from the scripting descriptor, if the host passed one,
// and says whether to show the dialog. Returns the host's result of
// closing the reader (0 when there was nothing to read).
hostapi::OSErr readScriptSettings(bool& display);

// Hands the host a new descriptor with the current settings to record.
// -1715 when the host cannot open a writer.
hostapi::OSErr writeScriptSettings();

// The last-used settings from the registry, when it holds an entry.
// -30900 without a basic suite; otherwise the first error of the host.
hostapi::OSErr readRegistrySettings();

// Registers the current settings, persistently, as the last-used ones.
hostapi::OSErr writeRegistrySettings();

}  // namespace hushpix
