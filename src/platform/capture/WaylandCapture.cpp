#include "platform/capture/WaylandCapture.h"

#include <QScreen>
#include <QStandardPaths>

#include "log/ToolLog.h"
#include "platform/capture/CaptureWarnings.h"

namespace sentrel {

ScreenPixels& WaylandCapture::Through(QWidget& window, std::function<MonitorPlacement()>) {
    OutputCapture* output = wlroots_.get();
    if (wlroots_) {
        wlroots_->ReadOutput([&window] { return window.screen()->name().toStdString(); });
    } else {
        cast_ = std::make_unique<PortalFrames>(
            QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) + "/screencast-restore-token",
            [&window](const std::string& why) { WarnThatNothingCanBeSeen(window, why); });
        output = cast_.get();
    }
    lock_.emplace(QDBusConnection::systemBus(), QDBusConnection::sessionBus());
    Say("on Wayland, Ctrl+W shows and hides the window once the desktop binds it to \"sentrel --toggle\"");
    return pass_.emplace(
        *output, [&window] { return window.screen()->geometry().width(); }, [&window] { return window.isVisible(); },
        [this] { return lock_->Announced(); });
}

void WaylandCapture::Start(std::function<void()> load) {
    if (cast_) {
        // The window comes once the desktop has had its answer: shown first,
        // it could lie over the desktop's dialog and take the clicks meant
        // for it.
        cast_->Start(std::move(load));
    } else {
        load();
    }
}

}  // namespace sentrel
