// The scripting block of the FilterRecord: the descriptor a recorded action
// plays back, and the host's functions that read and write it.
#pragma once

#include "hostapi/HostTypes.h"

namespace hostapi {

using DescriptorKeyID = uint32;
using DescriptorTypeID = uint32;
using DescriptorClassID = uint32;
using DescriptorEnumID = uint32;
using DescriptorEnumTypeID = uint32;
using DescriptorUnitID = uint32;
using PIDescriptorHandle = Handle;

struct PIOpaqueReadDescriptor;
struct PIOpaqueWriteDescriptor;
struct PIDescriptorSimpleReference;
using PIReadDescriptor = PIOpaqueReadDescriptor*;  // null means failure; never dereferenced
using PIWriteDescriptor = PIOpaqueWriteDescriptor*;

// Descriptor value types.
constexpr DescriptorTypeID typeInteger = fourCC("long");
constexpr DescriptorTypeID typeBoolean = fourCC("bool");
constexpr DescriptorTypeID typeFloat = fourCC("doub");
constexpr DescriptorTypeID typeChar = fourCC("TEXT");
constexpr DescriptorTypeID typeEnumerated = fourCC("enum");
constexpr DescriptorTypeID typeNull = fourCC("null");
constexpr DescriptorTypeID typeObject = fourCC("Objc");

// playInfo and recordInfo values.
constexpr int16 plugInDialogDontDisplay = 0;
constexpr int16 plugInDialogDisplay = 1;
constexpr int16 plugInDialogSilent = 2;
constexpr int16 plugInDialogOptional = 0;
constexpr int16 plugInDialogRequired = 1;
constexpr int16 plugInDialogNone = 2;

using OpenReadDescriptorProc = PIReadDescriptor(HOSTAPI*)(PIDescriptorHandle descriptor,
                                                          DescriptorKeyID* keyArray);
using CloseReadDescriptorProc = OSErr(HOSTAPI*)(PIReadDescriptor token);
using GetKeyProc = Boolean(HOSTAPI*)(PIReadDescriptor token, DescriptorKeyID* key,
                                     DescriptorTypeID* type, int32* flags);
using GetIntegerProc = OSErr(HOSTAPI*)(PIReadDescriptor token, int32* value);
using GetFloatProc = OSErr(HOSTAPI*)(PIReadDescriptor token, double* value);
using GetUnitFloatProc = OSErr(HOSTAPI*)(PIReadDescriptor token, DescriptorUnitID* unit,
                                         double* value);
using GetBooleanProc = OSErr(HOSTAPI*)(PIReadDescriptor token, Boolean* value);
using GetTextProc = OSErr(HOSTAPI*)(PIReadDescriptor token, Handle* value);
using GetAliasProc = OSErr(HOSTAPI*)(PIReadDescriptor token, Handle* value);
using GetEnumeratedProc = OSErr(HOSTAPI*)(PIReadDescriptor token, DescriptorEnumID* value);
using GetClassProc = OSErr(HOSTAPI*)(PIReadDescriptor token, DescriptorTypeID* value);
using GetSimpleReferenceProc = OSErr(HOSTAPI*)(PIReadDescriptor token,
                                               PIDescriptorSimpleReference* value);
using GetObjectProc = OSErr(HOSTAPI*)(PIReadDescriptor token, DescriptorTypeID* type,
                                      PIDescriptorHandle* value);
using GetCountProc = OSErr(HOSTAPI*)(PIReadDescriptor token, uint32* count);
using GetStringProc = OSErr(HOSTAPI*)(PIReadDescriptor token, Str255* value);
using GetPinnedIntegerProc = OSErr(HOSTAPI*)(PIReadDescriptor token, int32 min, int32 max,
                                             int32* value);
using GetPinnedFloatProc = OSErr(HOSTAPI*)(PIReadDescriptor token, const double* min,
                                           const double* max, double* value);
using GetPinnedUnitFloatProc = OSErr(HOSTAPI*)(PIReadDescriptor token, const double* min,
                                               const double* max, DescriptorUnitID* unit,
                                               double* value);

struct ReadDescriptorProcs {
    int16 readDescriptorProcsVersion;
    int16 numReadDescriptorProcs;
    OpenReadDescriptorProc openReadDescriptorProc;
    CloseReadDescriptorProc closeReadDescriptorProc;
    GetKeyProc getKeyProc;
    GetIntegerProc getIntegerProc;
    GetFloatProc getFloatProc;
    GetUnitFloatProc getUnitFloatProc;
    GetBooleanProc getBooleanProc;
    GetTextProc getTextProc;
    GetAliasProc getAliasProc;
    GetEnumeratedProc getEnumeratedProc;
    GetClassProc getClassProc;
    GetSimpleReferenceProc getSimpleReferenceProc;
    GetObjectProc getObjectProc;
    GetCountProc getCountProc;
    GetStringProc getStringProc;
    GetPinnedIntegerProc getPinnedIntegerProc;
    GetPinnedFloatProc getPinnedFloatProc;
    GetPinnedUnitFloatProc getPinnedUnitFloatProc;
};

using OpenWriteDescriptorProc = PIWriteDescriptor(HOSTAPI*)();
using CloseWriteDescriptorProc = OSErr(HOSTAPI*)(PIWriteDescriptor token,
                                                 PIDescriptorHandle* newDescriptor);
using PutIntegerProc = OSErr(HOSTAPI*)(PIWriteDescriptor token, DescriptorKeyID key, int32 value);
using PutFloatProc = OSErr(HOSTAPI*)(PIWriteDescriptor token, DescriptorKeyID key,
                                     const double* value);
using PutUnitFloatProc = OSErr(HOSTAPI*)(PIWriteDescriptor token, DescriptorKeyID key,
                                         DescriptorUnitID unit, const double* value);
using PutBooleanProc = OSErr(HOSTAPI*)(PIWriteDescriptor token, DescriptorKeyID key,
                                       Boolean value);
using PutTextProc = OSErr(HOSTAPI*)(PIWriteDescriptor token, DescriptorKeyID key, Handle text);
using PutAliasProc = OSErr(HOSTAPI*)(PIWriteDescriptor token, DescriptorKeyID key, Handle alias);
using PutEnumeratedProc = OSErr(HOSTAPI*)(PIWriteDescriptor token, DescriptorKeyID key,
                                          DescriptorTypeID type, DescriptorEnumID value);
using PutClassProc = OSErr(HOSTAPI*)(PIWriteDescriptor token, DescriptorKeyID key,
                                     DescriptorTypeID value);
using PutSimpleReferenceProc = OSErr(HOSTAPI*)(PIWriteDescriptor token, DescriptorKeyID key,
                                               const PIDescriptorSimpleReference* value);
using PutObjectProc = OSErr(HOSTAPI*)(PIWriteDescriptor token, DescriptorKeyID key,
                                      DescriptorTypeID type, PIDescriptorHandle value);
using PutCountProc = OSErr(HOSTAPI*)(PIWriteDescriptor token, DescriptorKeyID key, uint32 count);
using PutStringProc = OSErr(HOSTAPI*)(PIWriteDescriptor token, DescriptorKeyID key,
                                      const unsigned char* pascalString);
using PutScopedClassProc = OSErr(HOSTAPI*)(PIWriteDescriptor token, DescriptorKeyID key,
                                           DescriptorTypeID value);
using PutScopedObjectProc = OSErr(HOSTAPI*)(PIWriteDescriptor token, DescriptorKeyID key,
                                            DescriptorTypeID type, PIDescriptorHandle value);

struct WriteDescriptorProcs {
    int16 writeDescriptorProcsVersion;
    int16 numWriteDescriptorProcs;
    OpenWriteDescriptorProc openWriteDescriptorProc;
    CloseWriteDescriptorProc closeWriteDescriptorProc;
    PutIntegerProc putIntegerProc;
    PutFloatProc putFloatProc;
    PutUnitFloatProc putUnitFloatProc;
    PutBooleanProc putBooleanProc;
    PutTextProc putTextProc;
    PutAliasProc putAliasProc;
    PutEnumeratedProc putEnumeratedProc;
    PutClassProc putClassProc;
    PutSimpleReferenceProc putSimpleReferenceProc;
    PutObjectProc putObjectProc;
    PutCountProc putCountProc;
    PutStringProc putStringProc;
    PutScopedClassProc putScopedClassProc;
    PutScopedObjectProc putScopedObjectProc;
};

struct PIDescriptorParameters {
    int16 descriptorParametersVersion;
    int16 playInfo;
    int16 recordInfo;
    PIDescriptorHandle descriptor;  // may be null
    WriteDescriptorProcs* writeDescriptorProcs;
    ReadDescriptorProcs* readDescriptorProcs;
};

constexpr int16 kDescriptorParametersVersion = 0;
constexpr int16 kReadDescriptorProcsVersion = 0;
constexpr int16 kNumReadDescriptorProcs = 18;
constexpr int16 kWriteDescriptorProcsVersion = 0;
constexpr int16 kNumWriteDescriptorProcs = 16;

#if defined(HOSTAPI_CHECK_LAYOUT)
static_assert(offsetof(PIDescriptorParameters, recordInfo) == 4, "recordInfo offset");
static_assert(offsetof(PIDescriptorParameters, descriptor) == 8, "descriptor offset");
static_assert(offsetof(PIDescriptorParameters, writeDescriptorProcs) == layout(12, 16),
              "writeDescriptorProcs offset");
static_assert(offsetof(PIDescriptorParameters, readDescriptorProcs) == layout(16, 24),
              "readDescriptorProcs offset");
static_assert(sizeof(PIDescriptorParameters) == layout(20, 32), "PIDescriptorParameters size");

static_assert(offsetof(ReadDescriptorProcs, openReadDescriptorProc) == layout(4, 8),
              "openReadDescriptorProc offset");
static_assert(offsetof(ReadDescriptorProcs, getKeyProc) == layout(12, 24), "getKeyProc offset");
static_assert(offsetof(ReadDescriptorProcs, getIntegerProc) == layout(16, 32),
              "getIntegerProc offset");
static_assert(offsetof(ReadDescriptorProcs, getBooleanProc) == layout(28, 56),
              "getBooleanProc offset");
static_assert(offsetof(ReadDescriptorProcs, getPinnedUnitFloatProc) == layout(72, 144),
              "getPinnedUnitFloatProc offset");
static_assert(sizeof(ReadDescriptorProcs) == layout(76, 152), "ReadDescriptorProcs size");

static_assert(offsetof(WriteDescriptorProcs, openWriteDescriptorProc) == layout(4, 8),
              "openWriteDescriptorProc offset");
static_assert(offsetof(WriteDescriptorProcs, putIntegerProc) == layout(12, 24),
              "putIntegerProc offset");
static_assert(offsetof(WriteDescriptorProcs, putBooleanProc) == layout(24, 48),
              "putBooleanProc offset");
static_assert(offsetof(WriteDescriptorProcs, putScopedObjectProc) == layout(64, 128),
              "putScopedObjectProc offset");
static_assert(sizeof(WriteDescriptorProcs) == layout(68, 136), "WriteDescriptorProcs size");
#endif

}  // namespace hostapi
