#include <QApplication>
#include <stdexcept>

#include "app/Form1.h"
#include "app/HandlerGate.h"
#include "client/PhonePageAddress.h"
#include "client/ServiceClient.h"
#include "log/ToolLog.h"
#include "monitor/SystemClock.h"
#include "monitor/SystemRandom.h"
#include "platform/capture/ScreenCapture.h"
#include "platform/curl/CurlTransport.h"
#include "platform/linux/QtX11HotKeys.h"
#include "platform/linux/ResponsiveTransport.h"
#include "platform/linux/SignInPicture.h"
#include "platform/linux/ToggleService.h"
#include "platform/linux/ToolStart.h"
#include "platform/qt/EndSignals.h"
#include "platform/qt/QtFormView.h"

using namespace sentrel;

int main(int argc, char** argv) {
    if (const ToolOptions given = ParseToolOptions(std::vector<std::string>(argv + 1, argv + argc)); given.toggle) {
        return AskRunningInstancesToToggle(argc, argv, given.screen);
    }
    // Chosen before the toolkit, which aborts without a display instead of
    // saying what is missing.
    std::unique_ptr<ScreenCapture> capture;
    try {
        capture = ScreenCapture::Choose();
    } catch (const std::runtime_error& error) {
        Say(error.what());
        return 1;
    }
    QApplication app(argc, argv);
    SetUpToolkit();
    const ToolOptions options = OptionsGiven();
    const std::optional<std::string> serviceUrl = ServiceUrlGiven(options);
    if (!serviceUrl) return 2;

    CurlTransport curl;
    ResponsiveTransport transport(curl);
    ServiceClient service(transport, ServiceRequests(*serviceUrl));
    SystemClock clock;
    SystemRandom random;
    HandlerGate gate;
    QtFormView view(gate, SignInPicture(PhonePageUrlFor(*serviceUrl)), QUrl(QString::fromStdString(*serviceUrl + "/")),
                    capture->Kind(), [&capture] { return capture->PixelsPerUnit(); });
    // One Sentrel per desktop session and monitor: `sentrel --toggle` then
    // finds the ones that run, and a second start on a watched monitor brings
    // its window back instead.
    const MonitorToCover monitor = ChosenMonitor(options);
    ToggleService bus(
        InstanceName(monitor.number), [&view] { view.ShowOrHide(); }, [&view] { view.ShowAndRaise(); });
    if (!bus.Register()) return ShowRunningInstance(monitor.number);
    view.CoverMonitor(monitor.screen);
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
