#include "platform/win32/Win32FormView.h"

#include <windowsx.h>

#include <cmath>

#include "app/HandlerDispatch.h"
#include "platform/win32/SignInBitmap.h"
#include "platform/win32/WideText.h"

namespace sentrel {
namespace {

constexpr wchar_t kFormClass[] = L"SentrelForm";
constexpr wchar_t kPanelClass[] = L"SentrelPanel";
constexpr UINT_PTR kTimer1 = 1, kTimer2 = 2;

COLORREF ToColorref(const Colour& colour) {
    switch (colour.kind) {
        case Colour::Kind::Rgb:
            return static_cast<COLORREF>(colour.bgr);
        case Colour::Kind::SystemWindow:
            return GetSysColor(COLOR_WINDOW);
        case Colour::Kind::SystemWindowText:
            return GetSysColor(COLOR_WINDOWTEXT);
        default:
            return CLR_INVALID;
    }
}

// Positions are kept unrounded in the model; a control sits on whole
// pixels, halves going to the even neighbour.
int Pixels(float value) { return static_cast<int>(std::nearbyint(value)); }

HFONT CreateSimSun(double points, bool bold) {
    const int pixels = static_cast<int>(std::lround(points * 96.0 / 72.0));
    return CreateFontW(-pixels, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"宋体");
}

std::int16_t Shift(WPARAM wParam) {
    return static_cast<std::int16_t>(((wParam & MK_SHIFT) ? 1 : 0) | ((wParam & MK_CONTROL) ? 2 : 0) |
                                     ((GetKeyState(VK_MENU) < 0) ? 4 : 0));
}

// Whether Windows leaves a window out of screen captures when asked to
// (WDA_EXCLUDEFROMCAPTURE, from Windows 10 2004, build 19041). Earlier
// versions take that request as WDA_MONITOR and capture the window as an
// empty black box, our own reads included. Only ntdll tells the true version
// to a program without a compatibility manifest.
bool ExcludesWindowsFromCapture() {
    using RtlGetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOW*);
    const FARPROC found = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion");
    if (found == nullptr) return false;
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof version;
    if (reinterpret_cast<RtlGetVersionFunction>(reinterpret_cast<void (*)()>(found))(&version) != 0) return false;
    return version.dwMajorVersion > 10 || (version.dwMajorVersion == 10 && version.dwBuildNumber >= 19041);
}

}  // namespace

Win32FormView::Win32FormView(HINSTANCE instance, HandlerGate& gate) : instance_(instance), gate_(gate) {
    WNDCLASSEXW form{};
    form.cbSize = sizeof form;
    form.lpfnWndProc = WindowProc;
    form.hInstance = instance;
    form.hCursor = LoadCursor(nullptr, IDC_CROSS);
    form.lpszClassName = kFormClass;
    RegisterClassExW(&form);
    WNDCLASSEXW panel{};
    panel.cbSize = sizeof panel;
    panel.lpfnWndProc = PanelProc;
    panel.hInstance = instance;
    panel.hCursor = LoadCursor(nullptr, IDC_ARROW);
    panel.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    panel.lpszClassName = kPanelClass;
    RegisterClassExW(&panel);

    // Layered from birth: adding the style later makes some window systems
    // (Wine's among them) re-create the window under the user's hands. It
    // stays unseen until the load handler shows it at its opacity.
    window_ = CreateWindowExW(WS_EX_APPWINDOW | WS_EX_LAYERED, kFormClass, L"Sentrel", WS_POPUP | WS_CLIPCHILDREN, 0, 0,
                              924, 679, nullptr, nullptr, instance, this);
    // Screen reads already leave layered windows out; this says so outright
    // where Windows can. Where it cannot, or refuses, the reads stay as they
    // are.
    if (ExcludesWindowsFromCapture()) SetWindowDisplayAffinity(window_, WDA_EXCLUDEFROMCAPTURE);
    HDC dc = GetDC(window_);
    picture_ = SignInBitmap(dc);
    ReleaseDC(window_, dc);
}

Win32FormView::~Win32FormView() {
    for (auto& [key, widget] : widgets_) {
        if (widget.brush) DeleteObject(widget.brush);
        if (widget.font) DeleteObject(widget.font);
    }
    if (background_) DeleteObject(background_);
    if (picture_) DeleteObject(picture_);
    if (IsWindow(window_)) DestroyWindow(window_);
}

