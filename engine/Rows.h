// Rows of an image whose rows lie `rowBytes` apart, as a host lays them out.
#pragma once

#include <cstddef>
#include <cstdint>

namespace hushpix {

template <typename Sample>
const Sample* imageRow(const void* base, std::ptrdiff_t rowBytes, std::int32_t y) {
    return reinterpret_cast<const Sample*>(static_cast<const char*>(base) + rowBytes * y);
}

template <typename Sample>
Sample* imageRow(void* base, std::ptrdiff_t rowBytes, std::int32_t y) {
    return reinterpret_cast<Sample*>(static_cast<char*>(base) + rowBytes * y);
}

}  // namespace hushpix
