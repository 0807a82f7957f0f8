// Everything one fast noise-reduction pass needs, gathered once so that the
// kernels of every instruction set take the same plain record.
#pragma once

#include <cstddef>
#include <cstdint>

namespace hushpix::fast {

struct FastJob {
    const void* source;
    std::ptrdiff_t sourceRowBytes;
    void* destination;
    std::ptrdiff_t destinationRowBytes;
    const std::uint8_t* mask;  // null: every pixel is selected
    std::int32_t maskRowBytes;
    std::int32_t width;
    std::int32_t height;
    bool sixteenBit;
    std::int32_t lastSkippedColumn;
    std::int32_t lastSkippedRow;

    // The engine's working buffers, each width x height pixels.
    void* luminance;       // one sample per pixel
    std::uint8_t* labels;  // the region map
    float* sums;           // three floats per pixel, laid out as the kernels like

    const float* weights;       // 2 * radius + 1 taps
    const double* wideWeights;  // the same as doubles
    // For the vertical pass's sums in the shorter order (reorderedColumnSums):
    // on each side, the sum of the weights of taps k + 1 to radius, for
    // 0 <= k <= radius. Null when the weights do not allow that order.
    const double* weightsPastAbove;
    const double* weightsPastBelow;
    std::int32_t radius;
    // The vertical pass works in pieces of this many rows, each starting at
    // a multiple of it; sumsOfEveryRow: see sumsInBuffer.
    std::int32_t rowsPerPiece;
    bool sumsOfEveryRow;
};

// Whether the vertical pass finds row y's horizontal sums in the working
// buffer, where the horizontal pass put them before it started, rather
// than working them out itself as it walks down its piece of rows (which
// saves writing them out and reading them back). Every row's are there when
// the destination may overlap the source: a piece must not read source
// rows that another has written. Else only those of rows that two pieces
// need: within radius of a boundary between pieces.
inline bool sumsInBuffer(const FastJob& job, std::int32_t y) {
    if (job.sumsOfEveryRow) return true;
    const std::int32_t offset = y % job.rowsPerPiece;
    const std::int32_t pieceStart = y - offset;
    return (pieceStart > 0 && offset < job.radius) ||
           (pieceStart + job.rowsPerPiece < job.height && job.rowsPerPiece - offset <= job.radius);
}

// The horizontal sums of row y, channel c: the fast path keeps each row as
// three planes of `width` floats, which suits loads across neighbouring
// pixels. The buffer holds the same number of floats as the interleaved
// layout.
inline float* sumsPlane(const FastJob& job, std::int32_t y, int channel) {
    return job.sums + (std::ptrdiff_t(y) * 3 + channel) * job.width;
}

}  // namespace hushpix::fast
