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

namespace sentrel {

namespace {

// A frame is normally copied at the output's next repaint; an output that
// never repaints (switched off, say) must not hold the window up for long.
constexpr std::chrono::milliseconds kFrameWait{1000};
// A monitoring pass reads its samples twice within a millisecond or two;
// both reads take the same frame, so a pass costs the compositor one copy.
// Passes are a second apart, so each pass has a frame of its own.
constexpr std::chrono::milliseconds kFrameShared{100};
// The newest requests that this reader knows how to use.
constexpr std::uint32_t kScreencopyVersion = 3;
constexpr std::uint32_t kOutputVersion = 4;
// A region is asked in the output's logical units and copied in its pixels.
// A square of this many units, asked once, tells how many pixels they are:
// a number with many divisors, so that at the usual fractional scales a
// region can begin and end on whole pixels.
constexpr std::int32_t kProbeUnits = 120;
// Regions that no read has needed for this long are no longer copied.
constexpr std::chrono::milliseconds kWantedFor{3000};

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
        } else if (std::strcmp(interface, wl_output_interface.name) == 0) {
            auto output = std::make_unique<WaylandScreenReader::Output>();
            output->global = name;
            output->owner = reader;
            output->proxy = static_cast<wl_output*>(
                wl_registry_bind(registry, name, &wl_output_interface, std::min(version, kOutputVersion)));
            wl_output_add_listener(output->proxy, &kOutputEvents, output.get());
            reader->outputs_.push_back(std::move(output));
        }
    }
    static void GlobalRemove(void* data, wl_registry*, std::uint32_t name) {
        auto& outputs = static_cast<WaylandScreenReader*>(data)->outputs_;
        const auto gone =
            std::find_if(outputs.begin(), outputs.end(), [name](const auto& o) { return o->global == name; });
        if (gone == outputs.end()) return;
        wl_output_destroy((*gone)->proxy);
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
    // Each change of an output's mode, scale or transform ends with this:
    // the pixels in a logical unit may be others now.
    static void Done(void* data, wl_output*) {
        static_cast<WaylandScreenReader::Output*>(data)->owner->probed_ = nullptr;
    }
    static void Scale(void*, wl_output*, std::int32_t) {}
    static void Description(void*, wl_output*, const char*) {}

    static constexpr wl_registry_listener kRegistryEvents{Global, GlobalRemove};
    static constexpr wl_output_listener kOutputEvents{Geometry, Mode, Done, Scale, Name, Description};
};

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
    // The globals, then the outputs' names and modes.
    wl_display_roundtrip(display_);
    wl_display_roundtrip(display_);
    if (screencopy_ == nullptr || shm_ == nullptr) {
        const bool hadShm = shm_ != nullptr;
        Disconnect();
        throw std::runtime_error(hadShm ? "the compositor offers no screen copy (wlr-screencopy)"
                                        : "the compositor offers no shared memory");
    }
}

WaylandScreenReader::~WaylandScreenReader() { Disconnect(); }

