// The host's buffer functions: scratch memory that the host owns and may
// account against its own memory budget.
#pragma once

#include "hostapi/HostTypes.h"

namespace hostapi {

using AllocateBufferProc = OSErr(HOSTAPI*)(int32 size, BufferID* bufferID);
using LockBufferProc = Ptr(HOSTAPI*)(BufferID bufferID, Boolean moveHigh);
using UnlockBufferProc = void(HOSTAPI*)(BufferID bufferID);
using FreeBufferProc = void(HOSTAPI*)(BufferID bufferID);
using BufferSpaceProc = int32(HOSTAPI*)();
using ReserveSpaceProc = OSErr(HOSTAPI*)(int32 size);
using AllocateBufferProc64 = OSErr(HOSTAPI*)(int64 size, BufferID* bufferID);
using BufferSpaceProc64 = int64(HOSTAPI*)();

struct BufferProcs {
    int16 bufferProcsVersion;
    int16 numBufferProcs;
    AllocateBufferProc allocateProc;
    LockBufferProc lockProc;
    UnlockBufferProc unlockProc;
    FreeBufferProc freeProc;
    BufferSpaceProc spaceProc;
    ReserveSpaceProc reserveProc;
    AllocateBufferProc64 allocateProc64;
    BufferSpaceProc64 spaceProc64;
};

// Hosts disagree on how many slots they fill (5 or 8); callers check the
// count against the last slot they need rather than against a fixed value.
constexpr int16 kBufferProcsVersion = 2;
constexpr int16 kBufferProcsNeeded = 4;  // allocate, lock, unlock, free

constexpr int16 kNumBufferProcs = 8;

#if defined(HOSTAPI_CHECK_LAYOUT)
static_assert(offsetof(BufferProcs, allocateProc) == layout(4, 8), "allocateProc offset");
static_assert(offsetof(BufferProcs, lockProc) == layout(8, 16), "lockProc offset");
static_assert(offsetof(BufferProcs, unlockProc) == layout(12, 24), "unlockProc offset");
static_assert(offsetof(BufferProcs, freeProc) == layout(16, 32), "freeProc offset");
static_assert(offsetof(BufferProcs, spaceProc64) == layout(32, 64), "spaceProc64 offset");
static_assert(sizeof(BufferProcs) == layout(36, 72), "BufferProcs size");
#endif

}  // namespace hostapi
