#include "engine/fast/EnginePath.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace hushpix::fast {

namespace {

EnginePath choosePath() {
    if (const char* forced = std::getenv("HUSHPIX_ENGINE_PATH")) {
        if (std::strcmp(forced, enginePathName(EnginePath::kReference)) == 0) {
            return EnginePath::kReference;
        }
        for (EnginePath path : kFastPaths) {
            if (std::strcmp(forced, enginePathName(path)) == 0 && cpuCanRun(path)) return path;
        }
    }
    for (EnginePath path : kFastPaths) {
        if (cpuCanRun(path)) return path;
    }
    return EnginePath::kScalar;
}

}  // namespace

const char* enginePathName(EnginePath path) {
    switch (path) {
        case EnginePath::kReference: return "reference";
        case EnginePath::kScalar: return "scalar";
        case EnginePath::kSse2: return "sse2";
        case EnginePath::kAvxFma: return "avx-fma";
        case EnginePath::kAvx2Fma: return "avx2-fma";
    }
    return "unknown";
}

bool cpuCanRun(EnginePath path) {
    switch (path) {
        case EnginePath::kReference:
        case EnginePath::kScalar: return true;
#if defined(HUSHPIX_X86)
        // libgcc's feature test also asks the operating system whether it
        // saves the 256-bit registers, so "avx" is only true where they work.
        case EnginePath::kSse2: return __builtin_cpu_supports("sse2");
        case EnginePath::kAvxFma:
            return __builtin_cpu_supports("avx") && __builtin_cpu_supports("fma");
        case EnginePath::kAvx2Fma:
            return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
#else
        case EnginePath::kSse2:
        case EnginePath::kAvxFma:
        case EnginePath::kAvx2Fma: return false;
#endif
    }
    return false;
}

namespace {

std::atomic<EnginePath>& chosenPath() {
    static std::atomic<EnginePath> path{choosePath()};
    return path;
}

}  // namespace

EnginePath selectedEnginePath() { return chosenPath().load(std::memory_order_relaxed); }

void forceEnginePath(EnginePath path) {
    if (cpuCanRun(path)) chosenPath().store(path, std::memory_order_relaxed);
}

}  // namespace hushpix::fast
