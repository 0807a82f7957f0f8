// How our host reaches a plug-in's entry point. The native build links the
// plug-in in; a Windows build can load a .8bf module behind the same record.
#pragma once

#include "hostapi/PluginMain.h"

namespace embedded_host {

struct PluginModule {
    hostapi::PluginEntryProc entry = nullptr;
};

// The plug-in linked into this program.
PluginModule loadLinkedPlugin();

}  // namespace embedded_host
