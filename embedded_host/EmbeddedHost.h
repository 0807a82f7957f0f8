// A host for the plug-in over an in-memory RGB image, as a photo editor
// runs a filter: the plug-in's selectors in order, the image handed over
// tile by tile, the result merged into the image within the filter
// rectangle and the selection.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "embedded_host/Faults.h"
#include "embedded_host/PluginModule.h"

namespace embedded_host {

// Packed interleaved RGB; 16-bit samples in native byte order.
struct RgbImage {
    std::int32_t width = 0, height = 0, depth = 8;
    std::vector<std::uint8_t> bytes;
};

struct ScriptSettings {
    std::int32_t noiseLevel = 2, contourLevel = 2;
    bool perPixel = true;
};

// One value of a scripting descriptor; integers and booleans are all the
// plug-in exchanges.
struct DescriptorItem {
    std::uint32_t key = 0;
    std::uint32_t type = 0;
    std::int32_t value = 0;
    bool operator==(const DescriptorItem& other) const {
        return key == other.key && type == other.type && value == other.value;
    }
};
using Descriptor = std::vector<DescriptorItem>;

struct Area {
    std::int32_t top = 0, left = 0, bottom = 0, right = 0;
    bool operator==(const Area& other) const {
        return top == other.top && left == other.left && bottom == other.bottom &&
               right == other.right;
    }
};

struct RunOptions {
    // Handed over as a descriptor with "no dialog"; nullopt = no descriptor.
    std::optional<ScriptSettings> settings;
    const std::vector<std::uint8_t>* mask = nullptr;  // width*height bytes, 0 .. 255 selected
    std::int32_t tileWidth = 0, tileHeight = 0;  // outTileWidth/Height; 0 = host default
    std::function<void(std::int32_t done, std::int32_t total)> progress;

    // Switches for exercising the protocol.
    std::optional<Area> filterRect;       // the whole image when absent
    std::optional<Descriptor> descriptor;  // a descriptor exactly as given; overrides `settings`
    bool showDialog = false;               // playInfo: display the dialog
    bool runParameters = false;            // the parameters selector even after the first run
    bool bigDocument = true;               // offer 32-bit rectangles through bigDocumentData
    bool scripting = true;                 // offer the scripting block
    bool basicSuite = true;                // offer the basic suite (registry, descriptors)
    std::int32_t rowPadding = 0;           // bytes added to each delivered row (whole samples)
    std::int32_t abortAfterTiles = 0;      // abortProc answers true from this tile on; 0 never
    std::int32_t failAdvanceStateAt = 0;   // 1-based call of advanceState that fails
    std::int16_t advanceStateError = -50;
    std::int32_t failBufferAllocationAt = 0;  // 1-based buffer allocation that fails
    std::int32_t failHandleAllocationAt = 0;  // 1-based handle allocation that fails
    bool failOpenReader = false;
    bool failOpenWriter = false;
    std::int16_t closeReaderError = 0;     // what closing the scripting reader reports
    HostFaults faults;                     // a host that misbehaves (Faults.h)
};

struct MemoryCounts {
    int allocated = 0, freed = 0, locked = 0, unlocked = 0;
    int invalid = 0;  // frees, locks or unlocks of something never allocated or already freed
    int live() const { return allocated - freed; }
    std::int64_t bytes = 0, peakBytes = 0;  // held now, and the most held at once
};

struct RunReport {
    std::int16_t result = 0;
    std::vector<std::int16_t> selectors;  // in the order called
    MemoryCounts handles, buffers;        // over the host's life so far
    int actionDescriptorsLive = 0;        // made or handed out and not yet freed
    int suitesHeld = 0;                   // acquired and not released
    int descriptorTokensOpen = 0;         // scripting readers and writers not closed
    std::vector<Area> tiles;              // output rectangles delivered while filtering
    std::vector<std::pair<std::int32_t, std::int32_t>> progress;
    std::optional<Descriptor> recorded;   // the descriptor the plug-in handed back
    bool usedBigDocument = false;         // the plug-in asked for 32-bit rectangles
    HostCalls calls;                      // how often the plug-in called each host function
};

struct Session;

// Keeps what a host keeps between filter runs: the plug-in's parameters and
// data handles and the descriptor registry.
class Host {
public:
    explicit Host(PluginModule module = loadLinkedPlugin());
    ~Host();
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    // One filter run on the image, in place. A run that fails leaves the
    // image as it was. An image of another depth than 8 or 16, whose bytes
    // do not match its size, or a mask of another size gives paramErr
    // without calling the plug-in.
    RunReport apply(RgbImage& image, const RunOptions& options);

    // The About command: selector 0 with an about record.
    RunReport about();

    // The registry entry the plug-in wrote, if any.
    std::optional<Descriptor> registryEntry(const std::string& key) const;

private:
    std::unique_ptr<Session> session_;
};

// One run in a fresh host.
RunReport applyFilter(RgbImage& image, const RunOptions& options);

}  // namespace embedded_host
