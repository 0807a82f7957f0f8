#include "embedded_host/Faults.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <utility>

#include "embedded_host/FaultInjection.h"
#include "embedded_host/Session.h"

namespace embedded_host {

using namespace hostapi;

const std::vector<HostFunction>& allHostFunctions() {
    static const std::vector<HostFunction> functions = [] {
        std::vector<HostFunction> all;
        for (int f = 0; f <= int(HostFunction::getEntry); ++f) all.push_back(HostFunction(f));
        return all;
    }();
    return functions;
}

const char* nameOf(HostFunction function) {
    static const char* const names[] = {
        "newHandle",       "disposeHandle",   "getHandleSize",   "setHandleSize",
        "lockHandle",      "unlockHandle",    "allocateBuffer",  "lockBuffer",
        "unlockBuffer",    "freeBuffer",      "bufferSpace",     "advanceState",
        "testAbort",       "updateProgress",  "openReader",      "closeReader",
        "getKey",          "getInteger",      "getBoolean",      "openWriter",
        "closeWriter",     "putInteger",      "putBoolean",      "acquireSuite",
        "releaseSuite",    "makeDescriptor",  "freeDescriptor",  "putIntegerValue",
        "putBooleanValue", "getIntegerValue", "getBooleanValue", "registerDescriptor",
        "getEntry",
    };
    static_assert(sizeof(names) / sizeof(names[0]) == std::size_t(HostFunction::getEntry) + 1);
    return names[int(function)];
}

namespace {

FaultState& faultState() { return currentSession().faultState; }

bool due(const std::optional<FaultCall>& fault, HostFunction function, int call) {
    return fault && fault->function == function && fault->call == call;
}

void throwIfDue(HostFunction function, int call) {
    const HostFaults& faults = *faultState().faults;
    if (!due(faults.throwing, function, call)) return;
    if (faults.throwBadAlloc) throw std::bad_alloc();
    throw std::runtime_error(std::string("host fault in ") + nameOf(function));
}

// Counts the call; throws when this is the call that throws. True when it
// is the call that fails.
bool failsNow(HostFunction function) {
    const int call = ++faultState().calls[function];
    throwIfDue(function, call);
    return due(faultState().faults->failing, function, call);
}

// A failure as each function can express it.
std::int64_t failureValue(HostFunction function) {
    switch (function) {
        case HostFunction::setHandleSize:
        case HostFunction::allocateBuffer: return memFullErr;
        case HostFunction::getHandleSize:
        case HostFunction::bufferSpace:
        case HostFunction::getKey: return 0;
        case HostFunction::testAbort: return 1;
        case HostFunction::acquireSuite:
        case HostFunction::releaseSuite: return kSPSuiteNotFoundError;
        default: return paramErr;
    }
}

// Functions that give something back: a failing one still gives it back,
// as hosts do, and then reports the failure.
constexpr bool givesBack(HostFunction function) {
    return function == HostFunction::closeReader || function == HostFunction::closeWriter ||
           function == HostFunction::freeDescriptor || function == HostFunction::releaseSuite;
}

template <typename Table>
const Table& hostTable(const FaultState& state);
template <>
const HandleProcs& hostTable(const FaultState& state) { return state.handleProcs; }
template <>
const BufferProcs& hostTable(const FaultState& state) { return state.bufferProcs; }
template <>
const ReadDescriptorProcs& hostTable(const FaultState& state) { return state.readProcs; }
template <>
const WriteDescriptorProcs& hostTable(const FaultState& state) { return state.writeProcs; }
template <>
const SPBasicSuite& hostTable(const FaultState& state) { return state.basicSuite; }
template <>
const RecordProcs& hostTable(const FaultState& state) { return state.recordProcs; }
template <>
const PSActionDescriptorProcs& hostTable(const FaultState& state) { return state.descriptorSuite; }
template <>
const PSDescriptorRegistryProcs& hostTable(const FaultState& state) { return state.registrySuite; }

template <typename Member>
struct MemberOf;
template <typename Table, typename Proc>
struct MemberOf<Proc Table::*> {
    using TableType = Table;
};

template <HostFunction F, auto Slot, typename Proc>
struct HookFor;

// The hook of one slot: counts, fails, throws, or calls the host's function.
template <HostFunction F, auto Slot, typename R, typename... A>
struct HookFor<F, Slot, R(HOSTAPI*)(A...)> {
    using Table = typename MemberOf<decltype(Slot)>::TableType;

    static R HOSTAPI call(A... args) {
        if constexpr (givesBack(F)) {
            // Gives back first: a host that throws has still closed.
            const int call = ++faultState().calls[F];
            const R result = (hostTable<Table>(faultState()).*Slot)(args...);
            throwIfDue(F, call);
            return due(faultState().faults->failing, F, call) ? R(failureValue(F)) : result;
        }
        const bool fails = failsNow(F);
        if constexpr (std::is_void_v<R>) {
            (hostTable<Table>(faultState()).*Slot)(args...);
        } else if constexpr (std::is_pointer_v<R>) {
            return fails ? nullptr : (hostTable<Table>(faultState()).*Slot)(args...);
        } else {
            return fails ? R(failureValue(F)) : (hostTable<Table>(faultState()).*Slot)(args...);
        }
    }

