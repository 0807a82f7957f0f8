#include "host/Bracket.h"
#include "host/HostContext.h"
#include "host/Scripting.h"

namespace hushpix {

using namespace hostapi;

namespace {

PIDescriptorParameters* descriptorBlock() { return hostContext().filterRecord->descriptorParameters; }

void disposeHandle(Handle handle) {
    const HandleProcs* procs = handleProcs();
    if (handle != nullptr && procs != nullptr) procs->disposeProc(handle);
}

// A host that leaves out a function of the reader or the writer offers no
// scripting: the plug-in runs as if it had no descriptor block.
bool canRead(const ReadDescriptorProcs* procs) {
    return procs != nullptr && procs->openReadDescriptorProc != nullptr &&
           procs->closeReadDescriptorProc != nullptr && procs->getKeyProc != nullptr &&
           procs->getIntegerProc != nullptr && procs->getBooleanProc != nullptr;
}

bool canWrite(const WriteDescriptorProcs* procs) {
    return procs != nullptr && procs->openWriteDescriptorProc != nullptr &&
           procs->closeWriteDescriptorProc != nullptr && procs->putIntegerProc != nullptr &&
           procs->putBooleanProc != nullptr;
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
    if (block == nullptr || !canRead(block->readDescriptorProcs) || block->descriptor == nullptr) {
        return noErr;
    }
    const ReadDescriptorProcs& procs = *block->readDescriptorProcs;
    // The host marks the keys it has returned, so the list must be writable.
    DescriptorKeyID keys[] = {kKeyNoiseLevel, kKeyContourLevel, kKeyPerPixel, 0};
    OSErr error = noErr;
    const PIReadDescriptor token = procs.openReadDescriptorProc(block->descriptor, keys);
    if (token != nullptr) {
        // The host's verdict on the whole read replaces the loop's own.
        bracket([&] { readKeys(procs, token, *context.settings); },
                [&] { error = procs.closeReadDescriptorProc(token); });
        disposeHandle(block->descriptor);
        block->descriptor = nullptr;
    }
    display = block->playInfo == plugInDialogDisplay;
    return error;
}

OSErr writeScriptSettings() {
    const FilterSettings& settings = *hostContext().settings;
    PIDescriptorParameters* block = descriptorBlock();
    if (block == nullptr || !canWrite(block->writeDescriptorProcs)) return noErr;
    const WriteDescriptorProcs& procs = *block->writeDescriptorProcs;
    const PIWriteDescriptor token = procs.openWriteDescriptorProc();
    if (token == nullptr) return errMissingParameter;
    bracket(
        [&] {
            procs.putIntegerProc(token, kKeyNoiseLevel, settings.noiseLevel);
            procs.putIntegerProc(token, kKeyContourLevel, settings.contourLevel);
            procs.putBooleanProc(token, kKeyPerPixel, settings.perPixel);
        },
        [&] {
            disposeHandle(block->descriptor);
            PIDescriptorHandle recorded = nullptr;
            procs.closeWriteDescriptorProc(token, &recorded);
            block->descriptor = recorded;
            block->recordInfo = plugInDialogOptional;
        });
    return noErr;
}

}  // namespace hushpix
