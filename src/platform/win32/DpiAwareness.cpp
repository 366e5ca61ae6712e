#include "platform/win32/DpiAwareness.h"

#include "platform/win32/GdiHandles.h"
#include "platform/win32/SystemFunction.h"

namespace sentrel {

void BecomeDpiAware() {
    using SetContext = BOOL(WINAPI*)(DPI_AWARENESS_CONTEXT);
    const auto setContext = FindSystemFunction<SetContext>(L"user32.dll", "SetProcessDpiAwarenessContext");
    if (setContext != nullptr && setContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2)) return;
    SetProcessDPIAware();
}

int WindowDpi(HWND window) {
    using GetDpi = UINT(WINAPI*)(HWND);
    const auto getDpi = FindSystemFunction<GetDpi>(L"user32.dll", "GetDpiForWindow");
    if (getDpi != nullptr) {
        if (const UINT dpi = getDpi(window); dpi != 0) return static_cast<int>(dpi);
    }
    const WindowDc dc(window);
    return GetDeviceCaps(dc.Get(), LOGPIXELSY);
}

}  // namespace sentrel
