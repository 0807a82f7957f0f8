#include "embedded_host/Session.h"

#include <algorithm>
#include <optional>

#include "embedded_host/HostPlatform.h"
#include "embedded_host/ImageTransfer.h"

namespace embedded_host {

using namespace hostapi;

namespace {

Session*& activeSession() {
    static Session* session = nullptr;
    return session;
}

// Makes a session current for the length of one plug-in call.
class CallScope {
public:
    explicit CallScope(Session& session) : previous_(activeSession()) {
        activeSession() = &session;
        sharedBasicSuite() = session.basicSuite;
    }
    ~CallScope() {
        activeSession() = previous_;
        sharedBasicSuite() = previous_ ? previous_->basicSuite : basicSuiteTable();
    }
    CallScope(const CallScope&) = delete;
    CallScope& operator=(const CallScope&) = delete;

private:
    Session* previous_;
};

int16 clamp16(std::int32_t value) { return int16(std::clamp<std::int32_t>(value, -32768, 32767)); }

Rect asRect(const Area& area) {
    return Rect{clamp16(area.top), clamp16(area.left), clamp16(area.bottom), clamp16(area.right)};
}

VRect asVRect(const Area& area) { return VRect{area.top, area.left, area.bottom, area.right}; }

Area fromRect(const Rect& rect) { return Area{rect.top, rect.left, rect.bottom, rect.right}; }

Area fromVRect(const VRect& rect) { return Area{rect.top, rect.left, rect.bottom, rect.right}; }

bool usesBigDocument(const Session& session) {
    return session.record.bigDocumentData != nullptr &&
           session.bigDocument.PluginUsing32BitCoordinates != 0;
}

// The rectangle the plug-in asks for, from the fields it writes.
Area requested(const Session& session, Rect FilterRecord::*small, VRect BigDocumentStruct::*big) {
    return usesBigDocument(session) ? fromVRect(session.bigDocument.*big)
                                    : fromRect(session.record.*small);
}

void reportDelivered(Session& session, Rect FilterRecord::*small, VRect BigDocumentStruct::*big,
            const Area& area) {
    session.record.*small = asRect(area);
    session.bigDocument.*big = asVRect(area);
}

Boolean HOSTAPI testAbort() {
    const Session& session = currentSession();
    const std::int32_t after = session.options.abortAfterTiles;
    return after > 0 && std::int32_t(session.report.tiles.size()) >= after;
}

void HOSTAPI updateProgress(int32 done, int32 total) {
    Session& session = currentSession();
    session.report.progress.emplace_back(done, total);
    if (session.options.progress) session.options.progress(done, total);
}

OSErr HOSTAPI advanceState() { return currentSession().advance(); }

int16 tileSize(std::int32_t size) { return int16(std::clamp<std::int32_t>(size, 0, 32767)); }

}  // namespace

Session& currentSession() { return *activeSession(); }

bool hasCurrentSession() { return activeSession() != nullptr; }

SPBasicSuite& sharedBasicSuite() {
    static SPBasicSuite table = basicSuiteTable();
    return table;
}

Session::Session(PluginModule plugin) : module(plugin) {}

Session::~Session() {
    if (parameters != nullptr) handles.release(blockOf(parameters));
    if (dataCell != 0) handles.release(blockOf(reinterpret_cast<Handle>(dataCell)));
    for (ActionDescriptor* descriptor : actionDescriptors) delete descriptor;
}

void Session::begin(RgbImage& target, const RunOptions& runOptions) {
    image = &target;
    options = runOptions;
    filtered = target;
    report = RunReport{};
    delivered = Area{};
    advanceCalls = 0;

    const Area whole = bounds(target);
    const Area filterArea = intersection(options.filterRect.value_or(whole), whole);

    handleProcs = handleProcsTable();
    bufferProcs = bufferProcsTable();
    readProcs = readDescriptorProcsTable();
    writeProcs = writeDescriptorProcsTable();
    basicSuite = basicSuiteTable();

    descriptorBlock = PIDescriptorParameters{};
    descriptorBlock.descriptorParametersVersion = kDescriptorParametersVersion;
    descriptorBlock.playInfo = options.showDialog ? plugInDialogDisplay : plugInDialogDontDisplay;
    descriptorBlock.recordInfo = plugInDialogOptional;
    descriptorBlock.readDescriptorProcs = &readProcs;
    descriptorBlock.writeDescriptorProcs = &writeProcs;
    if (options.descriptor) {
        descriptorBlock.descriptor = storeDescriptor(handles, *options.descriptor);
    } else if (options.settings) {
        descriptorBlock.descriptor = storeDescriptor(handles, descriptorOf(*options.settings));
    }

    // Counted from here, so that the n-th allocation is the plug-in's n-th.
    handles.attempts = 0;
    handles.failAllocationAt = options.failHandleAllocationAt;
    buffers.attempts = 0;
    buffers.failAllocationAt = options.failBufferAllocationAt;

    bigDocument = BigDocumentStruct{};
    bigDocument.imageSize32 = VPoint{target.height, target.width};
    bigDocument.wholeSize32 = bigDocument.imageSize32;
    bigDocument.filterRect32 = asVRect(filterArea);

    record = FilterRecord{};
    record.abortProc = testAbort;
    record.progressProc = updateProgress;
    record.parameters = parameters;
    record.imageSize = Point{clamp16(target.height), clamp16(target.width)};
    record.planes = 3;
    record.filterRect = asRect(filterArea);
    record.maxSpace = 1 << 30;
    record.bufferSpace = 1 << 30;
    record.haveMask = options.mask != nullptr;
    record.hostSig = fourCC("HSPX");
    record.imageMode = target.depth == 16 ? plugInModeRGB48 : plugInModeRGBColor;
    record.imageHRes = 72 * kFixedOne;
    record.imageVRes = 72 * kFixedOne;
    record.wholeSize = record.imageSize;
    platform.hwnd = hostPlatform().ownerWindow;
    record.platformData = &platform;
    record.bufferProcs = &bufferProcs;
    record.displayPixels = hostPlatform().displayPixels;
    record.handleProcs = &handleProcs;
    record.advanceState = advanceState;
    record.supportsPadding = true;
    record.inputPadding = plugInWantsErrorOnBoundsException;
    record.outputPadding = plugInWantsErrorOnBoundsException;
    record.maskPadding = plugInWantsErrorOnBoundsException;
    record.inputRate = kFixedOne;
    record.maskRate = kFixedOne;
    record.outTileWidth = tileSize(options.tileWidth);
    record.outTileHeight = tileSize(options.tileHeight);
    record.descriptorParameters = options.scripting ? &descriptorBlock : nullptr;
    record.sSPBasic = options.basicSuite ? &sharedBasicSuite() : nullptr;
    record.depth = target.depth;
    record.bigDocumentData = options.bigDocument ? &bigDocument : nullptr;
    installFaults(*this);
}

std::int16_t Session::call(std::int16_t selector) {
    record.parameters = parameters;
    const std::int16_t result = callWith(selector, &record);
    parameters = record.parameters;
    report.usedBigDocument = report.usedBigDocument || usesBigDocument(*this);
    return result;
}

std::int16_t Session::callWith(std::int16_t selector, void* pluginRecord) {
    CallScope scope(*this);
    int16 result = noErr;
    report.selectors.push_back(selector);
    calling = selector;
    module.entry(selector, pluginRecord, &dataCell, &result);
    calling.reset();
    return result;
}

std::int16_t Session::advance() {
    copyIn(outPlane, delivered, record.outRowBytes, filtered);
    delivered = Area{};
    record.inData = record.outData = record.maskData = nullptr;

    const Area in = requested(*this, &FilterRecord::inRect, &BigDocumentStruct::inRect32);
    const Area out = requested(*this, &FilterRecord::outRect, &BigDocumentStruct::outRect32);
    const Area mask = requested(*this, &FilterRecord::maskRect, &BigDocumentStruct::maskRect32);
    if (++advanceCalls == options.failAdvanceStateAt) return options.advanceStateError;

    const std::int32_t bytes = pixelBytes(*image);
    // Padding in whole samples: hosts never hand out misaligned 16-bit rows.
    const std::int32_t sampleBytes = bytes / 3;
    const std::int32_t padding = (options.rowPadding + sampleBytes - 1) / sampleBytes * sampleBytes;
    // As a photo editor does, a rectangle inside the image is handed over in
    // the image's own rows, the input read from the image and the output
    // written straight into the filtered copy: no copying. One that needs
    // padding, or rows padded on request, gets a plane of its own.
    const bool inPlace = options.rowPadding == 0;
    // Where the plug-in finds `area` of `from`, rows `rowBytes` apart; none
    // when its padding choice refuses an area beyond the image. (The
    // record's fields are assigned, never bound to: its layout packs them.)
    struct Delivery {
        void* data;
        std::int32_t rowBytes;
    };
    auto deliver = [&](RgbImage& from, const Area& area, std::int16_t paddingChoice,
                       std::vector<std::uint8_t>& plane) -> std::optional<Delivery> {
        if (std::uint8_t* pixels = inPlace ? pixelsInPlace(from, area) : nullptr) {
            return Delivery{pixels, from.width * bytes};
        }
        const std::int32_t rowBytes = (area.right - area.left) * bytes + padding;
        if (!copyOut(from, area, paddingChoice, rowBytes, plane)) return std::nullopt;
        return Delivery{plane.data(), rowBytes};
    };
    if (!isEmpty(in)) {
        const std::optional<Delivery> input = deliver(*image, in, record.inputPadding, inPlane);
        if (!input) return paramErr;
        record.inData = input->data;
        record.inRowBytes = input->rowBytes;
    }
    if (!isEmpty(out)) {
        const std::optional<Delivery> output =
            deliver(filtered, out, record.outputPadding, outPlane);
        if (!output) return paramErr;
        record.outData = output->data;
        record.outRowBytes = output->rowBytes;
        // An output in a plane of its own goes back into the filtered copy
        // at the next delivery or at the end.
        if (output->data == outPlane.data()) delivered = out;
        if (calling == filterSelectorStart) report.tiles.push_back(out);
    }
    if (!isEmpty(mask) && options.mask != nullptr) {
        record.maskRowBytes = (mask.right - mask.left) + options.rowPadding;
        if (!copyMaskOut(*options.mask, *image, mask, record.maskPadding, record.maskRowBytes,
                         maskPlane)) {
            return paramErr;
        }
        record.maskData = maskPlane.data();
    }
    reportDelivered(*this, &FilterRecord::inRect, &BigDocumentStruct::inRect32, in);
    reportDelivered(*this, &FilterRecord::outRect, &BigDocumentStruct::outRect32, out);
    reportDelivered(*this, &FilterRecord::maskRect, &BigDocumentStruct::maskRect32, mask);
    return noErr;
}

bool Session::requestsData() const {
    return !isEmpty(requested(*this, &FilterRecord::inRect, &BigDocumentStruct::inRect32)) ||
           !isEmpty(requested(*this, &FilterRecord::outRect, &BigDocumentStruct::outRect32)) ||
           !isEmpty(requested(*this, &FilterRecord::maskRect, &BigDocumentStruct::maskRect32));
}

void Session::end(bool keep) {
    copyIn(outPlane, delivered, record.outRowBytes, filtered);
    delivered = Area{};
    if (keep) {
        const Area area = fromVRect(bigDocument.filterRect32);
        // Every pixel taken as filtered: the copy becomes the image.
        if (options.mask == nullptr && area == bounds(*image)) {
            image->bytes.swap(filtered.bytes);
        } else {
            mergeFiltered(filtered, area, options.mask, *image);
        }
    }
    if (descriptorBlock.descriptor != nullptr) {
        handles.release(blockOf(descriptorBlock.descriptor));
        descriptorBlock.descriptor = nullptr;
    }
    report.handles = handles.counts;
    report.buffers = buffers.counts;
    report.actionDescriptorsLive = int(actionDescriptors.size());
    report.suitesHeld = suitesHeld;
    report.descriptorTokensOpen = descriptorTokensOpen;
    report.calls = faultState.calls;
    image = nullptr;
}

}  // namespace embedded_host
