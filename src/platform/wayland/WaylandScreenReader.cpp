#include "platform/wayland/WaylandScreenReader.h"

#include <poll.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <numeric>
#include <stdexcept>
#include <string>

#include "log/ToolLog.h"
#include "platform/wayland/ShmPixelLayout.h"
#include "wlr-screencopy-unstable-v1-client-protocol.h"
#include "xdg-output-unstable-v1-client-protocol.h"

namespace sentrel {

namespace {

// A frame is normally copied at the output's next repaint; an output that
// never repaints (switched off, say) must not hold the window up for long.
constexpr std::chrono::milliseconds kFrameWait{1000};
// The newest requests that this reader knows how to use.
constexpr std::uint32_t kScreencopyVersion = 3;
constexpr std::uint32_t kOutputVersion = 4;
constexpr std::uint32_t kXdgOutputVersion = 3;

// Whole pixels along one side of an output per whole logical units, in
// lowest terms: a region asked in logical units begins and ends on whole
// pixels where it begins and ends on a multiple of `units`.
struct Step {
    std::int64_t pixels, units;
};

Step StepOf(std::int32_t pixels, std::int32_t units) {
    const std::int64_t common = std::gcd(std::int64_t{pixels}, std::int64_t{units});
    return {pixels / common, units / common};
}

}  // namespace

struct WaylandScreenReader::Frame {
    std::uint32_t format = 0, width = 0, height = 0, stride = 0;
    bool described = false;  // every buffer kind offered has been told
    bool ready = false, failed = false, yInverted = false;
};

struct RegistryEvents {
    static void Global(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
                       std::uint32_t version) {
        auto* reader = static_cast<WaylandScreenReader*>(data);
        if (std::strcmp(interface, wl_shm_interface.name) == 0) {
            reader->shm_ = static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
        } else if (std::strcmp(interface, zwlr_screencopy_manager_v1_interface.name) == 0) {
            reader->screencopyVersion_ = std::min(version, kScreencopyVersion);
            reader->screencopy_ = static_cast<zwlr_screencopy_manager_v1*>(
                wl_registry_bind(registry, name, &zwlr_screencopy_manager_v1_interface, reader->screencopyVersion_));
        } else if (std::strcmp(interface, zxdg_output_manager_v1_interface.name) == 0) {
            reader->xdgOutputs_ = static_cast<zxdg_output_manager_v1*>(wl_registry_bind(
                registry, name, &zxdg_output_manager_v1_interface, std::min(version, kXdgOutputVersion)));
            for (const auto& output : reader->outputs_) reader->DescribeLogically(*output);
        } else if (std::strcmp(interface, wl_output_interface.name) == 0) {
            auto output = std::make_unique<WaylandScreenReader::Output>();
            output->global = name;
            output->proxy = static_cast<wl_output*>(
                wl_registry_bind(registry, name, &wl_output_interface, std::min(version, kOutputVersion)));
            wl_output_add_listener(output->proxy, &kOutputEvents, output.get());
            reader->DescribeLogically(*output);
            reader->outputs_.push_back(std::move(output));
        }
    }
    static void GlobalRemove(void* data, wl_registry*, std::uint32_t name) {
        auto& outputs = static_cast<WaylandScreenReader*>(data)->outputs_;
        const auto gone =
            std::find_if(outputs.begin(), outputs.end(), [name](const auto& o) { return o->global == name; });
        if (gone == outputs.end()) return;
        Destroy(**gone);
        outputs.erase(gone);
    }

    static void Mode(void* data, wl_output*, std::uint32_t flags, std::int32_t width, std::int32_t height,
                     std::int32_t) {
        if ((flags & WL_OUTPUT_MODE_CURRENT) == 0) return;
        auto* output = static_cast<WaylandScreenReader::Output*>(data);
        output->width = width;
        output->height = height;
    }
    static void Name(void* data, wl_output*, const char* name) {
        static_cast<WaylandScreenReader::Output*>(data)->name = name;
    }
    static void Geometry(void* data, wl_output*, std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                         const char*, const char*, std::int32_t transform) {
        static_cast<WaylandScreenReader::Output*>(data)->transform = transform;
    }
    static void Done(void*, wl_output*) {}
    static void Scale(void*, wl_output*, std::int32_t) {}
    static void Description(void*, wl_output*, const char*) {}

