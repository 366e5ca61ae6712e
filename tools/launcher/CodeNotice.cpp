#include "CodeNotice.h"

#include <algorithm>
#include <numeric>
#include <string>
#include <thread>
#include <vector>

#include "app/FormLayout.h"
#include "app/ViewConventions.h"
#include "platform/win32/GdiHandles.h"
#include "platform/win32/GdiQrCode.h"
#include "platform/win32/GdiText.h"
#include "platform/winhttp/WideText.h"

namespace sentrel::launcher {
namespace {

constexpr wchar_t kClass[] = L"SentrelCodeNotice";
// Layout pixels: the launcher leaves scaling to Windows.
constexpr int kWidth = 320, kQrSide = 216, kButtonWidth = 88, kButtonHeight = 28, kMargin = 12;
const Font kTextFont{"宋体", 10.5, false, kGb2312Charset};
const Font kCodeFont{"宋体", 26, true, kGb2312Charset};

// A band of the window, top to bottom: text in a font, or, without a font,
// the QR code of the text.
struct Band {
    int height;
    const Font* font;
    std::string text;
};

std::vector<Band> BandsOf(const service::ReadyRecord& ready, int takenPort) {
    std::vector<Band> bands;
    if (!ready.subscribe.empty()) {
        bands.push_back({kQrSide, nullptr, ready.subscribe});
        bands.push_back({24, &kTextFont, "用手机扫描二维码订阅提醒"});
    }
    bands.push_back({36, &kTextFont, "您的验证码："});
    bands.push_back({48, &kCodeFont, ready.code});
    bands.push_back(
        {64, &kTextFont, "请在 Sentrel 登录框中输入。\n十分钟内有效，只能使用一次；\n新的验证码见 " + ready.url + "/"});
    if (takenPort != 0) {
        bands.push_back(
            {48, &kTextFont, "端口 " + std::to_string(takenPort) + " 已被其他程序占用，\n本机服务改用 " + ready.url});
    }
    return bands;
}

struct Shown {
    std::vector<Band> bands;
    HWND button = nullptr;
};

void Paint(HWND window, const Shown& shown) {
    const PaintDc dc(window);
    SetTextColor(dc.Get(), RGB(0, 0, 0));
    int top = kMargin;
    for (const Band& band : shown.bands) {
        if (band.font == nullptr) {
            const int left = (kWidth - kQrSide) / 2;
            DrawQrCode(dc.Get(), band.text, RECT{left, top, left + kQrSide, top + kQrSide});
        } else {
            DrawCentredText(dc.Get(), *band.font, kLayoutDpi, Widen(band.text),
                            RECT{0, top, kWidth, top + band.height});
        }
        top += band.height;
    }
}

LRESULT CALLBACK NoticeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* shown = reinterpret_cast<Shown*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
        case WM_NCCREATE:
            SetWindowLongPtrW(window, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
            break;
        case WM_PAINT:
            Paint(window, *shown);
            return 0;
        // The button takes the keys, as in a message box.
        case WM_ACTIVATE:
            if (LOWORD(wParam) != WA_INACTIVE && shown->button != nullptr) SetFocus(shown->button);
            return 0;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) DestroyWindow(window);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void RunNotice(const service::ReadyRecord& ready, int takenPort) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW notice{};
    notice.cbSize = sizeof notice;
    notice.lpfnWndProc = NoticeProc;
    notice.hInstance = instance;
    notice.hCursor = LoadCursor(nullptr, IDC_ARROW);
    // White, the quiet zone a phone's camera needs around the code.
    notice.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    notice.lpszClassName = kClass;
    RegisterClassExW(&notice);

    Shown shown{BandsOf(ready, takenPort)};
    const int bandsHeight = std::accumulate(shown.bands.begin(), shown.bands.end(), kMargin,
                                            [](int sum, const Band& band) { return sum + band.height; });
    const int height = bandsHeight + kButtonHeight + kMargin;
    constexpr DWORD kStyle = WS_CAPTION | WS_SYSMENU, kExStyle = WS_EX_TOPMOST | WS_EX_DLGMODALFRAME;
    RECT frame{0, 0, kWidth, height};
    AdjustWindowRectEx(&frame, kStyle, FALSE, kExStyle);
    RECT desk{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &desk, 0);
    const int outerWidth = frame.right - frame.left, outerHeight = frame.bottom - frame.top;
    // Right of the sign-in panel, which the window centres, where it fits.
    const int panelWidth = static_cast<int>(DesignedLayout().Get("Frame2").width);
    const int left =
        std::max(desk.left, std::min((desk.left + desk.right + panelWidth) / 2 + kMargin, desk.right - outerWidth));
    const HWND window =
        CreateWindowExW(kExStyle, kClass, L"Sentrel 验证码", kStyle, left, (desk.top + desk.bottom - outerHeight) / 2,
                        outerWidth, outerHeight, nullptr, nullptr, instance, &shown);
    shown.button = CreateWindowExW(0, L"Button", L"确定", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON,
                                   (kWidth - kButtonWidth) / 2, bandsHeight, kButtonWidth, kButtonHeight, window,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDOK)), instance, nullptr);
    const GdiObject<HFONT> buttonFont = CreateLayoutFont(kTextFont, kLayoutDpi);
    SendMessageW(shown.button, WM_SETFONT, reinterpret_cast<WPARAM>(buttonFont.get()), FALSE);
    ShowWindow(window, SW_SHOWNORMAL);
    SetForegroundWindow(window);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (IsDialogMessageW(window, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

}  // namespace

void ShowCodeNotice(const service::ReadyRecord& ready, int takenPort) {
    std::thread([ready, takenPort] { RunNotice(ready, takenPort); }).detach();
}

}  // namespace sentrel::launcher
