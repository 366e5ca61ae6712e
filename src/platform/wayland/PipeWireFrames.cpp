#include "platform/wayland/PipeWireFrames.h"
#include "log/ToolLog.h"
#include "platform/wayland/PixelLayout.h"

#include <pipewire/pipewire.h>
#include <spa/param/video/format-utils.h>

#include <unistd.h>

#include <stdexcept>
#include <utility>

namespace sentrel {

namespace {

// A pass reads once a second: more frames than this would only be received
// and given back.
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

// Buffers this reader can read without a GPU: memory it can map (a DMA-buf
// would need the GPU's layout). One stays kept with the newest frame, so the
// compositor needs another to draw the next into.
const spa_pod* WantedBuffers(spa_pod_builder& b) {
    spa_pod_frame object, choice;
    spa_pod_builder_push_object(&b, &object, SPA_TYPE_OBJECT_ParamBuffers, SPA_PARAM_Buffers);
    spa_pod_builder_prop(&b, SPA_PARAM_BUFFERS_dataType, 0);
    spa_pod_builder_push_choice(&b, &choice, SPA_CHOICE_Flags, 0);
    spa_pod_builder_int(&b, (1 << SPA_DATA_MemPtr) | (1 << SPA_DATA_MemFd));
    spa_pod_builder_pop(&b, &choice);
    spa_pod_builder_prop(&b, SPA_PARAM_BUFFERS_buffers, 0);
    spa_pod_builder_push_choice(&b, &choice, SPA_CHOICE_Range, 0);
    for (const int count : {4, 2, 16}) spa_pod_builder_int(&b, count);
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
            frames->kept_.Release();
            frames->format_ = info.format;
            frames->width_ = static_cast<std::int32_t>(info.size.width);
            frames->height_ = static_cast<std::int32_t>(info.size.height);
        }
        std::uint8_t space[256];
        spa_pod_builder b{};
        spa_pod_builder_init(&b, space, sizeof space);
        const spa_pod* params[] = {WantedBuffers(b)};
        pw_stream_update_params(frames->stream_.get(), params, 1);
    }

    // Its memory is unmapped once this returns.
    static void RemoveBuffer(void* data, pw_buffer* buffer) {
        auto* frames = static_cast<PipeWireFrames*>(data);
        const std::lock_guard lock(frames->mutex_);
        frames->kept_.Removed(buffer);
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
        const std::lock_guard lock(frames->mutex_);
        frames->kept_.Arrived(newest, MappedFrame::Of(newest->buffer->datas[0], Layout(frames->format_), frames->width_,
                                                      frames->height_));
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
            if (ended) frames->kept_.Release();
        }
        if (ended && frames->ended_) std::exchange(frames->ended_, nullptr)(said);
    }

    static pw_stream_events Table() {
        pw_stream_events events{};
        events.version = PW_VERSION_STREAM_EVENTS;
        events.state_changed = StateChanged;
        events.param_changed = ParamChanged;
        events.remove_buffer = RemoveBuffer;
        events.process = Process;
        return events;
    }
    static inline const pw_stream_events kTable = Table();
};

void PipeWireFrames::Free::operator()(pw_thread_loop* loop) const { pw_thread_loop_destroy(loop); }
void PipeWireFrames::Free::operator()(pw_context* context) const { pw_context_destroy(context); }
void PipeWireFrames::Free::operator()(pw_core* core) const { pw_core_disconnect(core); }
void PipeWireFrames::Free::operator()(pw_stream* stream) const { pw_stream_destroy(stream); }

PipeWireFrames::PipeWireFrames(int remote, std::uint32_t node, Ended ended)
    : ended_(std::move(ended)), kept_([this](pw_buffer* buffer) { pw_stream_queue_buffer(stream_.get(), buffer); }) {
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
    spa_pod_builder b{};
    spa_pod_builder_init(&b, space, sizeof space);
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
    // Held while reading: the stream's thread cannot give the buffer back
    // meanwhile. With no frame kept, every point is outside an empty one.
    const std::lock_guard lock(mutex_);
    seen_ = streaming_ && kept_.Kept();
    for (std::size_t i = 0; i < points.size(); ++i) colours[i] = kept_.Frame().At(points[i]);
}

}  // namespace sentrel
