#include "host/TilePlan.h"

#include <algorithm>

namespace hushpix {

namespace {

constexpr std::int32_t kMinimumTile = 256;

std::int32_t roundUpToMultiple(std::int32_t value, std::int32_t multiple) {
    return (value + multiple - 1) / multiple * multiple;
}

// Origin of a tile, with a margin before it where the image has room for one.
std::int32_t withMargin(std::int32_t origin, std::int32_t margin) {
    return origin > margin ? origin - margin : origin;
}

}  // namespace

TilePlan planTiles(const Rectangle& area, std::int32_t kernelLength, std::int32_t hostTileWidth,
                   std::int32_t hostTileHeight) {
    TilePlan plan{};
    plan.area = area;
    plan.kernelLength = kernelLength;
    plan.margin = 2 * kernelLength;
    const std::int32_t width = area.right - area.left;
    const std::int32_t height = area.bottom - area.top;
    const std::int32_t tileWidth = std::max(hostTileWidth, kMinimumTile);
    const std::int32_t tileHeight = std::max(hostTileHeight, kMinimumTile);
    const std::int32_t hostColumns = (width + tileWidth - 1) / tileWidth;
    const std::int32_t hostRows = (height + tileHeight - 1) / tileHeight;
    plan.stepX = roundUpToMultiple(width / hostColumns + 1, plan.margin);
    plan.stepY = roundUpToMultiple(height / hostRows + 1, plan.margin);
    plan.columns = (width + plan.stepX - 1) / plan.stepX;
    plan.rows = (height + plan.stepY - 1) / plan.stepY;
    plan.bufferWidth = plan.stepX + 2 * plan.margin;
    plan.bufferHeight = plan.stepY + 2 * plan.margin;
    return plan;
}

Tile tileAt(const TilePlan& plan, std::int32_t row, std::int32_t column) {
    Tile tile{};
    tile.lastSkippedRow = row == 0 ? -1 : std::min(plan.stepY, plan.kernelLength);
    tile.lastSkippedColumn = column == 0 ? -1 : std::min(plan.stepX, plan.kernelLength);
    const std::int32_t top = withMargin(plan.area.top + row * plan.stepY, plan.margin);
    const std::int32_t left = withMargin(plan.area.left + column * plan.stepX, plan.margin);
    tile.rect.top = top;
    tile.rect.left = left;
    tile.rect.bottom = std::min(top + plan.stepY + plan.margin, plan.area.bottom);
    tile.rect.right = std::min(left + plan.stepX + plan.margin, plan.area.right);
    return tile;
}

}  // namespace hushpix
