#include "platform/wayland/KeptFrame.h"

namespace sentrel {

void KeptFrame::Arrived(pw_buffer* buffer, const std::optional<MappedFrame>& whole) {
    if (!whole) {
        giveBack_(buffer);
        return;
    }
    Release();
    buffer_ = buffer;
    frame_ = *whole;
}

void KeptFrame::Release() {
    if (buffer_ != nullptr) giveBack_(buffer_);
    buffer_ = nullptr;
    frame_ = {};
}

void KeptFrame::Removed(const pw_buffer* buffer) {
    if (buffer != buffer_) return;
    buffer_ = nullptr;
    frame_ = {};
}

}  // namespace sentrel
