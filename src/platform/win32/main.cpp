#include <windows.h>

#include <stdexcept>

#include "app/Form1.h"
#include "app/HandlerGate.h"
#include "app/ViewConventions.h"
#include "monitor/ScaledScreenPixels.h"
#include "monitor/SystemClock.h"
#include "monitor/SystemRandom.h"
#include "platform/win32/DpiAwareness.h"
#include "platform/win32/GdiScreenReader.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32FormView.h"
#include "platform/win32/Win32HotKeys.h"
#include "platform/win32/WinHttpTransport.h"
#include "service/ServiceAddress.h"
#include "service/ServiceClient.h"

using namespace sentrel;

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    BecomeDpiAware();

    std::string serviceUrl;
    try {
        serviceUrl = ServiceUrlFromEnvironment();
    } catch (const std::invalid_argument& error) {
        MessageBoxW(nullptr, Widen(error.what()).c_str(), L"Sentrel", MB_OK);
        return 2;
    }

    HandlerGate gate;
    Win32FormView view(instance, gate);
    WinHttpTransport transport;
    ServiceClient service(transport, ServiceRequests(serviceUrl));
    GdiScreenReader gdi;
    // Areas are in the model's units; the window, and the screen beneath
    // it, in pixels at the window's density.
    ScaledScreenPixels screen(gdi, [&view] { return static_cast<double>(view.Dpi()) / kLayoutDpi; });
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
