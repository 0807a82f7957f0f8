// The PICA basic suite and the host suites the plug-in acquires through it:
// action descriptors, the descriptor registry and the file-list suite.
// Every suite is a plain table of function pointers in natural alignment.
#pragma once

#include <cstddef>

#include "hostapi/Descriptors.h"

namespace hostapi {

struct PIOpaqueActionDescriptor;
struct PIOpaqueActionList;
struct PIOpaqueActionReference;
struct PIOpaqueZString;
struct SPPlatformFileSpecification;
using PIActionDescriptor = PIOpaqueActionDescriptor*;
using PIActionList = PIOpaqueActionList*;
using PIActionReference = PIOpaqueActionReference*;
using ASZString = PIOpaqueZString*;

constexpr SPErr kSPNoError = 0;
constexpr SPErr kSPSuiteNotFoundError = SPErr(fourCC("S!Fd"));
constexpr SPErr kSPBadParameterError = SPErr(fourCC("Parm"));

struct SPBasicSuite {
    SPErr(HOSTAPI* AcquireSuite)(const char* name, int32 version, const void** suite);
    SPErr(HOSTAPI* ReleaseSuite)(const char* name, int32 version);
    SPBoolean(HOSTAPI* IsEqual)(const char* token1, const char* token2);
    SPErr(HOSTAPI* AllocateBlock)(std::size_t size, void** block);
    SPErr(HOSTAPI* FreeBlock)(void* block);
    SPErr(HOSTAPI* ReallocateBlock)(void* block, std::size_t newSize, void** newBlock);
    SPErr(HOSTAPI* Undefined)();
};

constexpr char kPSActionDescriptorSuite[] = "df135115-c769-11d0-8079-00c04fd7ec47";
constexpr int32 kPSActionDescriptorSuiteVersion = 2;

// Results are 16-bit OSErr; one host returns 32-bit values, so callers look
// only at the low 16 bits.
struct PSActionDescriptorProcs {
    using D = PIActionDescriptor;
    using Key = DescriptorKeyID;
    OSErr(HOSTAPI* Make)(D* outDescriptor);
    OSErr(HOSTAPI* Free)(D descriptor);
    OSErr(HOSTAPI* GetType)(D d, Key key, DescriptorTypeID* type);
    OSErr(HOSTAPI* GetKey)(D d, uint32 index, Key* key);
    OSErr(HOSTAPI* HasKey)(D d, Key key, Boolean* hasKey);
    OSErr(HOSTAPI* GetCount)(D d, uint32* count);
    OSErr(HOSTAPI* IsEqual)(D d, D other, Boolean* isEqual);
    OSErr(HOSTAPI* Erase)(D d, Key key);
    OSErr(HOSTAPI* Clear)(D d);
    OSErr(HOSTAPI* PutInteger)(D d, Key key, int32 value);
    OSErr(HOSTAPI* PutFloat)(D d, Key key, double value);
    OSErr(HOSTAPI* PutUnitFloat)(D d, Key key, DescriptorUnitID unit, double value);
    OSErr(HOSTAPI* PutString)(D d, Key key, const char* cString);
    OSErr(HOSTAPI* PutBoolean)(D d, Key key, Boolean value);
    OSErr(HOSTAPI* PutList)(D d, Key key, PIActionList value);
    OSErr(HOSTAPI* PutObject)(D d, Key key, DescriptorClassID type, D value);
    OSErr(HOSTAPI* PutGlobalObject)(D d, Key key, DescriptorClassID type, D value);
    OSErr(HOSTAPI* PutEnumerated)(D d, Key key, DescriptorEnumTypeID type, DescriptorEnumID value);
    OSErr(HOSTAPI* PutReference)(D d, Key key, PIActionReference value);
    OSErr(HOSTAPI* PutClass)(D d, Key key, DescriptorClassID value);
    OSErr(HOSTAPI* PutGlobalClass)(D d, Key key, DescriptorClassID value);
    OSErr(HOSTAPI* PutAlias)(D d, Key key, Handle value);
    OSErr(HOSTAPI* GetInteger)(D d, Key key, int32* value);
    OSErr(HOSTAPI* GetFloat)(D d, Key key, double* value);
    OSErr(HOSTAPI* GetUnitFloat)(D d, Key key, DescriptorUnitID* unit, double* value);
    OSErr(HOSTAPI* GetStringLength)(D d, Key key, uint32* length);
    OSErr(HOSTAPI* GetString)(D d, Key key, char* buffer, uint32 maxLength);
    OSErr(HOSTAPI* GetBoolean)(D d, Key key, Boolean* value);
    OSErr(HOSTAPI* GetList)(D d, Key key, PIActionList* value);
    OSErr(HOSTAPI* GetObject)(D d, Key key, DescriptorClassID* type, D* value);
    OSErr(HOSTAPI* GetGlobalObject)(D d, Key key, DescriptorClassID* type, D* value);
    OSErr(HOSTAPI* GetEnumerated)(D d, Key key, DescriptorEnumTypeID* type, DescriptorEnumID* value);
    OSErr(HOSTAPI* GetReference)(D d, Key key, PIActionReference* value);
    OSErr(HOSTAPI* GetClass)(D d, Key key, DescriptorClassID* value);
    OSErr(HOSTAPI* GetGlobalClass)(D d, Key key, DescriptorClassID* value);
    OSErr(HOSTAPI* GetAlias)(D d, Key key, Handle* value);
    OSErr(HOSTAPI* HasKeys)(D d, Key* zeroTerminatedKeys, Boolean* hasKeys);
    OSErr(HOSTAPI* PutIntegers)(D d, Key key, uint32 count, int32* values);
    OSErr(HOSTAPI* GetIntegers)(D d, Key key, uint32 count, int32* values);
    OSErr(HOSTAPI* AsHandle)(D d, PIDescriptorHandle* outHandle);
    OSErr(HOSTAPI* HandleToDescriptor)(PIDescriptorHandle h, D* outDescriptor);
    OSErr(HOSTAPI* PutZString)(D d, Key key, ASZString value);
    OSErr(HOSTAPI* GetZString)(D d, Key key, ASZString* value);
    OSErr(HOSTAPI* PutData)(D d, Key key, int32 length, void* data);
    OSErr(HOSTAPI* GetDataLength)(D d, Key key, int32* length);
    OSErr(HOSTAPI* GetData)(D d, Key key, void* data);
};

constexpr char kPSDescriptorRegistrySuite[] = "61e608b0-40fd-11d1-8da3-00c04fd5f7ee";
constexpr int32 kPSDescriptorRegistrySuiteVersion = 1;

struct PSDescriptorRegistryProcs {
    // Keeps its own copy: the caller still owns and frees `descriptor`.
    OSErr(HOSTAPI* Register)(const char* key, PIActionDescriptor descriptor, Boolean isPersistent);
    OSErr(HOSTAPI* Erase)(const char* key);
    // Hands out a copy that the caller frees; null with no error when the
    // key has no entry.
    OSErr(HOSTAPI* Get)(const char* key, PIActionDescriptor* outDescriptor);
};

constexpr char kPSGetFileListSuite[] = "Photoshop GetFileList Suite for Plug-ins";
constexpr int32 kPSGetFileListSuiteVersion = 4;

// Several slots take C++ references, which the ABI passes as pointers.
struct PSGetFileListSuite4 {
    SPErr(HOSTAPI* GetFileHandleList)(PIActionDescriptor* outList,
                                      SPPlatformFileSpecification* folder, bool recurse);
    SPErr(HOSTAPI* GetBrowserNameList)(PIActionDescriptor* outList);
    SPErr(HOSTAPI* BrowseUrlWithIndexBrowser)(uint16 browserIndex, const char* url);
    SPErr(HOSTAPI* BrowseUrl)(const char* url);
    SPErr(HOSTAPI* GetBrowserFileSpec)(uint16 browserIndex, SPPlatformFileSpecification* outSpec);
    SPErr(HOSTAPI* GetDefaultSystemScript)(int16* script);
    SPErr(HOSTAPI* HasDoubleByteInString)(const char* text, bool* hasDoubleByte);
    SPErr(HOSTAPI* GetWebTemplateFolderSpec)(SPPlatformFileSpecification* outSpec);
    SPErr(HOSTAPI* GetWebTemplateList)(PIActionDescriptor* outList, bool recurse);
};

#if defined(HOSTAPI_CHECK_LAYOUT)
static_assert(offsetof(SPBasicSuite, ReleaseSuite) == layout(4, 8), "ReleaseSuite offset");
static_assert(offsetof(SPBasicSuite, Undefined) == layout(24, 48), "Undefined offset");
static_assert(sizeof(SPBasicSuite) == layout(28, 56), "SPBasicSuite size");

static_assert(offsetof(PSActionDescriptorProcs, Free) == layout(4, 8), "Free offset");
static_assert(offsetof(PSActionDescriptorProcs, PutInteger) == layout(36, 72), "PutInteger offset");
static_assert(offsetof(PSActionDescriptorProcs, PutBoolean) == layout(52, 104), "PutBoolean offset");
static_assert(offsetof(PSActionDescriptorProcs, GetInteger) == layout(88, 176), "GetInteger offset");
static_assert(offsetof(PSActionDescriptorProcs, GetBoolean) == layout(108, 216), "GetBoolean offset");
static_assert(offsetof(PSActionDescriptorProcs, AsHandle) == layout(156, 312), "AsHandle offset");
static_assert(sizeof(PSActionDescriptorProcs) == layout(184, 368), "PSActionDescriptorProcs size");

static_assert(offsetof(PSDescriptorRegistryProcs, Get) == layout(8, 16), "Get offset");
static_assert(sizeof(PSDescriptorRegistryProcs) == layout(12, 24), "registry suite size");

static_assert(offsetof(PSGetFileListSuite4, BrowseUrl) == layout(12, 24), "BrowseUrl offset");
static_assert(sizeof(PSGetFileListSuite4) == layout(36, 72), "GetFileList suite size");
#endif

}  // namespace hostapi