LRESULT CALLBACK Win32FormView::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* view = static_cast<Win32FormView*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(view));
        view->window_ = window;
    }
    auto* view = reinterpret_cast<Win32FormView*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (view == nullptr) return DefWindowProcW(window, message, wParam, lParam);
    return view->Handle(message, wParam, lParam);
}

// Buttons and text boxes tell their parent about clicks and edits, and ask
// it for their colours; a panel passes all of that to the window.
LRESULT CALLBACK Win32FormView::PanelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORBTN:
            return SendMessageW(GetAncestor(window, GA_ROOT), message, wParam, lParam);
        default:
            return DefWindowProcW(window, message, wParam, lParam);
    }
}

LRESULT Win32FormView::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            Command(reinterpret_cast<HWND>(lParam), HIWORD(wParam));
            return 0;
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORBTN: {
            const Widget* widget = FindByHandle(reinterpret_cast<HWND>(lParam));
            if (widget == nullptr || widget->brush == nullptr) break;
            SetBkColor(reinterpret_cast<HDC>(wParam), widget->background);
            return reinterpret_cast<LRESULT>(widget->brush);
        }
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONUP:
            Mouse(message, wParam, lParam);
            return 0;
        case WM_ERASEBKGND: {
            RECT client;
            GetClientRect(window_, &client);
            FillRect(reinterpret_cast<HDC>(wParam), &client,
                     background_ ? background_ : reinterpret_cast<HBRUSH>(COLOR_ACTIVEBORDER + 1));
            return 1;
        }
        case WM_PAINT:
            Paint();
            return 0;
        case WM_SIZE:
            if (form_ != nullptr) gate_.RunOnce("resize", [this] { form_->Form_Resize(); });
            return 0;
        case WM_TIMER:
            if (form_ == nullptr) return 0;
            if (wParam == kTimer1) gate_.RunOnce("Timer1", [this] { form_->Timer1_Timer(); });
            if (wParam == kTimer2) gate_.RunOnce("Timer2", [this] { form_->Timer2_Timer(); });
            return 0;
        case WM_HOTKEY:
            if (form_ != nullptr) {
                const auto id = static_cast<std::int32_t>(wParam);
                gate_.Run([this, id] { form_->HotKeyWndProc(id); });
            }
            return 0;
        case WM_CLOSE:
            if (form_ == nullptr || unloaded_) {
                DestroyWindow(window_);
                return 0;
            }
            // The sign-off goes out before the window goes away, after
            // whatever handler asked for the close has finished.
            gate_.Run([this] {
                form_->Form_Unload();
                unloaded_ = true;
                DestroyWindow(window_);
            });
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            break;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

void Win32FormView::Reflect(const FormControls& controls) {
    for (const Control& control : controls.controls) {
        if (control.kind == ControlKind::Timer) {
            const UINT_PTR id = control.name == "Timer1" ? kTimer1 : kTimer2;
            bool& running = timers_[control.name];
            if (control.enabled && !running) SetTimer(window_, id, static_cast<UINT>(control.intervalMs), nullptr);
            if (!control.enabled && running) KillTimer(window_, id);
            running = control.enabled;
            continue;
        }
        Apply(WidgetFor(control), control);
    }
    ApplyWindow(controls.window);
    if (moved_) {
        // A control moved: repaint the whole surface, since a layered
        // window (under Wine at least) leaves the ground a control moved
        // onto as the window had painted it.
        RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
        moved_ = false;
    }
}

