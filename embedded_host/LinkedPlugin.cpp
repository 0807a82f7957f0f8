#include "embedded_host/PluginModule.h"

#include "host/PluginMain.h"

namespace embedded_host {

PluginModule loadLinkedPlugin() { return PluginModule{&PluginMain}; }

}  // namespace embedded_host
