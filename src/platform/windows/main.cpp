#include <windows.h>

#include <shellapi.h>

#include <optional>
#include <vector>

#include <stdexcept>

#include "app/Form1.h"
#include "app/HandlerGate.h"
#include "app/ToolOptions.h"
#include "client/PhonePageAddress.h"
#include "client/ServiceAddress.h"
#include "client/ServiceClient.h"
#include "log/ToolLog.h"
#include "monitor/MonitorChoice.h"
#include "monitor/MonitorPixels.h"
#include "monitor/SystemClock.h"
#include "monitor/SystemRandom.h"
#include "platform/win32/DpiAwareness.h"
#include "platform/win32/GdiScreenReader.h"
#include "platform/win32/Win32FormView.h"
#include "platform/win32/Win32HotKeys.h"
#include "platform/winhttp/WideText.h"
#include "platform/winhttp/WinHttpTransport.h"

using namespace sentrel;

namespace {

ToolOptions CommandLineOptions() {
    int count = 0;
    wchar_t** words = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> args;
    for (int i = 1; i < count; ++i) args.push_back(Narrow(words[i]));
    LocalFree(words);
    return ParseToolOptions(args);
}

// The monitor the window covers, in desktop pixels (the process is aware
// of each monitor's DPI): the one asked for, else the one under the pointer.
// None when the system lists no monitor; the view then keeps the primary.
std::optional<RECT> ChosenMonitor(const ToolOptions& options) {
    std::vector<MonitorArea> monitors;
    EnumDisplayMonitors(
        nullptr, nullptr,
        [](HMONITOR monitor, HDC, LPRECT, LPARAM list) -> BOOL {
            MONITORINFOEXW info{};
            info.cbSize = sizeof info;
            if (GetMonitorInfoW(monitor, &info) == 0) return TRUE;
            const RECT& r = info.rcMonitor;
            reinterpret_cast<std::vector<MonitorArea>*>(list)->push_back(
                {Narrow(info.szDevice), r.left, r.top, r.right - r.left, r.bottom - r.top});
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&monitors));
    if (monitors.empty()) return std::nullopt;
    POINT pointer{};
    GetCursorPos(&pointer);
    const MonitorChoice choice = ChooseMonitor(monitors, options.screen, pointer.x, pointer.y);
    if (!choice.error.empty()) Say(choice.error);
    const MonitorArea& m = monitors[choice.index];
    return RECT{m.x, m.y, m.x + m.width, m.y + m.height};
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    BecomeDpiAware();

    const ToolOptions options = CommandLineOptions();
    if (options.toggle) {
        Say("--toggle is for Linux desktops; here Ctrl+W shows and hides the window");
        return 2;
    }
    for (const std::string& arg : options.notUnderstood) {
        Say("ignored \"" + arg + "\"; the options are --screen N and --service URL");
    }
    std::string serviceUrl;
    try {
        serviceUrl = ServiceUrlFor(options.service);
    } catch (const std::invalid_argument& error) {
        MessageBoxW(nullptr, Widen(error.what()).c_str(), L"Sentrel", MB_OK);
        return 2;
    }

    HandlerGate gate;
    Win32FormView view(instance, gate, serviceUrl + "/", PhonePageUrlFor(serviceUrl));
    if (const std::optional<RECT> monitor = ChosenMonitor(options)) view.CoverMonitor(*monitor);
    WinHttpTransport transport;
    ServiceClient service(transport, ServiceRequests(serviceUrl));
    GdiScreenReader gdi(view.Session());
    // Areas are in the model's units; the window, and the screen beneath
    // it, in pixels at the window's density, on its monitor.
    MonitorPixels screen(gdi, [&view] { return view.Placement(); });
    SystemClock clock;
    SystemRandom random;
    Win32HotKeys hotKeys(view.Window());
    Form1 form(FormServices{view, screen, service, hotKeys, clock, random});
    view.Attach(form);
    gate.Run([&form] { form.Form_Load(); });

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
