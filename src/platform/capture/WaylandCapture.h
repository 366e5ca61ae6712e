#pragma once

#include <memory>
#include <optional>

#include "platform/capture/PortalFrames.h"
#include "platform/capture/ScreenCapture.h"
#include "platform/capture/SessionLockWatch.h"
#include "platform/capture/WaylandPass.h"
#include "platform/wayland/WaylandScreenReader.h"

namespace sentrel {

// The output Sentrel's window lies on, read as composited: the window is
// placed on it by the mark in its corner, and the output is not seen while
// the session is locked.
class WaylandCapture : public ScreenCapture {
public:
    // wlroots: the compositor's own copy of its outputs; none where the
    // desktop's screen-cast portal streams the output instead.
    explicit WaylandCapture(std::unique_ptr<WaylandScreenReader> wlroots) : wlroots_(std::move(wlroots)) {}

    WindowKind Kind() const override { return WindowKind::Pinholed; }
    double PixelsPerUnit() override { return pass_ ? pass_->PixelsPerUnit() : 1.0; }
    ScreenPixels& Through(QWidget& window, std::function<MonitorPlacement()> onDesktop) override;
    void Start(std::function<void()> load) override;

private:
    std::unique_ptr<WaylandScreenReader> wlroots_;
    std::unique_ptr<PortalFrames> cast_;
    std::optional<SessionLockWatch> lock_;
    std::optional<WaylandPass> pass_;
};

}  // namespace sentrel
