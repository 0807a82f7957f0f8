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

OSErr acquireSuites(SPBasicSuite& basic, RegistrySuites& suites) {
    const void* suite = nullptr;
    SPErr error = basic.AcquireSuite(kPSDescriptorRegistrySuite, kPSDescriptorRegistrySuiteVersion,
                                     &suite);
    if (error != kSPNoError) return asOSErr(error);
    suites.registry = static_cast<const PSDescriptorRegistryProcs*>(suite);
    error = basic.AcquireSuite(kPSActionDescriptorSuite, kPSActionDescriptorSuiteVersion, &suite);
    if (error != kSPNoError) return asOSErr(error);
    suites.descriptors = static_cast<const PSActionDescriptorProcs*>(suite);
    return noErr;
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
    if (context.basicSuite == nullptr) return errPlugInHostInsufficient;
    RegistrySuites suites;
    OSErr error = acquireSuites(*context.basicSuite, suites);
    if (error == noErr) error = operation(suites, *context.settings);
    releaseSuites(*context.basicSuite, suites);
    return error;
}

}  // namespace

OSErr readRegistrySettings() {
    return withSuites([](const RegistrySuites& suites, FilterSettings& settings) {
        PIActionDescriptor descriptor = nullptr;
        OSErr error = suites.registry->Get(kPluginUniqueID, &descriptor);
        if (error == noErr && descriptor != nullptr) {
            error = readDescriptor(*suites.descriptors, descriptor, settings);
        }
        if (descriptor != nullptr) suites.descriptors->Free(descriptor);
        return error;
    });
}

OSErr writeRegistrySettings() {
    return withSuites([](const RegistrySuites& suites, FilterSettings& settings) {
        PIActionDescriptor descriptor = nullptr;
        OSErr error = suites.descriptors->Make(&descriptor);
        if (error == noErr) error = writeDescriptor(suites, descriptor, settings);
        if (descriptor != nullptr) suites.descriptors->Free(descriptor);
        return error;
    });
}

}  // namespace hushpix
