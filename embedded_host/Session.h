// Everything the host keeps for one plug-in: what lasts between runs (the
// handles, the data cell, the registry) and the records of the current run.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>

#include "embedded_host/Descriptors.h"
#include "embedded_host/EmbeddedHost.h"
#include "embedded_host/FaultInjection.h"
#include "embedded_host/Memory.h"
#include "hostapi/FilterRecord.h"

namespace embedded_host {

struct Session {
    explicit Session(PluginModule module);
    ~Session();

    // Prepares the records for a run over `image` (not owned).
    void begin(RgbImage& image, const RunOptions& options);
    // Calls the plug-in with one selector; returns its result.
    std::int16_t call(std::int16_t selector);
    // The same with any record, such as the about record.
    std::int16_t callWith(std::int16_t selector, void* pluginRecord);
    // The host's side of advanceState: writes back the output of the last
    // delivery and delivers what the plug-in now asks for.
    std::int16_t advance();
    // Whether the plug-in asks for any rectangle.
    bool requestsData() const;
    // Writes back the last output and merges the filtered copy into the
    // image; with `keep` false the image stays as it was.
    void end(bool keep);

    PluginModule module;
    BlockHeap handles;
    BlockHeap buffers;
    std::intptr_t dataCell = 0;
    hostapi::Handle parameters = nullptr;
    bool ranParameters = false;
    std::map<std::string, Descriptor> registry;
    std::set<ActionDescriptor*> actionDescriptors;
    int suitesHeld = 0;
    int descriptorTokensOpen = 0;  // scripting readers and writers not yet closed

    // The current run.
    RgbImage* image = nullptr;
    RgbImage filtered;  // the destination plane the plug-in writes into
    RunOptions options;
    RunReport report;
    hostapi::FilterRecord record{};
    hostapi::BigDocumentStruct bigDocument{};
    hostapi::PlatformData platform{};
    hostapi::HandleProcs handleProcs{};
    hostapi::BufferProcs bufferProcs{};
    hostapi::PIDescriptorParameters descriptorBlock{};
    hostapi::ReadDescriptorProcs readProcs{};
    hostapi::WriteDescriptorProcs writeProcs{};
    hostapi::SPBasicSuite basicSuite{};
    std::vector<std::uint8_t> inPlane, outPlane, maskPlane;
    Area delivered;  // the output rectangle of the last delivery in outPlane
    std::int32_t advanceCalls = 0;
    std::optional<std::int16_t> calling;  // the selector of the plug-in call under way
    FaultState faultState;                // the hooks between the plug-in and the host
};

// The session whose plug-in call is under way; the host's functions are
// plain function pointers and reach their state through it.
// The basic suite whose address the plug-in is given. A plug-in may keep
// that address past the host's last call (it gives the browser suite back
// when the module unloads), so the table lives as long as the process: each
// call fills it with the calling session's functions, and between calls it
// holds the plain host functions.
hostapi::SPBasicSuite& sharedBasicSuite();

bool hasCurrentSession();
Session& currentSession();

}  // namespace embedded_host
