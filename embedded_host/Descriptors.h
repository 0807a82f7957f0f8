// The host's scripting functions (descriptor reader and writer), the basic
// suite and the two suites it hands out: action descriptors and the
// descriptor registry.
#pragma once

#include "embedded_host/EmbeddedHost.h"
#include "embedded_host/Memory.h"
#include "hostapi/Suites.h"

namespace embedded_host {

// What a PIActionDescriptor points to.
struct ActionDescriptor {
    Descriptor items;
};

// A descriptor handle holds its items one after another, three 32-bit
// values each.
hostapi::Handle storeDescriptor(BlockHeap& handles, const Descriptor& descriptor);
Descriptor loadDescriptor(hostapi::Handle handle);

Descriptor descriptorOf(const ScriptSettings& settings);

hostapi::ReadDescriptorProcs readDescriptorProcsTable();
hostapi::WriteDescriptorProcs writeDescriptorProcsTable();
hostapi::SPBasicSuite basicSuiteTable();

}  // namespace embedded_host
