#include "embedded_host/Memory.h"

#include <algorithm>

#include "embedded_host/Session.h"

namespace embedded_host {

using namespace hostapi;

MemoryBlock* BlockHeap::allocate(std::int32_t size) {
    if (++attempts == failAllocationAt || size < 0) return nullptr;
    ++counts.allocated;
    counts.bytes += size;
    counts.peakBytes = std::max(counts.peakBytes, counts.bytes);
    auto block = std::make_unique<MemoryBlock>();
    block->bytes.assign(std::size_t(size), 0);
    block->data = block->bytes.data();
    MemoryBlock* address = block.get();
    blocks_.emplace(address, std::move(block));
    return address;
}

void BlockHeap::release(MemoryBlock* block) {
    const auto found = blocks_.find(block);
    if (found == blocks_.end()) {
        ++counts.invalid;
        return;
    }
    counts.bytes -= std::int64_t(block->bytes.size());
    blocks_.erase(found);
    ++counts.freed;
}

char* BlockHeap::lock(MemoryBlock* block) {
    if (!owns(block)) {
        ++counts.invalid;
        return nullptr;
    }
    if (failLocks) return nullptr;
    ++counts.locked;
    return block->data;
}

void BlockHeap::unlock(MemoryBlock* block) {
    if (!owns(block)) {
        ++counts.invalid;
        return;
    }
    ++counts.unlocked;
}

void BlockHeap::resize(MemoryBlock* block, std::int32_t size) {
    counts.bytes += size - std::int64_t(block->bytes.size());
    counts.peakBytes = std::max(counts.peakBytes, counts.bytes);
    block->bytes.resize(std::size_t(size));
    block->data = block->bytes.data();
}

Handle asHandle(MemoryBlock* block) { return block != nullptr ? &block->data : nullptr; }

MemoryBlock* blockOf(Handle handle) {
    // `data` is the block's first member, so the handle is the block's address.
    return reinterpret_cast<MemoryBlock*>(handle);
}

namespace {

BlockHeap& handles() { return currentSession().handles; }
BlockHeap& buffers() { return currentSession().buffers; }

MemoryBlock* bufferBlock(BufferID id) { return reinterpret_cast<MemoryBlock*>(id); }

Handle HOSTAPI newHandle(int32 size) { return asHandle(handles().allocate(size)); }
void HOSTAPI disposeHandle(Handle h) { handles().release(blockOf(h)); }
int32 HOSTAPI handleSize(Handle h) {
    return handles().owns(blockOf(h)) ? int32(blockOf(h)->bytes.size()) : 0;
}
OSErr HOSTAPI setHandleSize(Handle h, int32 size) {
    if (!handles().owns(blockOf(h)) || size < 0) return paramErr;
    handles().resize(blockOf(h), size);
    return noErr;
}
Ptr HOSTAPI lockHandle(Handle h, Boolean) { return handles().lock(blockOf(h)); }
void HOSTAPI unlockHandle(Handle h) { handles().unlock(blockOf(h)); }
void HOSTAPI recoverSpace(int32) {}

OSErr HOSTAPI allocateBuffer(int32 size, BufferID* id) {
    MemoryBlock* block = buffers().allocate(size);
    if (block == nullptr) return memFullErr;
    *id = reinterpret_cast<BufferID>(block);
    return noErr;
}
Ptr HOSTAPI lockBuffer(BufferID id, Boolean) { return buffers().lock(bufferBlock(id)); }
void HOSTAPI unlockBuffer(BufferID id) { buffers().unlock(bufferBlock(id)); }
void HOSTAPI freeBuffer(BufferID id) { buffers().release(bufferBlock(id)); }
int32 HOSTAPI bufferSpace() { return 1 << 30; }

}  // namespace

HandleProcs handleProcsTable() {
    HandleProcs procs{};
    procs.handleProcsVersion = kHandleProcsVersion;
    procs.numHandleProcs = kNumHandleProcs;
    procs.newProc = newHandle;
    procs.disposeProc = disposeHandle;
    procs.getSizeProc = handleSize;
    procs.setSizeProc = setHandleSize;
    procs.lockProc = lockHandle;
    procs.unlockProc = unlockHandle;
    procs.recoverSpaceProc = recoverSpace;
    procs.disposeRegularHandleProc = disposeHandle;
    return procs;
}

// The five slots that every host fills.
BufferProcs bufferProcsTable() {
    BufferProcs procs{};
    procs.bufferProcsVersion = kBufferProcsVersion;
    procs.numBufferProcs = 5;
    procs.allocateProc = allocateBuffer;
    procs.lockProc = lockBuffer;
    procs.unlockProc = unlockBuffer;
    procs.freeProc = freeBuffer;
    procs.spaceProc = bufferSpace;
    return procs;
}

}  // namespace embedded_host
