#include "platform/wayland/PipeWireFrames.h"
#include "log/ToolLog.h"
#include "platform/wayland/PixelLayout.h"

#include <pipewire/pipewire.h>
#include <spa/param/video/format-utils.h>

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <utility>

namespace sentrel {

namespace {

// A pass reads once a second: more frames than this would be copied for
// nothing.
constexpr std::uint32_t kMostFramesPerSecond = 2;

PixelLayout Layout(std::uint32_t format) {
    switch (format) {
        case SPA_VIDEO_FORMAT_BGRx:
        case SPA_VIDEO_FORMAT_BGRA:
            return kBgrx;
        case SPA_VIDEO_FORMAT_RGBx:
        case SPA_VIDEO_FORMAT_RGBA:
            return kRgbx;
        default:
            return {};
    }
}

// The raw video this reader takes: 32-bit pixels of any size, at most a few
// frames a second.
const spa_pod* WantedFormat(spa_pod_builder& b) {
    spa_pod_frame object, choice;
    spa_pod_builder_push_object(&b, &object, SPA_TYPE_OBJECT_Format, SPA_PARAM_EnumFormat);
    spa_pod_builder_prop(&b, SPA_FORMAT_mediaType, 0);
    spa_pod_builder_id(&b, SPA_MEDIA_TYPE_video);
    spa_pod_builder_prop(&b, SPA_FORMAT_mediaSubtype, 0);
    spa_pod_builder_id(&b, SPA_MEDIA_SUBTYPE_raw);
    spa_pod_builder_prop(&b, SPA_FORMAT_VIDEO_format, 0);
    spa_pod_builder_push_choice(&b, &choice, SPA_CHOICE_Enum, 0);
    for (std::uint32_t format : {SPA_VIDEO_FORMAT_BGRx, SPA_VIDEO_FORMAT_BGRx, SPA_VIDEO_FORMAT_BGRA,
                                 SPA_VIDEO_FORMAT_RGBx, SPA_VIDEO_FORMAT_RGBA}) {
        spa_pod_builder_id(&b, format);
    }
    spa_pod_builder_pop(&b, &choice);
    spa_pod_builder_prop(&b, SPA_FORMAT_VIDEO_size, 0);
    spa_pod_builder_push_choice(&b, &choice, SPA_CHOICE_Range, 0);
    spa_pod_builder_rectangle(&b, 1920, 1080);
    spa_pod_builder_rectangle(&b, 1, 1);
    spa_pod_builder_rectangle(&b, 16384, 16384);
    spa_pod_builder_pop(&b, &choice);
    spa_pod_builder_prop(&b, SPA_FORMAT_VIDEO_framerate, 0);
    spa_pod_builder_fraction(&b, 0, 1);
    spa_pod_builder_prop(&b, SPA_FORMAT_VIDEO_maxFramerate, 0);
    spa_pod_builder_push_choice(&b, &choice, SPA_CHOICE_Range, 0);
    spa_pod_builder_fraction(&b, kMostFramesPerSecond, 1);
    spa_pod_builder_fraction(&b, 1, 1);
    spa_pod_builder_fraction(&b, kMostFramesPerSecond, 1);
    spa_pod_builder_pop(&b, &choice);
    return static_cast<const spa_pod*>(spa_pod_builder_pop(&b, &object));
}

// Buffers this reader can read without a GPU: memory it can map.
const spa_pod* WantedBuffers(spa_pod_builder& b) {
    spa_pod_frame object, choice;
    spa_pod_builder_push_object(&b, &object, SPA_TYPE_OBJECT_ParamBuffers, SPA_PARAM_Buffers);
    spa_pod_builder_prop(&b, SPA_PARAM_BUFFERS_dataType, 0);
    spa_pod_builder_push_choice(&b, &choice, SPA_CHOICE_Flags, 0);
    spa_pod_builder_int(&b, (1 << SPA_DATA_MemPtr) | (1 << SPA_DATA_MemFd));
    spa_pod_builder_pop(&b, &choice);
    return static_cast<const spa_pod*>(spa_pod_builder_pop(&b, &object));
}

}  // namespace

struct PipeWireFrames::Events {
    static void ParamChanged(void* data, std::uint32_t id, const spa_pod* param) {
        auto* frames = static_cast<PipeWireFrames*>(data);
        spa_video_info_raw info{};
        if (param == nullptr || id != SPA_PARAM_Format || spa_format_video_raw_parse(param, &info) < 0) return;
        {
            const std::lock_guard lock(frames->mutex_);
            frames->format_ = info.format;
            frames->width_ = static_cast<std::int32_t>(info.size.width);
            frames->height_ = static_cast<std::int32_t>(info.size.height);
            frames->frame_.clear();
        }
        std::uint8_t space[256];
        spa_pod_builder b = SPA_POD_BUILDER_INIT(space, sizeof space);
        const spa_pod* params[] = {WantedBuffers(b)};
        pw_stream_update_params(frames->stream_.get(), params, 1);
    }

