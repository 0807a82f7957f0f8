// Rows of the job's source and destination, for the kernel headers; with
// internal linkage like them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/fast/FastJob.h"

namespace hushpix::fast {
namespace {

template <typename Sample>
const Sample* sourceRow(const FastJob& job, std::int32_t y) {
    return reinterpret_cast<const Sample*>(static_cast<const char*>(job.source) +
                                           job.sourceRowBytes * y);
}

template <typename Sample>
Sample* destinationRow(const FastJob& job, std::int32_t y) {
    return reinterpret_cast<Sample*>(static_cast<char*>(job.destination) +
                                     job.destinationRowBytes * y);
}

}  // namespace
}  // namespace hushpix::fast
