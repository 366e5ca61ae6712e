#pragma once

#include <functional>
#include <vector>

#include "platform/capture/WindowOnOutput.h"
#include "platform/wayland/LockerCover.h"
#include "platform/wayland/OutputCapture.h"

namespace sentrel {

// The output as a monitoring pass may judge it. A Wayland compositor never
// lets the windows beneath a lock be read, so the output is not seen while
// the session is locked or blanked, as the desktop announces or the capture
// shows as the pass begins, nor when a whole capture failed. The desktop's
// word is preferred: once it has announced a lock, a cover it does not
// announce is taken for what it looks like, a window. Says on standard error
// when a lock begins and when it ends, and whether the desktop said so.
class OutputSight : public ScreenPixels {
public:
    // window: where Sentrel's window was found, as placed for this pass.
    // windowShown: whether that window is shown. announced: whether the
    // desktop says the session is locked or its screen blanked.
    OutputSight(OutputCapture& output, const WindowOnOutput& window, std::function<bool()> windowShown,
                std::function<bool()> announced)
        : output_(output), window_(window), windowShown_(std::move(windowShown)), announced_(std::move(announced)) {}

    void BeginPass() override;
    void Read(std::span<const ScreenPoint> points, std::span<std::int32_t> colours) override;
    bool Seen() const override { return seen_; }

private:
    OutputCapture& output_;
    const WindowOnOutput& window_;
    std::function<bool()> windowShown_, announced_;
    LockerCover cover_;
    std::vector<std::int32_t> look_;
    enum class Lock { None, Announced, Covered };
    // Kept through a failed capture, which shows nothing of a locker.
    bool covered_ = false;
    bool desktopAnnounces_ = false;
    Lock lock_ = Lock::None;
    bool seen_ = true;
};

}  // namespace sentrel
