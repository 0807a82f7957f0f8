// The same kernels for CPUs with AVX2 and FMA. Compiled with -mavx2 -mfma:
// the vertical pass is the same, the integer work of the contour marking
// and the despeckle twice as wide.
#include "engine/fast/AvxIsa.h"

namespace hushpix::fast {

namespace {

constexpr PathKernels kAvx2Fma = kernelsFor<AvxFmaIsa>();

}  // namespace

const PathKernels& avx2FmaKernels() { return kAvx2Fma; }

}  // namespace hushpix::fast
