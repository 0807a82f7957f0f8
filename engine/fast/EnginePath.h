// Which implementation of the engine runs: the plain reference, or the fast
// path with the widest instruction set this CPU has. Chosen once per
// process; HUSHPIX_ENGINE_PATH forces one, and so can a benchmark.
#pragma once

namespace hushpix::fast {

enum class EnginePath {
    kReference,  // the plain implementation, the definition of the results
    kScalar,     // the fast algorithm without vector instructions
    kSse2,       // 128-bit vectors; the exact fused multiply-add in software
    kAvxFma,     // 256-bit vectors with the hardware fused multiply-add
    kAvx2Fma,    // the same, with 256-bit integer vectors as well
};

// Every fast path, the widest instruction set first.
inline constexpr EnginePath kFastPaths[] = {EnginePath::kAvx2Fma, EnginePath::kAvxFma,
                                            EnginePath::kSse2, EnginePath::kScalar};

const char* enginePathName(EnginePath path);

// Whether this CPU (and its operating system) can run the path.
bool cpuCanRun(EnginePath path);

// The path reduceNoise takes: HUSHPIX_ENGINE_PATH (reference, scalar, sse2,
// avx-fma, avx2-fma) when it names one that this CPU can run, otherwise the fastest
// that it can run. Decided on first use.
EnginePath selectedEnginePath();

// Makes reduceNoise take `path` from now on, if this CPU can run it: for
// benchmarks that compare paths through the whole plug-in in one process.
void forceEnginePath(EnginePath path);

}  // namespace hushpix::fast
