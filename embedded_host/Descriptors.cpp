#include "embedded_host/Descriptors.h"

#include <algorithm>
#include <cstring>

#include "embedded_host/HostPlatform.h"
#include "embedded_host/Session.h"

namespace embedded_host {

using namespace hostapi;

namespace {

constexpr std::size_t kItemBytes = 3 * sizeof(std::int32_t);

const DescriptorItem* find(const Descriptor& descriptor, DescriptorKeyID key) {
    for (const DescriptorItem& item : descriptor) {
        if (item.key == key) return &item;
    }
    return nullptr;
}

void put(Descriptor& descriptor, DescriptorKeyID key, DescriptorTypeID type, int32 value) {
    auto same = [key](const DescriptorItem& item) { return item.key == key; };
    descriptor.erase(std::remove_if(descriptor.begin(), descriptor.end(), same), descriptor.end());
    descriptor.push_back(DescriptorItem{key, type, value});
}

// --- Scripting reader and writer ---------------------------------------

struct Reader {
    Descriptor items;
    std::size_t next = 0;
    const DescriptorItem* current = nullptr;
    DescriptorKeyID* keys = nullptr;
    OSErr error = noErr;  // the most serious error seen, reported on close
};

struct Writer {
    Descriptor items;
};

Reader& reader(PIReadDescriptor token) { return *reinterpret_cast<Reader*>(token); }
Writer& writer(PIWriteDescriptor token) { return *reinterpret_cast<Writer*>(token); }

// Marks a delivered key in the plug-in's list, never past its terminator.
void markDelivered(DescriptorKeyID* keys, DescriptorKeyID key) {
    for (DescriptorKeyID* entry = keys; entry != nullptr && *entry != 0; ++entry) {
        if (*entry == key) {
            *entry = typeNull;
            return;
        }
    }
}

PIReadDescriptor HOSTAPI openReader(PIDescriptorHandle descriptor, DescriptorKeyID* keys) {
    Session& session = currentSession();
    if (session.options.failOpenReader || !session.handles.owns(blockOf(descriptor))) {
        return nullptr;
    }
    auto* state = new Reader{loadDescriptor(descriptor), 0, nullptr, keys, noErr};
    ++session.descriptorTokensOpen;
    return reinterpret_cast<PIReadDescriptor>(state);
}

OSErr HOSTAPI closeReader(PIReadDescriptor token) {
    Session& session = currentSession();
    const OSErr error = reader(token).error;
    delete &reader(token);
    --session.descriptorTokensOpen;
    return session.options.closeReaderError != noErr ? session.options.closeReaderError : error;
}

Boolean HOSTAPI getKey(PIReadDescriptor token, DescriptorKeyID* key, DescriptorTypeID* type,
                       int32* flags) {
    Reader& state = reader(token);
    if (state.next >= state.items.size()) return false;
    state.current = &state.items[state.next++];
    *key = state.current->key;
    *type = state.current->type;
    *flags = 0;
    markDelivered(state.keys, state.current->key);
    return true;
}

OSErr readValue(PIReadDescriptor token, DescriptorTypeID type, int32& value) {
    Reader& state = reader(token);
    if (state.current == nullptr || state.current->type != type) {
        state.error = paramErr;
        return paramErr;
    }
    value = state.current->value;
    return noErr;
}

OSErr HOSTAPI getInteger(PIReadDescriptor token, int32* value) {
    return readValue(token, typeInteger, *value);
}

OSErr HOSTAPI getBoolean(PIReadDescriptor token, Boolean* value) {
    int32 stored = 0;
    const OSErr error = readValue(token, typeBoolean, stored);
    if (error == noErr) *value = Boolean(stored);
    return error;
}

PIWriteDescriptor HOSTAPI openWriter() {
    Session& session = currentSession();
    if (session.options.failOpenWriter) return nullptr;
    ++session.descriptorTokensOpen;
    return reinterpret_cast<PIWriteDescriptor>(new Writer);
}

OSErr HOSTAPI closeWriter(PIWriteDescriptor token, PIDescriptorHandle* descriptor) {
    Session& session = currentSession();
    *descriptor = storeDescriptor(session.handles, writer(token).items);
    delete &writer(token);
    --session.descriptorTokensOpen;
    return *descriptor != nullptr ? noErr : memFullErr;
}

OSErr HOSTAPI putInteger(PIWriteDescriptor token, DescriptorKeyID key, int32 value) {
    put(writer(token).items, key, typeInteger, value);
    return noErr;
}

OSErr HOSTAPI putBoolean(PIWriteDescriptor token, DescriptorKeyID key, Boolean value) {
    put(writer(token).items, key, typeBoolean, value);
    return noErr;
}

// --- Action descriptor suite -------------------------------------------

ActionDescriptor* actionDescriptor(PIActionDescriptor d) {
    auto* descriptor = reinterpret_cast<ActionDescriptor*>(d);
    return currentSession().actionDescriptors.count(descriptor) ? descriptor : nullptr;
}

PIActionDescriptor handOut(Descriptor items) {
    auto* descriptor = new ActionDescriptor{std::move(items)};
    currentSession().actionDescriptors.insert(descriptor);
    return reinterpret_cast<PIActionDescriptor>(descriptor);
}

OSErr HOSTAPI makeDescriptor(PIActionDescriptor* out) {
    *out = handOut({});
    return noErr;
}

OSErr HOSTAPI freeDescriptor(PIActionDescriptor d) {
    ActionDescriptor* descriptor = actionDescriptor(d);
    if (descriptor == nullptr) return paramErr;
    currentSession().actionDescriptors.erase(descriptor);
    delete descriptor;
    return noErr;
}

OSErr putValue(PIActionDescriptor d, DescriptorKeyID key, DescriptorTypeID type, int32 value) {
    ActionDescriptor* descriptor = actionDescriptor(d);
    if (descriptor == nullptr) return paramErr;
    put(descriptor->items, key, type, value);
    return noErr;
}

OSErr getValue(PIActionDescriptor d, DescriptorKeyID key, DescriptorTypeID type, int32& value) {
    ActionDescriptor* descriptor = actionDescriptor(d);
    if (descriptor == nullptr) return paramErr;
    const DescriptorItem* item = find(descriptor->items, key);
    if (item == nullptr) return errMissingParameter;
    if (item->type != type) return paramErr;
    value = item->value;
    return noErr;
}

OSErr HOSTAPI putIntegerValue(PIActionDescriptor d, DescriptorKeyID key, int32 value) {
    return putValue(d, key, typeInteger, value);
}

OSErr HOSTAPI putBooleanValue(PIActionDescriptor d, DescriptorKeyID key, Boolean value) {
    return putValue(d, key, typeBoolean, value);
}

OSErr HOSTAPI getIntegerValue(PIActionDescriptor d, DescriptorKeyID key, int32* value) {
    return getValue(d, key, typeInteger, *value);
}

OSErr HOSTAPI getBooleanValue(PIActionDescriptor d, DescriptorKeyID key, Boolean* value) {
    int32 stored = 0;
    const OSErr error = getValue(d, key, typeBoolean, stored);
    if (error == noErr) *value = Boolean(stored);
    return error;
}

// Only the functions the plug-in uses; the other slots stay null.
const PSActionDescriptorProcs& actionDescriptorSuite() {
    static const PSActionDescriptorProcs suite = [] {
        PSActionDescriptorProcs procs{};
        procs.Make = makeDescriptor;
        procs.Free = freeDescriptor;
        procs.PutInteger = putIntegerValue;
        procs.PutBoolean = putBooleanValue;
        procs.GetInteger = getIntegerValue;
        procs.GetBoolean = getBooleanValue;
        return procs;
    }();
    return suite;
}

// --- Descriptor registry suite -----------------------------------------

// The registry keeps its own copy; the caller still frees its descriptor.
OSErr HOSTAPI registerDescriptor(const char* key, PIActionDescriptor d, Boolean) {
    ActionDescriptor* descriptor = actionDescriptor(d);
    if (key == nullptr || descriptor == nullptr) return paramErr;
    currentSession().registry[key] = descriptor->items;
    return noErr;
}

OSErr HOSTAPI eraseEntry(const char* key) {
    if (key == nullptr) return paramErr;
    currentSession().registry.erase(key);
    return noErr;
}

// A missing entry is no error: the caller gets null.
OSErr HOSTAPI getEntry(const char* key, PIActionDescriptor* out) {
    if (key == nullptr) return paramErr;
    const auto& registry = currentSession().registry;
    const auto entry = registry.find(key);
    *out = entry != registry.end() ? handOut(entry->second) : nullptr;
    return noErr;
}

const PSDescriptorRegistryProcs kRegistrySuite{registerDescriptor, eraseEntry, getEntry};

// --- Basic suite -------------------------------------------------------

SPErr HOSTAPI acquireSuite(const char* name, int32 version, const void** suite) {
    HostPlatform& platform = hostPlatform();
    if (std::strcmp(name, kPSGetFileListSuite) == 0 && version == kPSGetFileListSuiteVersion &&
        platform.fileListSuite != nullptr) {
        *suite = platform.fileListSuite;
        ++platform.fileListSuitesHeld;
        return kSPNoError;
    }
    const void* found = nullptr;
    if (std::strcmp(name, kPSDescriptorRegistrySuite) == 0 &&
        version == kPSDescriptorRegistrySuiteVersion) {
        found = &kRegistrySuite;
    } else if (std::strcmp(name, kPSActionDescriptorSuite) == 0 &&
               version == kPSActionDescriptorSuiteVersion) {
        found = &actionDescriptorSuite();
    }
    if (found == nullptr) return kSPSuiteNotFoundError;
    *suite = found;
    ++currentSession().suitesHeld;
    return kSPNoError;
}

SPErr HOSTAPI releaseSuite(const char* name, int32) {
    // A plug-in may keep the browser suite until it is unloaded, after the
    // host's last call.
    if (std::strcmp(name, kPSGetFileListSuite) == 0) {
        --hostPlatform().fileListSuitesHeld;
        return kSPNoError;
    }
    if (hasCurrentSession()) --currentSession().suitesHeld;
    return kSPNoError;
}

SPBoolean HOSTAPI isEqual(const char* a, const char* b) { return std::strcmp(a, b) == 0; }

}  // namespace

Handle storeDescriptor(BlockHeap& handles, const Descriptor& descriptor) {
    MemoryBlock* block = handles.allocate(std::int32_t(descriptor.size() * kItemBytes));
    if (block == nullptr) return nullptr;
    char* at = block->data;
    for (const DescriptorItem& item : descriptor) {
        const std::int32_t values[3] = {std::int32_t(item.key), std::int32_t(item.type), item.value};
        std::memcpy(at, values, kItemBytes);
        at += kItemBytes;
    }
    return asHandle(block);
}

Descriptor loadDescriptor(Handle handle) {
    const MemoryBlock& block = *blockOf(handle);
    Descriptor descriptor(block.bytes.size() / kItemBytes);
    const char* at = block.data;
    for (DescriptorItem& item : descriptor) {
        std::int32_t values[3];
        std::memcpy(values, at, kItemBytes);
        item = DescriptorItem{std::uint32_t(values[0]), std::uint32_t(values[1]), values[2]};
        at += kItemBytes;
    }
    return descriptor;
}

Descriptor descriptorOf(const ScriptSettings& settings) {
    return Descriptor{{fourCC("CGfc"), typeInteger, settings.noiseLevel},
                      {fourCC("CGct"), typeInteger, settings.contourLevel},
                      {fourCC("CGpp"), typeBoolean, settings.perPixel ? 1 : 0}};
}

// The reader and writer offer the integer and boolean functions, the only
// ones the plug-in calls; the other slots stay null.
ReadDescriptorProcs readDescriptorProcsTable() {
    ReadDescriptorProcs procs{};
    procs.readDescriptorProcsVersion = kReadDescriptorProcsVersion;
    procs.numReadDescriptorProcs = kNumReadDescriptorProcs;
    procs.openReadDescriptorProc = openReader;
    procs.closeReadDescriptorProc = closeReader;
    procs.getKeyProc = getKey;
    procs.getIntegerProc = getInteger;
    procs.getBooleanProc = getBoolean;
    return procs;
}

WriteDescriptorProcs writeDescriptorProcsTable() {
    WriteDescriptorProcs procs{};
    procs.writeDescriptorProcsVersion = kWriteDescriptorProcsVersion;
    procs.numWriteDescriptorProcs = kNumWriteDescriptorProcs;
    procs.openWriteDescriptorProc = openWriter;
    procs.closeWriteDescriptorProc = closeWriter;
    procs.putIntegerProc = putInteger;
    procs.putBooleanProc = putBoolean;
    return procs;
}

SPBasicSuite basicSuiteTable() {
    SPBasicSuite suite{};
    suite.AcquireSuite = acquireSuite;
    suite.ReleaseSuite = releaseSuite;
    suite.IsEqual = isEqual;
    return suite;
}

}  // namespace embedded_host
