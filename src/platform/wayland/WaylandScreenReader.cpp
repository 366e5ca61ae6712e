#include "platform/wayland/WaylandScreenReader.h"

#include <poll.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "platform/wayland/PixelBytes.h"
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

// wl_shm formats name little-endian words: XRGB8888 is stored B, G, R, X.
PixelBytes Order(std::uint32_t format) {
    switch (format) {
        case WL_SHM_FORMAT_XRGB8888:
        case WL_SHM_FORMAT_ARGB8888:
            return PixelBytes::Bgrx;
        case WL_SHM_FORMAT_XBGR8888:
        case WL_SHM_FORMAT_ABGR8888:
            return PixelBytes::Rgbx;
        default:
            return PixelBytes::Unknown;
    }
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
        } else if (std::strcmp(interface, wl_output_interface.name) == 0) {
            auto output = std::make_unique<WaylandScreenReader::Output>();
            output->global = name;
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
    static void Geometry(void*, wl_output*, std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                         const char*, const char*, std::int32_t) {}
    static void Done(void*, wl_output*) {}
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
    frame_.reset();
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

bool WaylandScreenReader::Capture(wl_output* output) {
    Frame frame;
    zwlr_screencopy_frame_v1* proxy = zwlr_screencopy_manager_v1_capture_output(screencopy_, 0, output);
    zwlr_screencopy_frame_v1_add_listener(proxy, &kFrameEvents, &frame);
    bool copied = WaitUntil([&] { return frame.described || frame.failed; }) && !frame.failed && frame.width > 0;
    if (copied) {
        if (!frame_ || !frame_->Fits(frame.format, frame.width, frame.height, frame.stride)) {
            frame_.reset();
            frame_ = std::make_unique<ShmBuffer>(shm_, frame.format, frame.width, frame.height, frame.stride);
        }
        zwlr_screencopy_frame_v1_copy(proxy, frame_->Buffer());
        copied = WaitUntil([&] { return frame.ready || frame.failed; }) && frame.ready;
    }
    zwlr_screencopy_frame_v1_destroy(proxy);
    wl_display_flush(display_);
    yInverted_ = frame.yInverted;
    return copied;
}

void WaylandScreenReader::Read(std::span<const ScreenPoint> points, std::span<std::int32_t> colours) {
    std::fill(colours.begin(), colours.end(), kUnreadable);
    const auto now = std::chrono::steady_clock::now();
    bool copied = frame_ && now - capturedAt_ < kFrameShared;
    if (!copied) {
        Output* output = ChosenOutput();
        try {
            copied = output != nullptr && Capture(output->proxy);
        } catch (const std::runtime_error& error) {
            if (!saidWhyUnreadable_) std::fprintf(stderr, "sentrel: %s\n", error.what());
            saidWhyUnreadable_ = true;
        }
        capturedAt_ = copied ? now : std::chrono::steady_clock::time_point{};
    }
    seen_ = copied;
    if (!copied) {
        if (!saidWhyUnreadable_) {
            std::fprintf(stderr,
                         wl_display_get_error(display_) != 0
                             ? "sentrel: the connection to the Wayland compositor is lost; areas read as unreadable\n"
                             : "sentrel: the compositor gave no frame of the screen; areas read as unreadable\n");
        }
        saidWhyUnreadable_ = true;
        return;
    }
    for (std::size_t i = 0; i < points.size(); ++i) {
        const ScreenPoint p = points[i];
        if (p.x < 0 || p.y < 0 || static_cast<std::uint32_t>(p.x) >= frame_->Width() ||
            static_cast<std::uint32_t>(p.y) >= frame_->Height()) {
            continue;
        }
        const auto row =
            static_cast<std::uint32_t>(yInverted_ ? static_cast<std::int32_t>(frame_->Height()) - 1 - p.y : p.y);
        colours[i] =
            ColourOf(Order(frame_->Format()), frame_->Row(row) + std::size_t{4} * static_cast<std::uint32_t>(p.x));
    }
}

}  // namespace sentrel
