#include <QApplication>
#include <QIcon>
#include <QMessageBox>
#include <cstdio>
#include <stdexcept>

#include "app/Form1.h"
#include "app/HandlerGate.h"
#include "monitor/ScaledScreenPixels.h"
#include "monitor/SystemClock.h"
#include "monitor/SystemRandom.h"
#include "platform/curl/CurlTransport.h"
#include "platform/qt/CjkFonts.h"
#include "platform/qt/EndSignals.h"
#include "platform/qt/QtFormView.h"
#include "platform/qt/QtX11HotKeys.h"
#include "platform/qt/ResponsiveTransport.h"
#include "platform/qt/SignInPicture.h"
#include "platform/x11/XcbScreenReader.h"
#include "service/ServiceAddress.h"
#include "service/ServiceClient.h"

using namespace sentrel;

int main(int argc, char** argv) {
    // Screen reading and the global hot key go through X11; on a Wayland
    // session the window runs under XWayland so that both work.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "xcb");
    // Opened before the toolkit, which aborts without a display instead of
    // saying what is missing.
    std::unique_ptr<XcbScreenReader> screenReader;
    try {
        screenReader = std::make_unique<XcbScreenReader>();
    } catch (const std::runtime_error& error) {
        std::fprintf(stderr,
                     "sentrel: %s; Sentrel needs an X11 display (or XWayland on a Wayland session) and DISPLAY set\n",
                     error.what());
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName("Sentrel");
    QApplication::setFont(CjkFont(9, false));
    // The theme's icon and the built-in one are both SVG: without Qt's SVG
    // plugins the window simply has no icon.
    QApplication::setWindowIcon(QIcon::fromTheme("sentrel", QIcon(":/sentrel.svg")));
    // A steady text cursor: the threshold box keeps the focus while the tool
    // watches for hours, and a blinking one would repaint it twice a second.
    QApplication::setCursorFlashTime(0);

    std::string serviceUrl;
    try {
        serviceUrl = ServiceUrlFromEnvironment();
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
    // Areas are watched through Sentrel's own window: it never counts.
    screenReader->Exclude([&view] { return static_cast<xcb_window_t>(view.internalWinId()); });
    if (!screenReader->SeesBeneathWindows()) {
        std::fprintf(stderr,
                     "sentrel: this X display has no Composite extension; areas are read as the screen shows "
                     "them, Sentrel's window included, so watch them with the window hidden (Ctrl+W)\n");
    }
    ScaledScreenPixels screen(*screenReader, [&view] { return view.devicePixelRatioF(); });
    Form1* formPointer = nullptr;
    QtX11HotKeys hotKeys(
        [&gate, &formPointer](std::int32_t id) { gate.Run([&formPointer, id] { formPointer->HotKeyWndProc(id); }); });
    Form1 form(FormServices{view, screen, service, hotKeys, clock, random});
    formPointer = &form;
    view.Attach(form);

    // However the tool is ended (a signal, the session closing) it signs off
    // as when its window is closed, once.
    EndSignals endSignals([&view] { view.close(); });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &view, [&view] { view.close(); });

    gate.Run([&form] { form.Form_Load(); });
    return QApplication::exec();
}
