// The host's handle functions: movable blocks that the host keeps between
// calls (the parameters handle, the data handle, descriptor handles).
#pragma once

#include "hostapi/HostTypes.h"

namespace hostapi {

using NewPIHandleProc = Handle(HOSTAPI*)(int32 size);
using DisposePIHandleProc = void(HOSTAPI*)(Handle h);
using GetPIHandleSizeProc = int32(HOSTAPI*)(Handle h);
using SetPIHandleSizeProc = OSErr(HOSTAPI*)(Handle h, int32 newSize);
using LockPIHandleProc = Ptr(HOSTAPI*)(Handle h, Boolean moveHigh);
using UnlockPIHandleProc = void(HOSTAPI*)(Handle h);
using RecoverSpaceProc = void(HOSTAPI*)(int32 size);
using DisposeRegularHandlePIHandleProc = void(HOSTAPI*)(Handle h);

struct HandleProcs {
    int16 handleProcsVersion;
    int16 numHandleProcs;
    NewPIHandleProc newProc;
    DisposePIHandleProc disposeProc;
    GetPIHandleSizeProc getSizeProc;
    SetPIHandleSizeProc setSizeProc;
    LockPIHandleProc lockProc;
    UnlockPIHandleProc unlockProc;
    RecoverSpaceProc recoverSpaceProc;
    DisposeRegularHandlePIHandleProc disposeRegularHandleProc;
};

constexpr int16 kHandleProcsVersion = 1;
constexpr int16 kNumHandleProcs = 8;
// Hosts fill 7 or 8 slots; the plug-in needs new, dispose, lock and unlock.
constexpr int16 kHandleProcsNeeded = 6;

#if defined(HOSTAPI_CHECK_LAYOUT)
static_assert(offsetof(HandleProcs, newProc) == layout(4, 8), "newProc offset");
static_assert(offsetof(HandleProcs, disposeProc) == layout(8, 16), "disposeProc offset");
static_assert(offsetof(HandleProcs, lockProc) == layout(20, 40), "lockProc offset");
static_assert(offsetof(HandleProcs, unlockProc) == layout(24, 48), "unlockProc offset");
static_assert(offsetof(HandleProcs, disposeRegularHandleProc) == layout(32, 64),
              "disposeRegularHandleProc offset");
static_assert(sizeof(HandleProcs) == layout(36, 72), "HandleProcs size");
#endif

}  // namespace hostapi
