#include <QApplication>
#include <QCursor>
#include <QIcon>
#include <QMessageBox>
#include <QStandardPaths>
#include <QTimer>
#include <cstdio>
#include <stdexcept>

#include "app/Form1.h"
#include "app/HandlerGate.h"
#include "app/ToolOptions.h"
#include "monitor/MonitorChoice.h"
#include "monitor/MonitorPixels.h"
#include "monitor/SystemClock.h"
#include "monitor/SystemRandom.h"
#include "platform/capture/ScreenCapture.h"
#include "platform/curl/CurlTransport.h"
#include "platform/qt/CjkFonts.h"
#include "platform/qt/EndSignals.h"
#include "platform/qt/PortalFrames.h"
#include "platform/qt/QtFormView.h"
#include "platform/qt/QtX11HotKeys.h"
#include "platform/qt/ResponsiveTransport.h"
#include "platform/qt/SessionLockWatch.h"
#include "platform/qt/SignInPicture.h"
#include "platform/qt/ToggleService.h"
#include "platform/wayland/OutputSight.h"
#include "platform/wayland/WindowOnOutput.h"
#include "service/ServiceAddress.h"
#include "service/ServiceClient.h"

using namespace sentrel;

namespace {

// The monitor the window covers: the one asked for on the command line, else
// the one under the pointer. Qt lists the X screen's RandR monitors.
QScreen* ChosenMonitor(const ToolOptions& options) {
    const QList<QScreen*> screens = QGuiApplication::screens();
    std::vector<MonitorArea> monitors;
    for (const QScreen* screen : screens) {
        const QRect area = screen->geometry();
        monitors.push_back({screen->name().toStdString(), area.x(), area.y(), area.width(), area.height()});
    }
    const QPoint pointer = QCursor::pos();
    const MonitorChoice choice = ChooseMonitor(monitors, options.screen, pointer.x(), pointer.y());
    if (!choice.error.empty()) std::fprintf(stderr, "sentrel: %s\n", choice.error.c_str());
    return screens[static_cast<qsizetype>(choice.index)];
}

}  // namespace

