// Settings read from fuzzed scripting descriptors and registry entries,
// through the whole plug-in in the embedded host: whatever the keys, types,
// repeats and values, a run ends with a result code and gives back
// everything it took from the host.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>

#include "embedded_host/EmbeddedHost.h"
#include "hostapi/Descriptors.h"

namespace {

using embedded_host::Descriptor;
using embedded_host::DescriptorItem;

// Mostly the plug-in's own keys and the two types it reads, sometimes not.
Descriptor descriptorFrom(FuzzedDataProvider& input) {
    static const std::uint32_t keys[] = {hostapi::fourCC("CGfc"), hostapi::fourCC("CGct"),
                                         hostapi::fourCC("CGpp")};
    static const std::uint32_t types[] = {hostapi::typeInteger, hostapi::typeBoolean};
    Descriptor descriptor(input.ConsumeIntegralInRange<std::size_t>(0, 6));
    for (DescriptorItem& item : descriptor) {
        item.key = input.ConsumeBool() ? input.PickValueInArray(keys)
                                       : input.ConsumeIntegral<std::uint32_t>();
        item.type = input.ConsumeBool() ? input.PickValueInArray(types)
                                        : input.ConsumeIntegral<std::uint32_t>();
        item.value = input.ConsumeIntegral<std::int32_t>();
    }
    return descriptor;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    embedded_host::RunOptions options;
    options.showDialog = input.ConsumeBool();
    options.descriptor = descriptorFrom(input);
    options.faults.registry["d9543o0d-3a91-11v4-97ov-00u0r0204937"] = descriptorFrom(input);
    embedded_host::RgbImage image{5, 4, 8, {}};
    image.bytes = input.ConsumeBytes<std::uint8_t>(5 * 4 * 3);
    image.bytes.resize(5 * 4 * 3, 128);

    const embedded_host::RunReport report = embedded_host::applyFilter(image, options);
    const bool heldOnto = report.buffers.live() != 0 || report.handles.live() > 2 ||
                          report.actionDescriptorsLive != 0 || report.suitesHeld != 0 ||
                          report.descriptorTokensOpen != 0 || report.handles.invalid != 0;
    if (report.result != 0 || heldOnto) std::abort();
    return 0;
}
