// How the whole-image pass cuts an area into overlapping tiles.
#pragma once

#include <cstdint>

#include "engine/Settings.h"

namespace hushpix {

struct TilePlan {
    Rectangle area;
    std::int32_t margin;  // M: twice the kernel length, the context a tile reads
    std::int32_t kernelLength;
    std::int32_t stepX, stepY;  // distance between tile origins, multiples of M
    std::int32_t columns, rows;
    std::int32_t bufferWidth, bufferHeight;  // what the working buffers must hold
};

struct Tile {
    Rectangle rect;
    std::int32_t lastSkippedColumn;
    std::int32_t lastSkippedRow;
};

// Tiles of at least 256 x 256 pixels (or the host's larger preferred tile),
// the area split evenly among as many host-sized tiles as would cover it,
// with steps rounded up to a multiple of the margin. `area` must not be
// empty.
TilePlan planTiles(const Rectangle& area, std::int32_t kernelLength, std::int32_t hostTileWidth,
                   std::int32_t hostTileHeight);

// The tile in the given row and column of the plan. Tiles after the first
// in a row or column start a margin before their origin, where the image
// has one, and leave the pixels that the earlier tile already wrote with
// full context as they are.
Tile tileAt(const TilePlan& plan, std::int32_t row, std::int32_t column);

}  // namespace hushpix
