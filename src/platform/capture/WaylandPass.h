#pragma once

#include <functional>
#include <vector>

#include "platform/capture/OutputCopy.h"
#include "platform/capture/WindowOnOutput.h"
#include "platform/wayland/LockerCover.h"
#include "platform/wayland/OutputCapture.h"

namespace sentrel {

// A monitoring pass over a Wayland output, in the window's units. At the
// pass's first read, which holds the points of every area it reads, one
// copy of the output is taken for the window's mark where the last pass
// found it, for the locker's points and for those of the areas; from it the
// window is placed, then a lock looked for, then the reads served. A window
// that has moved is found and copied again.
//
// A Wayland compositor never lets the windows beneath a lock be read, so the
// output is not seen while the session is locked or blanked, as the desktop
// announces or the copy shows, nor when a whole copy failed. The desktop's
// word is preferred: once it has announced a lock, a cover it does not
// announce is taken for what it looks like, a window. Says on standard error
// when a lock begins and when it ends, and whether the desktop said so.
class WaylandPass : public ScreenPixels {
public:
    // outputUnits: the output's width in window units (its logical width).
    // windowShown: whether Sentrel's window is shown. announced: whether the
    // desktop says the session is locked or its screen blanked.
    WaylandPass(OutputCapture& output, std::function<int()> outputUnits, std::function<bool()> windowShown,
                std::function<bool()> announced)
        : output_(output),
          window_(output, std::move(outputUnits)),
          copy_(output),
          windowShown_(std::move(windowShown)),
          announced_(std::move(announced)) {}

    double PixelsPerUnit() { return window_.PixelsPerUnit(); }
    void BeginPass() override;
    void Read(std::span<const ScreenPoint> points, std::span<std::int32_t> colours) override;
    bool Seen() const override { return seen_; }

private:
    // The pass's first read: these points, in window units, and all it needs besides.
    void Begin(std::span<const ScreenPoint> units);
    void CopyFor(std::span<const ScreenPoint> units, MonitorPlacement at);
    void LookForLock();

    OutputCapture& output_;
    WindowOnOutput window_;
    OutputCopy copy_;
    std::function<bool()> windowShown_, announced_;
    MonitorPlacement at_;
    std::vector<ScreenPoint> mapped_;
    bool begun_ = false;
    LockerCover cover_;
    enum class Lock { None, Announced, Covered };
    // Kept through a failed copy, which shows nothing of a locker.
    bool covered_ = false;
    bool desktopAnnounces_ = false;
    Lock lock_ = Lock::None;
    bool seen_ = true;
};

}  // namespace sentrel
