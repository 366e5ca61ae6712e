#include <QApplication>
#include <QCursor>
#include <QIcon>
#include <QMessageBox>
#include <cstdio>
#include <stdexcept>

#include "app/Form1.h"
#include "app/HandlerGate.h"
#include "app/ToolOptions.h"
#include "monitor/MonitorChoice.h"
#include "monitor/SystemClock.h"
#include "monitor/SystemRandom.h"
#include "platform/capture/ScreenCapture.h"
#include "platform/curl/CurlTransport.h"
#include "platform/qt/CjkFonts.h"
#include "platform/qt/EndSignals.h"
#include "platform/qt/QtFormView.h"
#include "platform/qt/QtX11HotKeys.h"
#include "platform/qt/ResponsiveTransport.h"
#include "platform/qt/SignInPicture.h"
#include "platform/qt/ToggleService.h"
#include "service/ServiceAddress.h"
#include "service/ServiceClient.h"

using namespace sentrel;

namespace {

void SetUpToolkit() {
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
}

// The command line as the toolkit leaves it, with what was not understood
// said on standard error.
ToolOptions OptionsGiven() {
    std::vector<std::string> args;
    for (const QString& arg : QApplication::arguments().mid(1)) args.push_back(arg.toStdString());
    ToolOptions options = ParseToolOptions(args);
    for (const std::string& arg : options.notUnderstood) {
        std::fprintf(stderr, "sentrel: ignored \"%s\"; the options are --screen N, --service URL and --toggle\n",
                     arg.c_str());
    }
    return options;
}

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
    // Chosen before the toolkit, which aborts without a display instead of
    // saying what is missing.
    std::unique_ptr<ScreenCapture> capture;
    try {
        capture = ScreenCapture::Choose();
    } catch (const std::runtime_error& error) {
        std::fprintf(stderr, "sentrel: %s\n", error.what());
        return 1;
    }
    QApplication app(argc, argv);
    SetUpToolkit();
    const ToolOptions options = OptionsGiven();
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
    QtFormView view(gate, SignInPicture(codePage), QUrl(codePage), capture->Kind(),
                    [&capture] { return capture->PixelsPerUnit(); });
    // One Sentrel per desktop session: `sentrel --toggle` then always finds
    // the one that runs, and a second start brings its window back instead.
    ToggleService bus([&view] { view.ShowOrHide(); }, [&view] { view.ShowAndRaise(); });
    if (!bus.Register()) return ShowRunningInstance();
    view.CoverMonitor(ChosenMonitor(options));
    ScreenPixels& screen = capture->Through(view, [&view] { return view.Placement(); });
    Form1* formPointer = nullptr;
    QtX11HotKeys hotKeys(
        [&gate, &formPointer](std::int32_t id) { gate.Run([&formPointer, id] { formPointer->HotKeyWndProc(id); }); });
    Form1 form(FormServices{view, screen, service, hotKeys, clock, random});
    formPointer = &form;
    view.Attach(form);
    // The session's end quits the toolkit, which closes only shown windows.
    EndSignals endSignals([&view] { view.End(); });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &view, [&view] { view.End(); });
    capture->Start([&gate, &form] { gate.Run([&form] { form.Form_Load(); }); });
    return QApplication::exec();
}
