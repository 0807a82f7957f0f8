// Ways to make the embedded host misbehave as real hosts sometimes do: a
// function left out of its table, a function that fails or throws at one
// call, rectangles and strides that do not add up, an image the plug-in
// cannot filter, handles left by another version of the plug-in. Every
// function the host hands the plug-in goes through here, so a run also
// reports how often the plug-in called each.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace embedded_host {

struct DescriptorItem;
using Descriptor = std::vector<DescriptorItem>;

enum class HostFunction {
    // handleProcs
    newHandle, disposeHandle, getHandleSize, setHandleSize, lockHandle, unlockHandle,
    // bufferProcs
    allocateBuffer, lockBuffer, unlockBuffer, freeBuffer, bufferSpace,
    // the record's own functions
    advanceState, testAbort, updateProgress,
    // the scripting reader and writer
    openReader, closeReader, getKey, getInteger, getBoolean,
    openWriter, closeWriter, putInteger, putBoolean,
    // the basic suite
    acquireSuite, releaseSuite,
    // the action descriptor suite
    makeDescriptor, freeDescriptor, putIntegerValue, putBooleanValue, getIntegerValue,
    getBooleanValue,
    // the descriptor registry suite
    registerDescriptor, getEntry,
};

// Every value of HostFunction, in order.
const std::vector<HostFunction>& allHostFunctions();
const char* nameOf(HostFunction function);

// One call of one function: the `call`-th (1-based) in the run.
struct FaultCall {
    HostFunction function;
    int call = 1;
};

// Rows top to bottom and columns left to right; bottom and right exclusive.
struct FaultRect {
    std::int32_t top = 0, left = 0, bottom = 0, right = 0;
};

struct HostFaults {
    std::set<HostFunction> missing;  // left null in their tables
    // A failure as the function can express it: a null pointer, an error
    // code, no key, a size of 0, true from the abort test.
    std::optional<FaultCall> failing;
    std::optional<FaultCall> throwing;  // throws std::runtime_error
    bool throwBadAlloc = false;         // throws std::bad_alloc instead

    // The filter rectangle as given, not clipped to the image.
    std::optional<FaultRect> filterRect;
    // Reported for the input, output and mask after every delivery instead
    // of what was delivered.
    std::optional<FaultRect> deliveredRect;
    bool dropInData = false, dropOutData = false, dropMaskData = false;
    std::int32_t inRowBytesShortBy = 0, outRowBytesShortBy = 0, maskRowBytesShortBy = 0;

    std::optional<std::int32_t> depth;      // reported instead of the image's
    std::optional<std::int16_t> imageMode;  // reported instead of RGB

    // Handles of these sizes, full of foreign bytes, in place of the
    // plug-in's own before the run, as another version would leave them.
    std::optional<std::int32_t> parametersSize, dataSize;
    // Entries the registry holds, by key, before the run.
    std::map<std::string, Descriptor> registry;
};

using HostCalls = std::map<HostFunction, int>;

}  // namespace embedded_host
