// A host's buffer functions for engine tests: real memory, counted, with
// switches that make an allocation or a lock fail.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <map>

#include "hostapi/BufferProcs.h"

namespace testing_support {

struct FakeBufferHost {
    int failAllocationNumber = 0;  // 1-based allocation that fails; 0 none
    bool lockReturnsNull = false;
    int allocations = 0;
    int locks = 0;
    int unlocks = 0;
    int frees = 0;
    std::map<hostapi::BufferID, std::int32_t> live;  // buffer -> size

    hostapi::BufferProcs procs() const;
};

namespace detail {
inline FakeBufferHost*& activeHost() {
    static FakeBufferHost* host = nullptr;
    return host;
}

inline hostapi::OSErr HOSTAPI allocate(hostapi::int32 size, hostapi::BufferID* id) {
    FakeBufferHost& host = *activeHost();
    ++host.allocations;
    if (host.allocations == host.failAllocationNumber || size < 0) return hostapi::memFullErr;
    *id = static_cast<hostapi::BufferID>(std::malloc(size > 0 ? size : 1));
    host.live[*id] = size;
    return hostapi::noErr;
}

inline hostapi::Ptr HOSTAPI lock(hostapi::BufferID id, hostapi::Boolean) {
    FakeBufferHost& host = *activeHost();
    ++host.locks;
    if (host.lockReturnsNull || !host.live.count(id)) return nullptr;
    return reinterpret_cast<hostapi::Ptr>(id);
}

inline void HOSTAPI unlock(hostapi::BufferID) { ++activeHost()->unlocks; }

inline void HOSTAPI release(hostapi::BufferID id) {
    FakeBufferHost& host = *activeHost();
    ++host.frees;
    if (host.live.erase(id)) std::free(id);
}
}  // namespace detail

// The buffer functions are plain function pointers, so they reach the host
// through one active instance; make the one you use active first.
inline hostapi::BufferProcs FakeBufferHost::procs() const {
    detail::activeHost() = const_cast<FakeBufferHost*>(this);
    hostapi::BufferProcs table{};
    table.bufferProcsVersion = hostapi::kBufferProcsVersion;
    table.numBufferProcs = 4;
    table.allocateProc = detail::allocate;
    table.lockProc = detail::lock;
    table.unlockProc = detail::unlock;
    table.freeProc = detail::release;
    return table;
}

}  // namespace testing_support
