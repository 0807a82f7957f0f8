#include "host/HostContext.h"
#include "host/Scripting.h"

namespace hushpix {

using namespace hostapi;

namespace {

PIDescriptorParameters* descriptorBlock() { return hostContext().filterRecord->descriptorParameters; }

void disposeHandle(Handle handle) {
    const HandleProcs* procs = hostContext().filterRecord->handleProcs;
    if (handle != nullptr && procs != nullptr) procs->disposeProc(handle);
}

// Reads keys until the descriptor has none left or a value cannot be read.
// An unknown key ends the reading: what follows it cannot be trusted.
OSErr readKeys(const ReadDescriptorProcs& procs, PIReadDescriptor token, FilterSettings& settings) {
    OSErr error = noErr;
    DescriptorKeyID key = 0;
    DescriptorTypeID type = 0;
    int32 flags = 0;
    while (error == noErr && procs.getKeyProc(token, &key, &type, &flags)) {
        int32 number = 0;
        Boolean flag = 0;
        if (key == kKeyNoiseLevel) {
            error = procs.getIntegerProc(token, &number);
            if (error == noErr) settings.noiseLevel = number;
        } else if (key == kKeyContourLevel) {
            error = procs.getIntegerProc(token, &number);
            if (error == noErr) settings.contourLevel = number;
        } else if (key == kKeyPerPixel) {
            error = procs.getBooleanProc(token, &flag);
            if (error == noErr) settings.perPixel = flag;
        } else {
            error = readErr;
        }
    }
    return error;
}

}  // namespace

OSErr readScriptSettings(bool& display) {
    HostContext& context = hostContext();
    display = context.engine->promptOnStart != 0;
    PIDescriptorParameters* block = descriptorBlock();
    if (block == nullptr || block->readDescriptorProcs == nullptr || block->descriptor == nullptr) {
        return noErr;
    }
    const ReadDescriptorProcs& procs = *block->readDescriptorProcs;
    // The host marks the keys it has returned, so the list must be writable.
    DescriptorKeyID keys[] = {kKeyNoiseLevel, kKeyContourLevel, kKeyPerPixel, 0};
    OSErr error = noErr;
    const PIReadDescriptor token = procs.openReadDescriptorProc(block->descriptor, keys);
    if (token != nullptr) {
        readKeys(procs, token, *context.settings);
        // The host's verdict on the whole read replaces the loop's own.
        error = procs.closeReadDescriptorProc(token);
        disposeHandle(block->descriptor);
        block->descriptor = nullptr;
    }
    display = block->playInfo == plugInDialogDisplay;
    return error;
}

OSErr writeScriptSettings() {
    const FilterSettings& settings = *hostContext().settings;
    PIDescriptorParameters* block = descriptorBlock();
    if (block == nullptr || block->writeDescriptorProcs == nullptr) return noErr;
    const WriteDescriptorProcs& procs = *block->writeDescriptorProcs;
    const PIWriteDescriptor token = procs.openWriteDescriptorProc();
    if (token == nullptr) return errMissingParameter;
    procs.putIntegerProc(token, kKeyNoiseLevel, settings.noiseLevel);
    procs.putIntegerProc(token, kKeyContourLevel, settings.contourLevel);
    procs.putBooleanProc(token, kKeyPerPixel, settings.perPixel);
    disposeHandle(block->descriptor);
    PIDescriptorHandle recorded = nullptr;
    procs.closeWriteDescriptorProc(token, &recorded);
    block->descriptor = recorded;
    block->recordInfo = plugInDialogOptional;
    return noErr;
}

}  // namespace hushpix