    static void Process(void* data) {
        auto* frames = static_cast<PipeWireFrames*>(data);
        pw_buffer* newest = nullptr;
        // Only the newest frame matters; older ones go straight back.
        while (pw_buffer* next = pw_stream_dequeue_buffer(frames->stream_.get())) {
            if (newest != nullptr) pw_stream_queue_buffer(frames->stream_.get(), newest);
            newest = next;
        }
        if (newest == nullptr) return;
        const spa_data& plane = newest->buffer->datas[0];
        {
            const std::lock_guard lock(frames->mutex_);
            const auto row = static_cast<std::size_t>(frames->width_) * 4;
            const std::size_t stride = plane.chunk->stride > 0 ? static_cast<std::size_t>(plane.chunk->stride) : row;
            const std::size_t rows = static_cast<std::size_t>(frames->height_);
            const bool whole = plane.data != nullptr && (plane.chunk->flags & SPA_CHUNK_FLAG_CORRUPTED) == 0 &&
                               plane.chunk->size >= stride * (rows - 1) + row &&
                               plane.chunk->offset + plane.chunk->size <= plane.maxsize;
            if (whole && rows > 0) {
                const auto* source = static_cast<const std::uint8_t*>(plane.data) + plane.chunk->offset;
                frames->frame_.resize(row * rows);
                for (std::size_t y = 0; y < rows; ++y) {
                    std::memcpy(frames->frame_.data() + y * row, source + y * stride, row);
                }
            }
        }
        pw_stream_queue_buffer(frames->stream_.get(), newest);
    }

    static void StateChanged(void* data, pw_stream_state, pw_stream_state state, const char* error) {
        auto* frames = static_cast<PipeWireFrames*>(data);
        const std::string said = std::string(pw_stream_state_as_string(state)) + (error != nullptr ? ": " : "") +
                                 (error != nullptr ? error : "");
        Say("the screen cast's PipeWire stream is " + said);
        const bool ended = state == PW_STREAM_STATE_ERROR || state == PW_STREAM_STATE_UNCONNECTED;
        {
            const std::lock_guard lock(frames->mutex_);
            frames->streaming_ = state == PW_STREAM_STATE_STREAMING;
            if (ended) frames->frame_.clear();
        }
        if (ended && frames->ended_) std::exchange(frames->ended_, nullptr)(said);
    }

    static pw_stream_events Table() {
        pw_stream_events events{};
        events.version = PW_VERSION_STREAM_EVENTS;
        events.state_changed = StateChanged;
        events.param_changed = ParamChanged;
        events.process = Process;
        return events;
    }
    static inline const pw_stream_events kTable = Table();
};

void PipeWireFrames::Free::operator()(pw_thread_loop* loop) const { pw_thread_loop_destroy(loop); }
void PipeWireFrames::Free::operator()(pw_context* context) const { pw_context_destroy(context); }
void PipeWireFrames::Free::operator()(pw_core* core) const { pw_core_disconnect(core); }
void PipeWireFrames::Free::operator()(pw_stream* stream) const { pw_stream_destroy(stream); }

PipeWireFrames::PipeWireFrames(int remote, std::uint32_t node, Ended ended) : ended_(std::move(ended)) {
    // The descriptor is closed here until PipeWire has taken it.
    std::unique_ptr<int, void (*)(int*)> unclaimed(&remote, [](int* fd) {
        if (*fd >= 0) ::close(*fd);
    });
    pw_init(nullptr, nullptr);
    loop_.reset(pw_thread_loop_new("sentrel-screen", nullptr));
    if (!loop_) throw std::runtime_error("PipeWire's loop could not be made");
    context_.reset(pw_context_new(pw_thread_loop_get_loop(loop_.get()), nullptr, 0));
    if (!context_) throw std::runtime_error("PipeWire's context could not be made");
    // Until the loop's thread starts, nothing else touches what follows.
    core_.reset(remote >= 0 ? pw_context_connect_fd(context_.get(), std::exchange(remote, -1), nullptr, 0)
                            : pw_context_connect(context_.get(), nullptr, 0));
    if (!core_) throw std::runtime_error("cannot connect to PipeWire");
    stream_.reset(pw_stream_new(core_.get(), "sentrel-screen",
                                pw_properties_new(PW_KEY_MEDIA_TYPE, "Video", PW_KEY_MEDIA_CATEGORY, "Capture",
                                                  PW_KEY_MEDIA_ROLE, "Screen", nullptr)));
    if (!stream_) throw std::runtime_error("PipeWire's stream could not be made");
    pw_stream_add_listener(stream_.get(), &listener_.hook, &Events::kTable, this);
    std::uint8_t space[1024];
    spa_pod_builder b = SPA_POD_BUILDER_INIT(space, sizeof space);
    const spa_pod* params[] = {WantedFormat(b)};
    if (pw_stream_connect(stream_.get(), PW_DIRECTION_INPUT, node,
                          static_cast<pw_stream_flags>(PW_STREAM_FLAG_AUTOCONNECT | PW_STREAM_FLAG_MAP_BUFFERS), params,
                          1) < 0) {
        throw std::runtime_error("PipeWire's stream could not be connected");
    }
    if (pw_thread_loop_start(loop_.get()) != 0) throw std::runtime_error("PipeWire's thread did not start");
}

PipeWireFrames::~PipeWireFrames() {
    // Its callbacks use what the members free.
    pw_thread_loop_stop(loop_.get());
}

std::int32_t PipeWireFrames::OutputPixelWidth() {
    const std::lock_guard lock(mutex_);
    return width_;
}

std::int32_t PipeWireFrames::OutputPixelHeight() {
    const std::lock_guard lock(mutex_);
    return height_;
}

void PipeWireFrames::Read(std::span<const ScreenPoint> points, std::span<std::int32_t> colours) {
    std::fill(colours.begin(), colours.end(), kUnreadable);
    const std::lock_guard lock(mutex_);
    seen_ = streaming_ && !frame_.empty();
    if (frame_.empty()) return;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const ScreenPoint p = points[i];
        if (p.x < 0 || p.y < 0 || p.x >= width_ || p.y >= height_) continue;
        colours[i] = ColourOf(
            Layout(format_),
            frame_.data() +
                (static_cast<std::size_t>(p.y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(p.x)) * 4);
    }
}

}  // namespace sentrel