void WaylandScreenReader::Disconnect() {
    if (display_ == nullptr) return;
    pieces_.clear();
    for (const auto& output : outputs_) wl_output_destroy(output->proxy);
    outputs_.clear();
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

void WaylandScreenReader::Want(const std::vector<PixelRect>& regions, std::chrono::steady_clock::time_point now) {
    std::erase_if(wanted_, [&](const Wanted& w) { return now - w.at > kWantedFor; });
    for (const PixelRect& r : regions) {
        const auto known = std::ranges::find(wanted_, r, &Wanted::seen);
        if (known != wanted_.end()) {
            known->at = now;
        } else {
            wanted_.push_back({r, now});
        }
    }
}

bool WaylandScreenReader::Covered(std::span<const ScreenPoint> points, PixelSize size) const {
    const PixelRect output{0, 0, size.width, size.height};
    return std::ranges::all_of(points, [&](ScreenPoint p) {
        return !output.Contains(p) ||
               std::ranges::any_of(pieces_, [&](const Piece& piece) { return piece.seen.Contains(p); });
    });
}

std::int32_t WaylandScreenReader::ProbedPixels(wl_output* output) {
    if (probed_ != output) {
        FrameRequest probe(
            zwlr_screencopy_manager_v1_capture_output_region(screencopy_, 0, output, 0, 0, kProbeUnits, kProbeUnits),
            {});
        if (!WaitUntil([&] { return probe.frame.described || probe.frame.failed; }) || probe.frame.failed) return 0;
        probed_ = output;
        probedPixels_ = static_cast<std::int32_t>(probe.frame.width);
    }
    return probedPixels_;
}

bool WaylandScreenReader::Capture(const Output& output, std::vector<PixelRect> regions) {
    const PixelSize size = SeenSize(output);
    const PixelRect whole{0, 0, size.width, size.height};
    // Logical units that begin and end on whole pixels.
    // wlroots up to 0.15 (sway 1.7) turns a region the wrong way round on an
    // output turned a quarter without a flip, and copies the wrong part of it.
    const bool regionsTurnWrong =
        output.transform == WL_OUTPUT_TRANSFORM_90 || output.transform == WL_OUTPUT_TRANSFORM_270;
    const std::int64_t pixels = regions.front() == whole || regionsTurnWrong ? 0 : ProbedPixels(output.proxy);
    const std::int64_t step = pixels > 0 ? kProbeUnits / std::gcd(pixels, std::int64_t{kProbeUnits}) : 1;
    const auto units = [&](std::int64_t pixel, bool up) {
        const std::int64_t u = (pixel * kProbeUnits + (up ? pixels - 1 : 0)) / pixels;
        return (u + (up ? step - 1 : 0)) / step * step;
    };
    std::vector<std::unique_ptr<FrameRequest>> requests;
    for (const PixelRect& r : regions) {
        if (r == whole || pixels == 0) break;
        const std::int64_t x0 = units(r.x, false), y0 = units(r.y, false);
        const std::int64_t x1 = std::min(units(r.x + r.width, true), size.width * kProbeUnits / pixels);
        const std::int64_t y1 = std::min(units(r.y + r.height, true), size.height * kProbeUnits / pixels);
        const PixelRect copied{static_cast<std::int32_t>(x0 * pixels / kProbeUnits),
                               static_cast<std::int32_t>(y0 * pixels / kProbeUnits),
                               static_cast<std::int32_t>((x1 - x0) * pixels / kProbeUnits),
                               static_cast<std::int32_t>((y1 - y0) * pixels / kProbeUnits)};
        // At a scale with no whole pixel in reach, the output's last pixels
        // may lie in no logical unit of their own.
        if (!copied.Contains(r)) break;
        requests.push_back(std::make_unique<FrameRequest>(
            zwlr_screencopy_manager_v1_capture_output_region(
                screencopy_, 0, output.proxy, static_cast<std::int32_t>(x0), static_cast<std::int32_t>(y0),
                static_cast<std::int32_t>(x1 - x0), static_cast<std::int32_t>(y1 - y0)),
            copied));
    }
    if (requests.size() != regions.size()) {
        requests.clear();
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
    const auto now = std::chrono::steady_clock::now();
    const Output output = CurrentMode();
    const PixelSize size = SeenSize(output);
    Want(wholeOutput_ ? std::vector<PixelRect>{{0, 0, size.width, size.height}} : CaptureRegions(points, {}, size),
         now);
    bool copied = !pieces_.empty() && now - capturedAt_ < kFrameShared && Covered(points, size);
    if (!copied) {
        std::vector<PixelRect> wanted;
        for (const Wanted& w : wanted_) wanted.push_back(w.seen);
        std::vector<PixelRect> regions = CaptureRegions({}, wanted, size);
        if (regions.empty()) regions.push_back({0, 0, size.width, size.height});
        try {
            copied = output.proxy != nullptr && Capture(output, std::move(regions));
        } catch (const std::runtime_error& error) {
            if (!saidWhyUnreadable_) Say(error.what());
            saidWhyUnreadable_ = true;
        }
        capturedAt_ = copied ? now : std::chrono::steady_clock::time_point{};
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
