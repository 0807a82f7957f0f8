#include "host/FilterImage.h"

#include "engine/ReduceNoise.h"
#include "engine/WorkBuffers.h"
#include "host/HostChecks.h"
#include "host/HostContext.h"
#include "host/Rectangles.h"
#include "host/TilePlan.h"

namespace hushpix {

using namespace hostapi;

namespace {

bool isEmpty(const Rectangle& rect) { return rect.right <= rect.left || rect.bottom <= rect.top; }

bool hostCanRunPass(const FilterRecord& record) {
    const BufferProcs* buffers = record.bufferProcs;
    return record.advanceState != nullptr && buffers != nullptr &&
           buffers->numBufferProcs >= kBufferProcsNeeded && buffers->allocateProc != nullptr &&
           buffers->lockProc != nullptr && buffers->unlockProc != nullptr &&
           buffers->freeProc != nullptr;
}

// The area to filter: the filter rectangle, or the selection's bounding box
// when the preview has already fetched the mask in this call.
Rectangle passArea(const FilterRecord& record, const EngineState& engine) {
    if (record.haveMask && record.maskData != nullptr) return engine.selectionBounds;
    return getFilterRect();
}

// Runs one tile; returns false when the pass must stop.
bool runTile(const Tile& tile, std::int32_t done, std::int32_t total) {
    HostContext& context = hostContext();
    FilterRecord& record = *context.filterRecord;
    setInRect(tile.rect);
    setOutRect(tile.rect);
    if (record.haveMask) setMaskRect(tile.rect);

    OSErr error = record.advanceState();
    // A host that answers success but delivers something else than the
    // tile would have the engine read or write outside its buffers.
    if (error == noErr) error = checkDelivery(record, tile.rect);
    *context.resultCell = error;
    if (error != noErr) return false;

    const Rectangle out = getOutRect();
    const auto* mask = record.haveMask ? static_cast<const std::uint8_t*>(record.maskData) : nullptr;
    // The host's own row strides: a host may pad its rows.
    reduceNoise(*context.engine, context.settings->perPixel != 0, record.inData, record.outData, mask,
                record.maskRowBytes, out.right - out.left, out.bottom - out.top, record.depth,
                tile.lastSkippedColumn, tile.lastSkippedRow, record.inRowBytes, record.outRowBytes);

    if (record.progressProc != nullptr) record.progressProc(done, total);
    if (record.abortProc != nullptr && record.abortProc()) {
        *context.resultCell = userCanceledErr;
        return false;
    }
    return true;
}

void runTiles(const TilePlan& plan) {
    const std::int32_t total = plan.columns * plan.rows;
    std::int32_t done = 0;
    bool running = true;
    for (std::int32_t row = 0; running && row < plan.rows; ++row) {
        for (std::int32_t column = 0; running && column < plan.columns; ++column) {
            running = runTile(tileAt(plan, row, column), ++done, total);
        }
    }
}

}  // namespace

void filterImage() {
    HostContext& context = hostContext();
    FilterRecord& record = *context.filterRecord;
    EngineState& engine = *context.engine;

    record.inLoPlane = 0;
    record.inHiPlane = 2;
    record.outLoPlane = 0;
    record.outHiPlane = 2;

    const Rectangle area = passArea(record, engine);
    if (isEmpty(area)) return;
    if (!hostCanRunPass(record)) {
        *context.resultCell = errPlugInHostInsufficient;
        return;
    }
    if (const OSErr error = checkPassArea(area)) {
        *context.resultCell = error;
        return;
    }

    deriveKernel(*context.settings, engine);
    const TilePlan plan =
        planTiles(area, engine.kernelLength, record.outTileWidth, record.outTileHeight);

    // The buffers go back on every way out, an exception included; not
    // from a destructor, where a host function that throws would end the
    // host's process.
    try {
        const OSErr allocation = allocateWorkBuffers(engine, *record.bufferProcs, plan.bufferWidth,
                                                     plan.bufferHeight, record.depth);
        if (allocation == noErr) {
            record.inputRate = kFixedOne;
            record.maskRate = kFixedOne;
            runTiles(plan);
        } else {
            *context.resultCell = allocation;
        }
    } catch (...) {
        freeWorkBuffers(engine, *record.bufferProcs);
        throw;
    }
    freeWorkBuffers(engine, *record.bufferProcs);
}

}  // namespace hushpix
