// The AVX and FMA kernels, for CPUs without AVX2. Compiled with -mavx
// -mfma.
#include "engine/fast/AvxIsa.h"

namespace hushpix::fast {

namespace {

constexpr PathKernels kAvxFma = kernelsFor<AvxFmaIsa>();

}  // namespace

const PathKernels& avxFmaKernels() { return kAvxFma; }

}  // namespace hushpix::fast
