#pragma once

#include <functional>
#include <optional>
#include <utility>

#include "platform/wayland/MappedFrame.h"

struct pw_buffer;

namespace sentrel {

// The newest whole frame of a screen-cast stream, read where its buffer is
// mapped. The buffer is the reader's until a newer whole frame comes, or the
// stream renegotiates its format or ends; it then goes back to the stream,
// whose compositor may draw into it at once. The caller keeps the stream's
// thread and the readers apart.
class KeptFrame {
public:
    using GiveBack = std::function<void(pw_buffer*)>;
    explicit KeptFrame(GiveBack giveBack) : giveBack_(std::move(giveBack)) {}

    // A frame has come in the buffer: kept when whole (a frame drawn in part,
    // or not at all, goes back at once and leaves the last whole one).
    void Arrived(pw_buffer* buffer, const std::optional<MappedFrame>& whole);
    // Gives the buffer back: the frame no longer shows the stream.
    void Release();
    // The stream has taken the buffer away, and unmaps it once this returns.
    void Removed(const pw_buffer* buffer);

    bool Kept() const { return buffer_ != nullptr; }
    // Empty (every point outside it) when none is kept.
    const MappedFrame& Frame() const { return frame_; }

private:
    GiveBack giveBack_;
    pw_buffer* buffer_ = nullptr;
    MappedFrame frame_;
};

}  // namespace sentrel