Win32FormView::Widget& Win32FormView::WidgetFor(const Control& control) {
    const Key key{control.name, control.index};
    const auto found = widgets_.find(key);
    if (found != widgets_.end()) return found->second;

    HWND parent = control.parent.empty() ? window_ : widgets_.at({control.parent, -1}).handle;
    const wchar_t* windowClass = L"STATIC";
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS;
    switch (control.kind) {
        case ControlKind::Label:
            // SS_NOTIFY makes a label take its clicks, so they start no area.
            style |= SS_NOTIFY | (control.align == TextAlign::Centre  ? SS_CENTER
                                  : control.align == TextAlign::Right ? SS_RIGHT
                                                                      : SS_LEFT);
            break;
        case ControlKind::Panel:
            windowClass = kPanelClass;
            style |= WS_CLIPCHILDREN;
            break;
        case ControlKind::TextBox:
            windowClass = L"EDIT";
            style |= WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP;
            break;
        case ControlKind::Button:
            windowClass = L"BUTTON";
            style |= BS_PUSHBUTTON | BS_MULTILINE | WS_TABSTOP;
            break;
        case ControlKind::OptionButton:
            windowClass = L"BUTTON";
            style |= BS_AUTORADIOBUTTON | WS_TABSTOP | (control.name == "Option1" ? WS_GROUP : 0);
            break;
        case ControlKind::Picture:
            style |= SS_BITMAP | SS_NOTIFY;
            break;
        case ControlKind::Timer:
            break;
    }
    Widget widget;
    widget.name = control.name;
    widget.handle = CreateWindowExW(0, windowClass, L"", style, 0, 0, 0, 0, parent, nullptr, instance_, nullptr);
    if (control.kind == ControlKind::Picture) {
        SendMessageW(widget.handle, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture_));
    }
    if (control.name == "Label1" && control.index > 0) {
        // Area labels lie on the window's surface, beneath the panels.
        SetWindowPos(widget.handle, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    return widgets_.emplace(key, widget).first->second;
}

void Win32FormView::Apply(Widget& widget, const Control& control) {
    HWND handle = widget.handle;
    const RECT place{Pixels(control.left), Pixels(control.top), Pixels(control.left) + Pixels(control.width),
                     Pixels(control.top) + Pixels(control.height)};
    if (!EqualRect(&place, &widget.place)) {
        SetWindowPos(handle, nullptr, place.left, place.top, place.right - place.left, place.bottom - place.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        widget.place = place;
        moved_ = true;
    }
    const Font spec = control.font.face.empty() ? Font{"宋体", 9, false, 134} : control.font;
    if (!widget.hasFont || !(widget.fontSpec == spec)) {
        if (widget.font) DeleteObject(widget.font);
        widget.font = CreateSimSun(spec.points, spec.bold);
        widget.fontSpec = spec;
        widget.hasFont = true;
        SendMessageW(handle, WM_SETFONT, reinterpret_cast<WPARAM>(widget.font), TRUE);
    }
    const COLORREF background = ToColorref(control.background);
    if (background != widget.background) {
        if (widget.brush) DeleteObject(widget.brush);
        widget.brush = background == CLR_INVALID ? nullptr : CreateSolidBrush(background);
        widget.background = background;
        InvalidateRect(handle, nullptr, TRUE);
    }
    if (control.kind != ControlKind::Picture && control.kind != ControlKind::Panel) {
        const std::wstring text = Widen(control.text);
        wchar_t current[512];
        GetWindowTextW(handle, current, 512);
        if (text != current) SetWindowTextW(handle, text.c_str());
    }
    EnableWindow(handle, control.enabled);
    if (control.kind == ControlKind::OptionButton) {
        SendMessageW(handle, BM_SETCHECK, control.checked ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    const bool shown = (GetWindowLongW(handle, GWL_STYLE) & WS_VISIBLE) != 0;
    if (shown != control.visible) ShowWindow(handle, control.visible ? SW_SHOWNA : SW_HIDE);
}

void Win32FormView::ApplyWindow(const WindowModel& window) {
    SetWindowTextW(window_, Widen(window.caption).c_str());
    if (window.background.kind == Colour::Kind::Rgb && background_ == nullptr) {
        background_ = CreateSolidBrush(static_cast<COLORREF>(window.background.bgr));
        InvalidateRect(window_, nullptr, TRUE);
    }
    // The client area must coincide with the screen, its origin at the
    // screen's top-left corner, for window units to be screen pixels.
    const int width = window.maximised ? GetSystemMetrics(SM_CXSCREEN) : Pixels(window.designedWidth);
    const int height = window.maximised ? GetSystemMetrics(SM_CYSCREEN) : Pixels(window.designedHeight);
    RECT now;
    GetWindowRect(window_, &now);
    if (now.left != 0 || now.top != 0 || now.right != width || now.bottom != height) {
        SetWindowPos(window_, nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (window.layered && window.opacity != opacity_) {
        SetLayeredWindowAttributes(window_, RGB(0, 0, 255), static_cast<BYTE>(window.opacity), LWA_ALPHA);
        opacity_ = window.opacity;
    }
    if ((IsWindowVisible(window_) != 0) != window.visible) ShowWindow(window_, window.visible ? SW_SHOW : SW_HIDE);
}

void Win32FormView::Command(HWND child, WORD notification) {
    const Widget* widget = FindByHandle(child);
    if (widget == nullptr || form_ == nullptr) return;
    const std::string name = widget->name;
    if (notification == EN_CHANGE) {
        wchar_t text[512];
        GetWindowTextW(child, text, 512);
        form_->TextChanged(name, Narrow(text));
        return;
    }
    if (notification == BN_CLICKED) gate_.Run([this, name] { RunClickHandler(*form_, name); });
}

void Win32FormView::Mouse(UINT message, WPARAM wParam, LPARAM lParam) {
    if (form_ == nullptr) return;
    const bool press = message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN || message == WM_MBUTTONDOWN;
    const std::int16_t button = (message == WM_LBUTTONDOWN || message == WM_LBUTTONUP)   ? 1
                                : (message == WM_RBUTTONDOWN || message == WM_RBUTTONUP) ? 2
                                                                                         : 4;
    const std::int16_t shift = Shift(wParam);
    const auto x = static_cast<float>(GET_X_LPARAM(lParam)), y = static_cast<float>(GET_Y_LPARAM(lParam));
    if (press) {
        // The release comes here even off the window.
        SetCapture(window_);
        pressOnBareWindow_ = true;
        gate_.Run([this, button, shift, x, y] { form_->Form_MouseDown(button, shift, x, y); });
        return;
    }
    if (!pressOnBareWindow_) return;
    pressOnBareWindow_ = false;
    ReleaseCapture();
    gate_.Run([this, button, shift, x, y] { form_->Form_MouseUp(button, shift, x, y); });
}

void Win32FormView::Paint() {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window_, &paint);
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(255, 0, 0));
    const HGDIOBJ previousPen = SelectObject(dc, pen);
    const HGDIOBJ previousBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    for (const Outline& o : outlines_) {
        const int left = Pixels(std::min(o.x1, o.x2)), right = Pixels(std::max(o.x1, o.x2));
        const int top = Pixels(std::min(o.y1, o.y2)), bottom = Pixels(std::max(o.y1, o.y2));
        Rectangle(dc, left, top, right + 1, bottom + 1);
    }
    SelectObject(dc, previousBrush);
    SelectObject(dc, previousPen);
    DeleteObject(pen);
    EndPaint(window_, &paint);
}

const Win32FormView::Widget* Win32FormView::FindByHandle(HWND handle) const {
    for (const auto& [key, widget] : widgets_) {
        if (widget.handle == handle) return &widget;
    }
    return nullptr;
}

void Win32FormView::DrawOutline(const Outline& outline) {
    outlines_.push_back(outline);
    InvalidateRect(window_, nullptr, TRUE);
}

void Win32FormView::ClearOutlines() {
    outlines_.clear();
    InvalidateRect(window_, nullptr, TRUE);
}

void Win32FormView::CreateAreaLabel(int) {
    // The label's control is made on the next Reflect, from the model.
}

void Win32FormView::RemoveAreaLabel(int index) {
    const auto found = widgets_.find({"Label1", index});
    if (found == widgets_.end()) return;
    DestroyWindow(found->second.handle);
    if (found->second.brush) DeleteObject(found->second.brush);
    if (found->second.font) DeleteObject(found->second.font);
    widgets_.erase(found);
}

void Win32FormView::ShowMessage(const std::string& text, const std::string& title) {
    MessageBoxW(window_, Widen(text).c_str(), Widen(title).c_str(), MB_OK);
}

void Win32FormView::RaiseToTop() {
    SetWindowPos(window_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetForegroundWindow(window_);
}

float Win32FormView::InnerWidth() const {
    RECT client;
    GetClientRect(window_, &client);
    return static_cast<float>(client.right - client.left);
}

void Win32FormView::Close() { SendMessageW(window_, WM_CLOSE, 0, 0); }

}  // namespace sentrel