int main(int argc, char** argv) {
    if (ParseToolOptions(std::vector<std::string>(argv + 1, argv + argc)).toggle) {
        return AskRunningInstanceToToggle(argc, argv);
    }
    // Opened before the toolkit, which aborts without a display instead of
    // saying what is missing.
    ScreenCapture capture;
    try {
        capture = ChooseScreenCapture();
    } catch (const std::runtime_error& error) {
        std::fprintf(stderr, "sentrel: %s\n", error.what());
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName("Sentrel");
    // Names the window to Wayland compositors (its app_id), for their rules.
    QGuiApplication::setDesktopFileName("sentrel");
    QApplication::setFont(CjkFont(9, false));
    // The theme's icon and the built-in one are both SVG: without Qt's SVG
    // plugins the window simply has no icon.
    QApplication::setWindowIcon(QIcon::fromTheme("sentrel", QIcon(":/sentrel.svg")));
    // A steady text cursor: the threshold box keeps the focus while the tool
    // watches for hours, and a blinking one would repaint it twice a second.
    QApplication::setCursorFlashTime(0);

    std::vector<std::string> args;
    for (const QString& arg : QApplication::arguments().mid(1)) args.push_back(arg.toStdString());
    const ToolOptions options = ParseToolOptions(args);
    for (const std::string& arg : options.notUnderstood) {
        std::fprintf(stderr, "sentrel: ignored \"%s\"; the options are --screen N, --service URL and --toggle\n",
                     arg.c_str());
    }

    std::string serviceUrl;
    try {
        serviceUrl = ServiceUrlFor(options.service);
    } catch (const std::invalid_argument& error) {
        std::fprintf(stderr, "sentrel: %s\n", error.what());
        QMessageBox::critical(nullptr, "Sentrel", QString::fromUtf8(error.what()));
        return 2;
    }

    CurlTransport curl;
    ResponsiveTransport transport(curl);
    ServiceClient service(transport, ServiceRequests(serviceUrl));
    SystemClock clock;
    SystemRandom random;
    HandlerGate gate;

    const QString codePage = QString::fromStdString(serviceUrl + "/");
    QtFormView view(gate, SignInPicture(codePage), QUrl(codePage));
    // One Sentrel per desktop session: `sentrel --toggle` then always finds
    // the one that runs, and a second start brings its window back instead.
    ToggleService bus([&view] { view.ShowOrHide(); }, [&view] { view.ShowAndRaise(); });
    if (!bus.Register()) return ShowRunningInstance();
    view.CoverMonitor(ChosenMonitor(options));
    // Areas are watched through Sentrel's own window: it never counts.
    std::function<MonitorPlacement()> placement = [&view] { return view.Placement(); };
    ScreenPixels* desktop = capture.x11.get();
    OutputCapture* native = capture.wayland.get();
    std::unique_ptr<PortalFrames> cast;
    std::unique_ptr<WindowOnOutput> window;
    std::unique_ptr<SessionLockWatch> lock;
    std::unique_ptr<OutputSight> sight;
    if (capture.portal) {
        cast = std::make_unique<PortalFrames>(
            QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) + "/screencast-restore-token",
            [&view](const std::string& why) { WarnThatNothingCanBeSeen(view, why); });
        native = cast.get();
    }
    if (native != nullptr) {
        // A Wayland client is not told where its window is: the window marks
        // its corner, which is looked for on the output.
        window = std::make_unique<WindowOnOutput>(*native, [&view] { return view.screen()->geometry().width(); });
        view.SeeThroughAtSamplePoints([&window] { return window->PixelsPerUnit(); });
        placement = [&window] { return window->Placement(); };
        lock = std::make_unique<SessionLockWatch>(QDBusConnection::systemBus(), QDBusConnection::sessionBus());
        sight = std::make_unique<OutputSight>(
            *native, *window, [&view] { return view.isVisible(); }, [&lock] { return lock->Announced(); });
        desktop = sight.get();
        std::fprintf(stderr,
                     "sentrel: on Wayland, Ctrl+W shows and hides the window once the desktop binds it to "
                     "\"sentrel --toggle\"\n");
        if (capture.wayland) capture.wayland->ReadOutput([&view] { return view.screen()->name().toStdString(); });
    } else {
        capture.x11->Exclude([&view] { return static_cast<xcb_window_t>(view.internalWinId()); });
        if (!capture.x11->SeesBeneathWindows()) {
            std::fprintf(stderr,
                         "sentrel: this X display has no Composite extension; areas are read as the screen shows "
                         "them, Sentrel's window included, so watch them with the window hidden (Ctrl+W)\n");
        }
    }
    MonitorPixels screen(*desktop, placement);
    Form1* formPointer = nullptr;
    QtX11HotKeys hotKeys(
        [&gate, &formPointer](std::int32_t id) { gate.Run([&formPointer, id] { formPointer->HotKeyWndProc(id); }); });
    Form1 form(FormServices{view, screen, service, hotKeys, clock, random});
    formPointer = &form;
    view.Attach(form);

    // The session's end quits the toolkit, which closes only shown windows.
    EndSignals endSignals([&view] { view.End(); });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &view, [&view] { view.End(); });

    const auto load = [&gate, &form] { gate.Run([&form] { form.Form_Load(); }); };
    if (cast) {
        // The window comes once the desktop has had its answer: shown first,
        // it could lie over the desktop's dialog and take the clicks meant
        // for it.
        cast->Start(load);
    } else {
        load();
    }
    if (!capture.whyNotWayland.empty()) {
        QTimer::singleShot(0, &view,
                           [&view, why = capture.whyNotWayland] { WarnWhenOnlyX11WindowsCanBeSeen(view, why); });
    }
    return QApplication::exec();
}
