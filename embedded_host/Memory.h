// The host's handles and buffers: real memory, counted, with a switch that
// makes the n-th allocation fail.
#pragma once

#include <map>
#include <memory>
#include <vector>

#include "embedded_host/EmbeddedHost.h"
#include "hostapi/BufferProcs.h"
#include "hostapi/HandleProcs.h"

namespace embedded_host {

// A block whose address does not move while it lives. A handle is the
// address of its `data` cell; a buffer ID is the address of the block.
struct MemoryBlock {
    char* data = nullptr;
    std::vector<char> bytes;
};

class BlockHeap {
public:
    // Null when the allocation is made to fail.
    MemoryBlock* allocate(std::int32_t size);
    void release(MemoryBlock* block);
    char* lock(MemoryBlock* block);
    void unlock(MemoryBlock* block);
    bool owns(MemoryBlock* block) const { return blocks_.count(block) != 0; }
    void resize(MemoryBlock* block, std::int32_t size);

    MemoryCounts counts;
    int attempts = 0;          // allocations asked for since the count was reset
    int failAllocationAt = 0;  // the attempt that fails; 0 none
    bool failLocks = false;    // every lock answers null

private:
    std::map<MemoryBlock*, std::unique_ptr<MemoryBlock>> blocks_;
};

hostapi::Handle asHandle(MemoryBlock* block);
MemoryBlock* blockOf(hostapi::Handle handle);

// Function tables over the heaps of the session that is calling the
// plug-in now.
hostapi::HandleProcs handleProcsTable();
hostapi::BufferProcs bufferProcsTable();

}  // namespace embedded_host
