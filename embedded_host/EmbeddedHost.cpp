#include "embedded_host/EmbeddedHost.h"

#include "embedded_host/Session.h"

namespace embedded_host {

using namespace hostapi;

Host::Host(PluginModule module) : session_(std::make_unique<Session>(module)) {}

Host::~Host() = default;

namespace {

// An image whose bytes do not match its size, or a mask that does not
// cover it, would have the host read past its end.
bool consistent(const RgbImage& image, const RunOptions& options) {
    if ((image.depth != 8 && image.depth != 16) || image.width < 0 || image.height < 0) return false;
    const std::size_t pixels = std::size_t(image.width) * std::size_t(image.height);
    if (image.bytes.size() != pixels * (image.depth == 16 ? 6 : 3)) return false;
    return options.mask == nullptr || options.mask->size() == pixels;
}

}  // namespace

RunReport Host::apply(RgbImage& image, const RunOptions& options) {
    if (!consistent(image, options)) {
        RunReport report;
        report.result = paramErr;
        return report;
    }
    Session& session = *session_;
    session.begin(image, options);
    // Each step that fails ends the run; the image then stays as it was.
    auto stop = [&session](std::int16_t result) {
        session.end(false);
        session.report.result = result;
        return session.report;
    };

    if (!session.ranParameters || options.runParameters) {
        if (const std::int16_t result = session.call(filterSelectorParameters)) return stop(result);
        session.ranParameters = true;
    }
    if (const std::int16_t result = session.call(filterSelectorPrepare)) return stop(result);
    if (const std::int16_t result = session.call(filterSelectorStart)) return stop(result);
    while (session.requestsData()) {
        if (const std::int16_t result = session.advance()) return stop(result);
        if (const std::int16_t result = session.call(filterSelectorContinue)) return stop(result);
    }
    const std::int16_t result = session.call(filterSelectorFinish);
    if (session.descriptorBlock.descriptor != nullptr) {
        session.report.recorded = loadDescriptor(session.descriptorBlock.descriptor);
    }
    session.end(true);
    session.report.result = result;
    return session.report;
}

RunReport Host::about() {
    Session& session = *session_;
    RgbImage none;
    session.begin(none, RunOptions{});
    AboutRecord record{};
    record.platformData = &session.platform;
    record.sSPBasic = &sharedBasicSuite();
    const std::int16_t result = session.callWith(filterSelectorAbout, &record);
    session.end(false);
    session.report.result = result;
    return session.report;
}

std::optional<Descriptor> Host::registryEntry(const std::string& key) const {
    const auto entry = session_->registry.find(key);
    if (entry == session_->registry.end()) return std::nullopt;
    return entry->second;
}

RunReport applyFilter(RgbImage& image, const RunOptions& options) {
    return Host().apply(image, options);
}

}  // namespace embedded_host
