#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/capture/ScreenCapture.h"
#include "platform/x11/XcbScreenReader.h"

namespace sentrel {

// The screen read through X11, beneath Sentrel's window, at the place X11
// gives the window on the desktop.
class X11Capture : public ScreenCapture {
public:
    // whyNotWayland: why a Wayland session is read through XWayland; empty
    // on X11.
    X11Capture(std::unique_ptr<XcbScreenReader> reader, std::string whyNotWayland)
        : reader_(std::move(reader)), whyNotWayland_(std::move(whyNotWayland)) {}

    WindowKind Kind() const override { return WindowKind::ReadBeneath; }
    double PixelsPerUnit() override { return 1.0; }
    ScreenPixels& Through(QWidget& window, std::function<MonitorPlacement()> onDesktop) override;
    void Start(std::function<void()> load) override;

private:
    std::unique_ptr<XcbScreenReader> reader_;
    std::string whyNotWayland_;
    QWidget* window_ = nullptr;
    std::optional<MonitorPixels> screen_;
};

}  // namespace sentrel
