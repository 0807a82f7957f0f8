#include "host/Bracket.h"
#include "host/HostContext.h"
#include "host/Scripting.h"

namespace hushpix {

using namespace hostapi;

namespace {

// The two suites, acquired for one operation only.
struct RegistrySuites {
    const PSDescriptorRegistryProcs* registry = nullptr;
    const PSActionDescriptorProcs* descriptors = nullptr;
};

// PICA errors are 32-bit, often four-character codes whose low 16 bits
// would read as something else, or as success, in an OSErr.
OSErr asOSErr(SPErr error) {
    if (error == kSPNoError) return noErr;
    return error >= -32768 && error <= 32767 ? OSErr(error) : errPlugInHostInsufficient;
}

// A suite handed out without a function the plug-in calls is as good as
// no suite: the plug-in would otherwise call through a null pointer.
bool complete(const PSDescriptorRegistryProcs& registry) {
    return registry.Register != nullptr && registry.Get != nullptr;
}

bool complete(const PSActionDescriptorProcs& descriptors) {
    return descriptors.Make != nullptr && descriptors.Free != nullptr &&
           descriptors.PutInteger != nullptr && descriptors.PutBoolean != nullptr &&
           descriptors.GetInteger != nullptr && descriptors.GetBoolean != nullptr;
}

// Acquires one suite into `held`; one that the host handed out but that is
// of no use is kept there all the same, so that it is released.
template <typename Suite>
OSErr acquire(SPBasicSuite& basic, const char* name, int32 version, const Suite*& held) {
    const void* suite = nullptr;
    const SPErr error = basic.AcquireSuite(name, version, &suite);
    if (error != kSPNoError) return asOSErr(error);
    if (suite == nullptr) return errPlugInHostInsufficient;
    held = static_cast<const Suite*>(suite);
    return complete(*held) ? noErr : errPlugInHostInsufficient;
}

OSErr acquireSuites(SPBasicSuite& basic, RegistrySuites& suites) {
    OSErr error = acquire(basic, kPSDescriptorRegistrySuite, kPSDescriptorRegistrySuiteVersion,
                          suites.registry);
    if (error == noErr) {
        error = acquire(basic, kPSActionDescriptorSuite, kPSActionDescriptorSuiteVersion,
                        suites.descriptors);
    }
    return error;
}

void releaseSuites(SPBasicSuite& basic, const RegistrySuites& suites) {
    if (suites.registry != nullptr) {
        basic.ReleaseSuite(kPSDescriptorRegistrySuite, kPSDescriptorRegistrySuiteVersion);
    }
    if (suites.descriptors != nullptr) {
        basic.ReleaseSuite(kPSActionDescriptorSuite, kPSActionDescriptorSuiteVersion);
    }
}

// Fields read before an error keep their new values.
OSErr readDescriptor(const PSActionDescriptorProcs& procs, PIActionDescriptor descriptor,
                     FilterSettings& settings) {
    int32 number = 0;
    OSErr error = procs.GetInteger(descriptor, kKeyNoiseLevel, &number);
    if (error != noErr) return error;
    settings.noiseLevel = number;
    error = procs.GetInteger(descriptor, kKeyContourLevel, &number);
    if (error != noErr) return error;
    settings.contourLevel = number;
    Boolean flag = 0;
    error = procs.GetBoolean(descriptor, kKeyPerPixel, &flag);
    if (error != noErr) return error;
    settings.perPixel = flag;
    return noErr;
}

OSErr writeDescriptor(const RegistrySuites& suites, PIActionDescriptor descriptor,
                      const FilterSettings& settings) {
    const PSActionDescriptorProcs& procs = *suites.descriptors;
    OSErr error = procs.PutInteger(descriptor, kKeyNoiseLevel, settings.noiseLevel);
    if (error == noErr) error = procs.PutInteger(descriptor, kKeyContourLevel, settings.contourLevel);
    if (error == noErr) error = procs.PutBoolean(descriptor, kKeyPerPixel, settings.perPixel);
    if (error == noErr) error = suites.registry->Register(kPluginUniqueID, descriptor, true);
    return error;
}

// Runs `operation` with both suites, which are given back afterwards
// whatever happened.
template <typename Operation>
OSErr withSuites(Operation operation) {
    HostContext& context = hostContext();
    const SPBasicSuite* basic = context.basicSuite;
    if (basic == nullptr || basic->AcquireSuite == nullptr || basic->ReleaseSuite == nullptr) {
        return errPlugInHostInsufficient;
    }
    RegistrySuites suites;
    OSErr error = noErr;
    bracket(
        [&] {
            error = acquireSuites(*context.basicSuite, suites);
            if (error == noErr) error = operation(suites, *context.settings);
        },
        [&] { releaseSuites(*context.basicSuite, suites); });
    return error;
}

}  // namespace

OSErr readRegistrySettings() {
    return withSuites([](const RegistrySuites& suites, FilterSettings& settings) {
        PIActionDescriptor descriptor = nullptr;
        OSErr error = noErr;
        bracket(
            [&] {
                error = suites.registry->Get(kPluginUniqueID, &descriptor);
                if (error == noErr && descriptor != nullptr) {
                    error = readDescriptor(*suites.descriptors, descriptor, settings);
                }
            },
            [&] {
                if (descriptor != nullptr) suites.descriptors->Free(descriptor);
            });
        return error;
    });
}

OSErr writeRegistrySettings() {
    return withSuites([](const RegistrySuites& suites, FilterSettings& settings) {
        PIActionDescriptor descriptor = nullptr;
        OSErr error = noErr;
        bracket(
            [&] {
                error = suites.descriptors->Make(&descriptor);
                if (error == noErr) error = writeDescriptor(suites, descriptor, settings);
            },
            [&] {
                if (descriptor != nullptr) suites.descriptors->Free(descriptor);
            });
        return error;
    });
}

}  // namespace hushpix
