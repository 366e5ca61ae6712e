#include "platform/capture/X11Capture.h"

#include <QTimer>

#include "log/ToolLog.h"
#include "platform/capture/CaptureWarnings.h"

namespace sentrel {

ScreenPixels& X11Capture::Through(QWidget& window, std::function<MonitorPlacement()> onDesktop) {
    window_ = &window;
    // Areas are watched through Sentrel's own window: it never counts.
    reader_->Exclude([&window] { return static_cast<xcb_window_t>(window.internalWinId()); });
    if (!reader_->SeesBeneathWindows()) {
        Say("this X display has no Composite extension; areas are read as the screen shows them, Sentrel's window "
            "included, so watch them with the window hidden (Ctrl+W)");
    }
    return screen_.emplace(*reader_, std::move(onDesktop));
}

void X11Capture::Start(std::function<void()> load) {
    load();
    if (!whyNotWayland_.empty()) {
        QTimer::singleShot(0, window_, [this] { WarnWhenOnlyX11WindowsCanBeSeen(*window_, whyNotWayland_); });
    }
}

}  // namespace sentrel
