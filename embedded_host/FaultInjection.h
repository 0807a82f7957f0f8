// The host's side of Faults.h: the host's own functions, kept while the
// plug-in is handed hooks that count, fail, throw or go missing.
#pragma once

#include "embedded_host/Faults.h"
#include "hostapi/FilterRecord.h"

namespace embedded_host {

struct Session;

// The three functions of the record itself, as a table like the others.
struct RecordProcs {
    hostapi::AdvanceStateProc advanceState = nullptr;
    hostapi::TestAbortProc testAbort = nullptr;
    hostapi::ProgressProc updateProgress = nullptr;
};

struct FaultState {
    HostCalls calls;
    const HostFaults* faults = nullptr;

    // What the host offers; the hooks call on into these.
    hostapi::HandleProcs handleProcs{};
    hostapi::BufferProcs bufferProcs{};
    hostapi::ReadDescriptorProcs readProcs{};
    hostapi::WriteDescriptorProcs writeProcs{};
    hostapi::SPBasicSuite basicSuite{};
    RecordProcs recordProcs{};
    hostapi::PSActionDescriptorProcs descriptorSuite{};
    hostapi::PSDescriptorRegistryProcs registrySuite{};

    // The suites as the plug-in acquires them.
    hostapi::PSActionDescriptorProcs hookedDescriptorSuite{};
    hostapi::PSDescriptorRegistryProcs hookedRegistrySuite{};
};

// Puts the hooks into the session's tables and record and applies the
// run's faults; the last step of Session::begin.
void installFaults(Session& session);

}  // namespace embedded_host