    static void install(Table& table, const HostFaults& faults) {
        if (faults.missing.count(F) != 0) {
            table.*Slot = nullptr;
        } else if (table.*Slot != nullptr) {
            table.*Slot = &call;
        }
    }
};

template <HostFunction F, auto Slot>
using Hook = HookFor<F, Slot, std::remove_reference_t<decltype(std::declval<
                                  typename MemberOf<decltype(Slot)>::TableType>().*Slot)>>;

using F = HostFunction;

void hookHandleProcs(HandleProcs& table, const HostFaults& faults) {
    Hook<F::newHandle, &HandleProcs::newProc>::install(table, faults);
    Hook<F::disposeHandle, &HandleProcs::disposeProc>::install(table, faults);
    Hook<F::getHandleSize, &HandleProcs::getSizeProc>::install(table, faults);
    Hook<F::setHandleSize, &HandleProcs::setSizeProc>::install(table, faults);
    Hook<F::lockHandle, &HandleProcs::lockProc>::install(table, faults);
    Hook<F::unlockHandle, &HandleProcs::unlockProc>::install(table, faults);
}

void hookBufferProcs(BufferProcs& table, const HostFaults& faults) {
    Hook<F::allocateBuffer, &BufferProcs::allocateProc>::install(table, faults);
    Hook<F::lockBuffer, &BufferProcs::lockProc>::install(table, faults);
    Hook<F::unlockBuffer, &BufferProcs::unlockProc>::install(table, faults);
    Hook<F::freeBuffer, &BufferProcs::freeProc>::install(table, faults);
    Hook<F::bufferSpace, &BufferProcs::spaceProc>::install(table, faults);
}

void hookReadProcs(ReadDescriptorProcs& table, const HostFaults& faults) {
    Hook<F::openReader, &ReadDescriptorProcs::openReadDescriptorProc>::install(table, faults);
    Hook<F::closeReader, &ReadDescriptorProcs::closeReadDescriptorProc>::install(table, faults);
    Hook<F::getKey, &ReadDescriptorProcs::getKeyProc>::install(table, faults);
    Hook<F::getInteger, &ReadDescriptorProcs::getIntegerProc>::install(table, faults);
    Hook<F::getBoolean, &ReadDescriptorProcs::getBooleanProc>::install(table, faults);
}

void hookWriteProcs(WriteDescriptorProcs& table, const HostFaults& faults) {
    Hook<F::openWriter, &WriteDescriptorProcs::openWriteDescriptorProc>::install(table, faults);
    Hook<F::closeWriter, &WriteDescriptorProcs::closeWriteDescriptorProc>::install(table, faults);
    Hook<F::putInteger, &WriteDescriptorProcs::putIntegerProc>::install(table, faults);
    Hook<F::putBoolean, &WriteDescriptorProcs::putBooleanProc>::install(table, faults);
}

void hookDescriptorSuite(PSActionDescriptorProcs& table, const HostFaults& faults) {
    using S = PSActionDescriptorProcs;
    Hook<F::makeDescriptor, &S::Make>::install(table, faults);
    Hook<F::freeDescriptor, &S::Free>::install(table, faults);
    Hook<F::putIntegerValue, &S::PutInteger>::install(table, faults);
    Hook<F::putBooleanValue, &S::PutBoolean>::install(table, faults);
    Hook<F::getIntegerValue, &S::GetInteger>::install(table, faults);
    Hook<F::getBooleanValue, &S::GetBoolean>::install(table, faults);
}

void hookRegistrySuite(PSDescriptorRegistryProcs& table, const HostFaults& faults) {
    Hook<F::registerDescriptor, &PSDescriptorRegistryProcs::Register>::install(table, faults);
    Hook<F::getEntry, &PSDescriptorRegistryProcs::Get>::install(table, faults);
}

// Hands out the two suites with their own slots hooked.
SPErr HOSTAPI acquireSuite(const char* name, int32 version, const void** suite) {
    if (failsNow(F::acquireSuite)) return kSPSuiteNotFoundError;
    FaultState& state = faultState();
    const SPErr error = state.basicSuite.AcquireSuite(name, version, suite);
    if (error != kSPNoError) return error;
    if (std::strcmp(name, kPSActionDescriptorSuite) == 0) {
        state.descriptorSuite = *static_cast<const PSActionDescriptorProcs*>(*suite);
        state.hookedDescriptorSuite = state.descriptorSuite;
        hookDescriptorSuite(state.hookedDescriptorSuite, *state.faults);
        *suite = &state.hookedDescriptorSuite;
    } else if (std::strcmp(name, kPSDescriptorRegistrySuite) == 0) {
        state.registrySuite = *static_cast<const PSDescriptorRegistryProcs*>(*suite);
        state.hookedRegistrySuite = state.registrySuite;
        hookRegistrySuite(state.hookedRegistrySuite, *state.faults);
        *suite = &state.hookedRegistrySuite;
    }
    return error;
}

std::int16_t clamp16(std::int32_t value) {
    return std::int16_t(std::clamp<std::int32_t>(value, -32768, 32767));
}

Rect asRect(const FaultRect& r) {
    return Rect{clamp16(r.top), clamp16(r.left), clamp16(r.bottom), clamp16(r.right)};
}

VRect asVRect(const FaultRect& r) { return VRect{r.top, r.left, r.bottom, r.right}; }

// What the host reports after a delivery that went wrong in its own way.
void misreport(Session& session) {
    const HostFaults& faults = session.options.faults;
    FilterRecord& record = session.record;
    if (faults.deliveredRect) {
        record.inRect = record.outRect = record.maskRect = asRect(*faults.deliveredRect);
        BigDocumentStruct& big = session.bigDocument;
        big.inRect32 = big.outRect32 = big.maskRect32 = asVRect(*faults.deliveredRect);
    }
    if (faults.dropInData) record.inData = nullptr;
    if (faults.dropOutData) record.outData = nullptr;
    if (faults.dropMaskData) record.maskData = nullptr;
    record.inRowBytes -= faults.inRowBytesShortBy;
    record.outRowBytes -= faults.outRowBytesShortBy;
    record.maskRowBytes -= faults.maskRowBytesShortBy;
}

OSErr HOSTAPI advanceState() {
    const OSErr error = Hook<F::advanceState, &RecordProcs::advanceState>::call();
    if (error == noErr) misreport(currentSession());
    return error;
}

// A handle of `size` bytes that another plug-in might have left.
Handle foreignHandle(BlockHeap& handles, std::int32_t size) {
    MemoryBlock* block = handles.allocate(size);
    std::fill(block->bytes.begin(), block->bytes.end(), char(0xA5));
    return asHandle(block);
}

void leaveForeignHandles(Session& session, const HostFaults& faults) {
    BlockHeap& handles = session.handles;
    // Made before the run, so they count as no allocation of the plug-in's.
    const int attempts = handles.attempts, failAt = handles.failAllocationAt;
    handles.failAllocationAt = 0;
    if (faults.parametersSize) {
        if (session.parameters != nullptr) handles.release(blockOf(session.parameters));
        session.parameters = foreignHandle(handles, *faults.parametersSize);
        session.record.parameters = session.parameters;
    }
    if (faults.dataSize) {
        if (session.dataCell != 0) handles.release(blockOf(reinterpret_cast<Handle>(session.dataCell)));
        session.dataCell = reinterpret_cast<std::intptr_t>(foreignHandle(handles, *faults.dataSize));
    }
    handles.attempts = attempts;
    handles.failAllocationAt = failAt;
}

}  // namespace

void installFaults(Session& session) {
    FaultState& state = session.faultState;
    const HostFaults& faults = session.options.faults;
    state.calls.clear();
    state.faults = &faults;

    state.handleProcs = session.handleProcs;
    hookHandleProcs(session.handleProcs, faults);
    state.bufferProcs = session.bufferProcs;
    hookBufferProcs(session.bufferProcs, faults);
    state.readProcs = session.readProcs;
    hookReadProcs(session.readProcs, faults);
    state.writeProcs = session.writeProcs;
    hookWriteProcs(session.writeProcs, faults);
    state.basicSuite = session.basicSuite;
    session.basicSuite.AcquireSuite = faults.missing.count(F::acquireSuite) ? nullptr : acquireSuite;
    Hook<F::releaseSuite, &SPBasicSuite::ReleaseSuite>::install(session.basicSuite, faults);

    FilterRecord& record = session.record;
    state.recordProcs = RecordProcs{record.advanceState, record.abortProc, record.progressProc};
    RecordProcs hooked = state.recordProcs;
    Hook<F::testAbort, &RecordProcs::testAbort>::install(hooked, faults);
    Hook<F::updateProgress, &RecordProcs::updateProgress>::install(hooked, faults);
    record.abortProc = hooked.testAbort;
    record.progressProc = hooked.updateProgress;
    record.advanceState = faults.missing.count(F::advanceState) ? nullptr : advanceState;

    if (faults.filterRect) {
        record.filterRect = asRect(*faults.filterRect);
        session.bigDocument.filterRect32 = asVRect(*faults.filterRect);
    }
    if (faults.depth) record.depth = *faults.depth;
    if (faults.imageMode) record.imageMode = *faults.imageMode;
    leaveForeignHandles(session, faults);
    for (const auto& [key, entry] : faults.registry) session.registry[key] = entry;
}

}  // namespace embedded_host