    static void LogicalSize(void* data, zxdg_output_v1*, std::int32_t width, std::int32_t height) {
        auto* output = static_cast<WaylandScreenReader::Output*>(data);
        output->logicalWidth = width;
        output->logicalHeight = height;
    }
    static void LogicalPosition(void*, zxdg_output_v1*, std::int32_t, std::int32_t) {}
    static void LogicalDone(void*, zxdg_output_v1*) {}
    static void LogicalName(void*, zxdg_output_v1*, const char*) {}
    static void LogicalDescription(void*, zxdg_output_v1*, const char*) {}

    static void Destroy(WaylandScreenReader::Output& output) {
        if (output.logical != nullptr) zxdg_output_v1_destroy(output.logical);
        wl_output_destroy(output.proxy);
    }

    static constexpr wl_registry_listener kRegistryEvents{Global, GlobalRemove};
    static constexpr wl_output_listener kOutputEvents{Geometry, Mode, Done, Scale, Name, Description};
    static constexpr zxdg_output_v1_listener kLogicalEvents{LogicalPosition, LogicalSize, LogicalDone, LogicalName,
                                                            LogicalDescription};
};

void WaylandScreenReader::DescribeLogically(Output& output) {
    if (xdgOutputs_ == nullptr || output.logical != nullptr) return;
    output.logical = zxdg_output_manager_v1_get_xdg_output(xdgOutputs_, output.proxy);
    zxdg_output_v1_add_listener(output.logical, &RegistryEvents::kLogicalEvents, &output);
}

namespace {

using Frame = WaylandScreenReader::Frame;

void Buffer(void* data, zwlr_screencopy_frame_v1* proxy, std::uint32_t format, std::uint32_t width,
            std::uint32_t height, std::uint32_t stride) {
    auto* frame = static_cast<Frame*>(data);
    *frame = Frame{format, width, height, stride};
    // Before version 3 the shared-memory buffer is the only kind, told once.
    frame->described = zwlr_screencopy_frame_v1_get_version(proxy) < 3;
}
void Flags(void* data, zwlr_screencopy_frame_v1*, std::uint32_t flags) {
    static_cast<Frame*>(data)->yInverted = (flags & ZWLR_SCREENCOPY_FRAME_V1_FLAGS_Y_INVERT) != 0;
}
void Ready(void* data, zwlr_screencopy_frame_v1*, std::uint32_t, std::uint32_t, std::uint32_t) {
    static_cast<Frame*>(data)->ready = true;
}
void Failed(void* data, zwlr_screencopy_frame_v1*) { static_cast<Frame*>(data)->failed = true; }
void Damage(void*, zwlr_screencopy_frame_v1*, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t) {}
void LinuxDmabuf(void*, zwlr_screencopy_frame_v1*, std::uint32_t, std::uint32_t, std::uint32_t) {}
void BufferDone(void* data, zwlr_screencopy_frame_v1*) { static_cast<Frame*>(data)->described = true; }

constexpr zwlr_screencopy_frame_v1_listener kFrameEvents{Buffer, Flags, Ready, Failed, Damage, LinuxDmabuf, BufferDone};

struct FrameProxyDestroy {
    void operator()(zwlr_screencopy_frame_v1* proxy) const { zwlr_screencopy_frame_v1_destroy(proxy); }
};

// One frame asked of the compositor. The proxy goes first, on every path,
// so that no event can reach a frame that is gone.
struct FrameRequest {
    FrameRequest(zwlr_screencopy_frame_v1* asked, PixelRect region) : seen(region), proxy(asked) {
        zwlr_screencopy_frame_v1_add_listener(asked, &kFrameEvents, &frame);
    }
    Frame frame;
    PixelRect seen;
    std::unique_ptr<zwlr_screencopy_frame_v1, FrameProxyDestroy> proxy;
};

}  // namespace

WaylandScreenReader::WaylandScreenReader(const char* display) : display_(wl_display_connect(display)) {
    if (display_ == nullptr) throw std::runtime_error("cannot connect to the Wayland compositor");
    registry_ = wl_display_get_registry(display_);
    wl_registry_add_listener(registry_, &RegistryEvents::kRegistryEvents, this);
    // The globals, then the outputs' names, modes and logical sizes.
    wl_display_roundtrip(display_);
    wl_display_roundtrip(display_);
    if (screencopy_ == nullptr || shm_ == nullptr) {
        const bool hadShm = shm_ != nullptr;
        Disconnect();
        throw std::runtime_error(hadShm ? "the compositor offers no screen copy (wlr-screencopy)"
                                        : "the compositor offers no shared memory");
    }
    if (xdgOutputs_ == nullptr) {
        Say("the compositor does not tell its outputs' logical size (xdg-output); each read copies the whole output");
    }
}

WaylandScreenReader::~WaylandScreenReader() { Disconnect(); }

void WaylandScreenReader::Disconnect() {
    if (display_ == nullptr) return;
    pieces_.clear();
    for (const auto& output : outputs_) RegistryEvents::Destroy(*output);
    outputs_.clear();
    if (xdgOutputs_ != nullptr) zxdg_output_manager_v1_destroy(xdgOutputs_);
    if (screencopy_ != nullptr) zwlr_screencopy_manager_v1_destroy(screencopy_);
    if (shm_ != nullptr) wl_shm_destroy(shm_);
    wl_registry_destroy(registry_);
    wl_display_disconnect(display_);
    display_ = nullptr;
}

WaylandScreenReader::Output* WaylandScreenReader::ChosenOutput() {
    if (outputs_.empty()) return nullptr;
    const std::string wanted = outputName_ ? outputName_() : std::string();
    const auto named = std::find_if(outputs_.begin(), outputs_.end(), [&](const auto& o) { return o->name == wanted; });
    return named != outputs_.end() ? named->get() : outputs_.front().get();
}

WaylandScreenReader::Output WaylandScreenReader::CurrentMode() {
    wl_display_dispatch_pending(display_);
    const Output* output = ChosenOutput();
    return output != nullptr ? *output : Output{};
}

bool WaylandScreenReader::WaitUntil(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + kFrameWait;
    while (!done()) {
        while (wl_display_prepare_read(display_) != 0) {
            if (wl_display_dispatch_pending(display_) < 0) return false;
            if (done()) return true;
        }
        wl_display_flush(display_);
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd fd{wl_display_get_fd(display_), POLLIN, 0};
        if (left.count() <= 0 || poll(&fd, 1, static_cast<int>(left.count())) <= 0) {
            wl_display_cancel_read(display_);
            return false;
        }
        if (wl_display_read_events(display_) != 0 || wl_display_dispatch_pending(display_) < 0) return false;
    }
    return true;
}

bool WaylandScreenReader::Capture(const Output& output, std::vector<PixelRect> regions) {
    const PixelSize size = SeenSize(output);
    const PixelRect whole{0, 0, size.width, size.height};
    // wlroots up to 0.15 (sway 1.7) turns a region the wrong way round on an
    // output turned a quarter without a flip, and copies the wrong part of it.
    const bool regionsTurnWrong =
        output.transform == WL_OUTPUT_TRANSFORM_90 || output.transform == WL_OUTPUT_TRANSFORM_270;
    std::vector<std::unique_ptr<FrameRequest>> requests;
    // A region is asked in logical units and copied in pixels, so only an
    // output whose logical size is known is copied in regions.
    if (!(regions.front() == whole) && !regionsTurnWrong && output.logicalWidth > 0 && output.logicalHeight > 0) {
        const Step across = StepOf(size.width, output.logicalWidth), down = StepOf(size.height, output.logicalHeight);
        for (const PixelRect& r : regions) {
            // In whole steps, from the one the region begins in to the one it ends in.
            const std::int64_t x0 = r.x / across.pixels, x1 = (r.x + r.width + across.pixels - 1) / across.pixels;
            const std::int64_t y0 = r.y / down.pixels, y1 = (r.y + r.height + down.pixels - 1) / down.pixels;
            const PixelRect copied{static_cast<std::int32_t>(x0 * across.pixels),
                                   static_cast<std::int32_t>(y0 * down.pixels),
                                   static_cast<std::int32_t>((x1 - x0) * across.pixels),
                                   static_cast<std::int32_t>((y1 - y0) * down.pixels)};
            requests.push_back(std::make_unique<FrameRequest>(
                zwlr_screencopy_manager_v1_capture_output_region(
                    screencopy_, 0, output.proxy, static_cast<std::int32_t>(x0 * across.units),
                    static_cast<std::int32_t>(y0 * down.units), static_cast<std::int32_t>((x1 - x0) * across.units),
                    static_cast<std::int32_t>((y1 - y0) * down.units)),
                copied));
        }
    }
    if (requests.empty()) {
        requests.push_back(std::make_unique<FrameRequest>(
            zwlr_screencopy_manager_v1_capture_output(screencopy_, 0, output.proxy), whole));
    }
    const auto all = [&](auto done) {
        return std::ranges::all_of(requests, [&](const auto& r) { return done(r->frame); });
    };
    const auto failed = [&] { return std::ranges::any_of(requests, [](const auto& r) { return r->frame.failed; }); };
    if (!WaitUntil([&] { return all([](const Frame& f) { return f.described; }) || failed(); }) || failed() ||
        !all([](const Frame& f) { return f.width > 0; })) {
        return false;
    }
    for (const auto& request : requests) {
        if (ShmPixelLayout(request->frame.format).bytes > 0) continue;
        char format[16];
        std::snprintf(format, sizeof format, "0x%08x", request->frame.format);
        throw std::runtime_error("the compositor copies the screen in wl_shm pixel format " + std::string(format) +
                                 ", which Sentrel cannot read; areas are held");
    }
    pieces_.resize(requests.size());
    for (std::size_t i = 0; i < requests.size(); ++i) {
        const Frame& frame = requests[i]->frame;
        std::unique_ptr<ShmBuffer>& buffer = pieces_[i].buffer;
        if (!buffer || !buffer->Fits(frame.format, frame.width, frame.height, frame.stride)) {
            buffer.reset();
            buffer = std::make_unique<ShmBuffer>(shm_, frame.format, frame.width, frame.height, frame.stride);
        }
        zwlr_screencopy_frame_v1_copy(requests[i]->proxy.get(), buffer->Buffer());
    }
    if (!WaitUntil([&] { return all([](const Frame& f) { return f.ready; }) || failed(); }) || failed()) return false;
    const OutputTransform turn(output.transform);
    for (std::size_t i = 0; i < requests.size(); ++i) {
        const Frame& frame = requests[i]->frame;
        const PixelSize seen =
            turn.Swapped({static_cast<std::int32_t>(frame.width), static_cast<std::int32_t>(frame.height)});
        pieces_[i].seen = {requests[i]->seen.x, requests[i]->seen.y, seen.width, seen.height};
        pieces_[i].yInverted = frame.yInverted;
    }
    pieceTransform_ = output.transform;
    return true;
}

std::int32_t WaylandScreenReader::ColourAt(ScreenPoint p) const {
    const auto piece =
        std::ranges::find_if(pieces_, [&](const Piece& candidate) { return candidate.seen.Contains(p); });
    if (piece == pieces_.end()) return kUnreadable;
    const ShmBuffer& buffer = *piece->buffer;
    ScreenPoint at = OutputTransform(pieceTransform_)
                         .ToBuffer({p.x - piece->seen.x, p.y - piece->seen.y}, {piece->seen.width, piece->seen.height});
    if (piece->yInverted) at.y = static_cast<std::int32_t>(buffer.Height()) - 1 - at.y;
    const PixelLayout layout = ShmPixelLayout(buffer.Format());
    return ColourOf(layout, buffer.Row(static_cast<std::uint32_t>(at.y)) +
                                std::size_t{layout.bytes} * static_cast<std::uint32_t>(at.x));
}

void WaylandScreenReader::Read(std::span<const ScreenPoint> points, std::span<std::int32_t> colours) {
    std::fill(colours.begin(), colours.end(), kUnreadable);
    const Output output = CurrentMode();
    const PixelSize size = SeenSize(output);
    std::vector<PixelRect> regions = wholeOutput_ ? std::vector<PixelRect>{} : CaptureRegions(points, size);
    if (regions.empty()) regions.push_back({0, 0, size.width, size.height});
    bool copied = false;
    try {
        copied = output.proxy != nullptr && Capture(output, std::move(regions));
    } catch (const std::runtime_error& error) {
        if (!saidWhyUnreadable_) Say(error.what());
        saidWhyUnreadable_ = true;
    }
    seen_ = copied;
    if (!copied) {
        if (!saidWhyUnreadable_) {
            Say(wl_display_get_error(display_) != 0
                    ? "the connection to the Wayland compositor is lost; areas read as unreadable"
                    : "the compositor gave no frame of the screen; areas read as unreadable");
        }
        saidWhyUnreadable_ = true;
        return;
    }
    const PixelRect onOutput{0, 0, size.width, size.height};
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (onOutput.Contains(points[i])) colours[i] = ColourAt(points[i]);
    }
}

}  // namespace sentrel
