#pragma once

#include <spa/utils/hook.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "platform/wayland/KeptFrame.h"
#include "platform/wayland/OutputCapture.h"

struct pw_thread_loop;
struct pw_context;
struct pw_core;
struct pw_stream;

namespace sentrel {

// The frames of a screen-cast PipeWire stream (a portal's or a compositor's),
// received on a thread of their own. The newest whole frame stays in its
// mapped buffer, kept from the compositor until a newer one arrives, and a
// read takes just its points from there: a pass reads a few hundred pixels,
// and copying every frame whole would cost 8 MB at 1080p, 33 MB at 4K. A
// read never waits for a frame. Until the first frame, or once the stream
// has gone, points read as unreadable. The stream's state changes are said
// on standard error with their errors: a cast that stops holds every area.
class PipeWireFrames : public OutputCapture {
public:
    // Told on PipeWire's thread, once, when the stream has ended for good.
    using Ended = std::function<void(const std::string& why)>;

    // remote: a PipeWire connection's file descriptor from the portal (taken
    // over), or -1 for the session's own PipeWire. node: the stream's node.
    // Throws std::runtime_error when PipeWire cannot be reached.
    PipeWireFrames(int remote, std::uint32_t node, Ended ended = nullptr);
    ~PipeWireFrames() override;
    PipeWireFrames(const PipeWireFrames&) = delete;
    PipeWireFrames& operator=(const PipeWireFrames&) = delete;

    std::int32_t OutputPixelWidth() override;
    std::int32_t OutputPixelHeight() override;
    void Read(std::span<const ScreenPoint> points, std::span<std::int32_t> colours) override;
    // False unless the stream is streaming and has given a frame: a stream
    // that the desktop paused or stopped shows nothing of the screen now.
    bool Seen() const override { return seen_; }

    struct Events;

private:
    struct Free {
        void operator()(pw_thread_loop* loop) const;
        void operator()(pw_context* context) const;
        void operator()(pw_core* core) const;
        void operator()(pw_stream* stream) const;
    };
    // Removed before its stream goes, which would otherwise tell it so.
    struct Listener {
        spa_hook hook{};
        ~Listener() {
            if (hook.link.next != nullptr) spa_hook_remove(&hook);
        }
    };

    Ended ended_;
    // Freed in the reverse order, the stream first; the thread stops before.
    std::unique_ptr<pw_thread_loop, Free> loop_;
    std::unique_ptr<pw_context, Free> context_;
    std::unique_ptr<pw_core, Free> core_;
    std::unique_ptr<pw_stream, Free> stream_;
    Listener listener_;

    std::mutex mutex_;  // guards what follows, written on the stream's thread
    std::uint32_t format_ = 0;
    std::int32_t width_ = 0, height_ = 0;
    KeptFrame kept_;
    bool streaming_ = false;
    // The reading thread's own.
    bool seen_ = false;
};

}  // namespace sentrel
