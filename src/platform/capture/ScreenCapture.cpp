#include "platform/capture/ScreenCapture.h"

#include <QDBusConnection>
#include <stdexcept>

#include "log/ToolLog.h"
#include "platform/capture/ScreenCastPortal.h"
#include "platform/capture/WaylandCapture.h"
#include "platform/capture/X11Capture.h"

namespace sentrel {

std::unique_ptr<ScreenCapture> ScreenCapture::Choose() {
    std::string whyNotWayland;
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    const bool waylandSession = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    if (waylandSession && (platform.isEmpty() || platform.startsWith("wayland"))) {
        try {
            auto wlroots = std::make_unique<WaylandScreenReader>();
            qputenv("QT_QPA_PLATFORM", "wayland");
            Say(std::string(said::kNativeWayland) + "; the screen is read through wlr-screencopy");
            return std::make_unique<WaylandCapture>(std::move(wlroots));
        } catch (const std::runtime_error& error) {
            whyNotWayland = error.what();
        }
        // A connection of its own: the toolkit's is made once it runs.
        const QString probe = "sentrel-portal-probe";
        const bool portal =
            ScreenCastPortal::Offered(QDBusConnection::connectToBus(QDBusConnection::SessionBus, probe));
        QDBusConnection::disconnectFromBus(probe);
        if (portal) {
            qputenv("QT_QPA_PLATFORM", "wayland");
            Say(std::string(said::kNativeWayland) + "; the screen is read through the screen-cast portal and PipeWire");
            return std::make_unique<WaylandCapture>(nullptr);
        }
        whyNotWayland += ", and the session offers no screen-cast portal";
    } else if (waylandSession) {
        whyNotWayland = "QT_QPA_PLATFORM asks for " + platform.toStdString();
    }
    if (platform.isEmpty() || platform.startsWith("wayland")) qputenv("QT_QPA_PLATFORM", "xcb");
    std::unique_ptr<XcbScreenReader> reader;
    try {
        reader = std::make_unique<XcbScreenReader>();
    } catch (const std::runtime_error& error) {
        throw std::runtime_error(std::string(error.what()) +
                                 "; Sentrel needs an X11 display, or a Wayland session with wlr-screencopy, the "
                                 "screen-cast portal or XWayland");
    }
    Say(std::string("X11 window; the screen is read through X11") + (whyNotWayland.empty() ? "" : " (XWayland)"));
    return std::make_unique<X11Capture>(std::move(reader), std::move(whyNotWayland));
}

}  // namespace sentrel
