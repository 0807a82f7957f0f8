// The platform record that FilterRecord and AboutRecord point to, and the
// record the host passes for the about selector.
#pragma once

#include <cstdint>

#include "hostapi/HostTypes.h"

namespace hostapi {

struct SPBasicSuite;

// Hosts that passed the window handle itself instead of a pointer to this
// record made plug-ins fault; the field is pointer-sized.
struct PlatformData {
    std::intptr_t hwnd;  // owner window for dialogs; may be 0
};

struct AboutRecord {
    PlatformData* platformData;
    SPBasicSuite* sSPBasic;
    void* plugInRef;
    char reserved[244];
};

#if defined(HOSTAPI_CHECK_LAYOUT)
static_assert(sizeof(PlatformData) == layout(4, 8), "PlatformData size");
static_assert(offsetof(AboutRecord, sSPBasic) == layout(4, 8), "sSPBasic offset");
static_assert(offsetof(AboutRecord, plugInRef) == layout(8, 16), "plugInRef offset");
static_assert(offsetof(AboutRecord, reserved) == layout(12, 24), "reserved offset");
static_assert(sizeof(AboutRecord) == layout(256, 272), "AboutRecord size");
#endif

}  // namespace hostapi
