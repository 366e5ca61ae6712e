#include "platform/win32/Win32FormView.h"

#include <shellapi.h>
#include <windowsx.h>
#include <wtsapi32.h>

#include <algorithm>
#include <utility>

#include "app/HandlerDispatch.h"
#include "platform/win32/DpiAwareness.h"
#include "platform/win32/GdiText.h"
#include "platform/win32/SignInBitmap.h"
#include "platform/win32/SystemFunction.h"
#include "platform/winhttp/WideText.h"

namespace sentrel {
namespace {

constexpr wchar_t kFormClass[] = L"SentrelForm";
constexpr wchar_t kPanelClass[] = L"SentrelPanel";

// The font of the controls whose layout names none.
const Font kDefaultFont{"宋体", 9, false, kGb2312Charset};

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

// Window pixels at the given density in the model's 96-dpi units.
float LayoutUnits(int pixels, int dpi) { return static_cast<float>(pixels) * kLayoutDpi / static_cast<float>(dpi); }

std::int16_t Shift(WPARAM wParam) {
    return static_cast<std::int16_t>(((wParam & MK_SHIFT) ? kShiftMask : 0) | ((wParam & MK_CONTROL) ? kCtrlMask : 0) |
                                     ((GetKeyState(VK_MENU) < 0) ? kAltMask : 0));
}

// Form1's number for the button of a press or release; the window passes
// on no other buttons' messages.
std::int16_t ButtonOf(UINT message) {
    switch (message) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
            return kLeftButton;
        case WM_RBUTTONDOWN:
        case WM_RBUTTONUP:
            return kRightButton;
        default:
            return kMiddleButton;
    }
}

std::wstring WindowText(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

// Whether Windows leaves a window out of screen captures when asked to
// (WDA_EXCLUDEFROMCAPTURE, from Windows 10 2004, build 19041). Earlier
// versions take that request as WDA_MONITOR and capture the window as an
// empty black box, our own reads included. Only ntdll tells the true version
// to a program without a compatibility manifest.
bool ExcludesWindowsFromCapture() {
    using RtlGetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOW*);
    const auto getVersion = FindSystemFunction<RtlGetVersionFunction>(L"ntdll.dll", "RtlGetVersion");
    if (getVersion == nullptr) return false;
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof version;
    if (getVersion(&version) != 0) return false;
    return version.dwMajorVersion > 10 || (version.dwMajorVersion == 10 && version.dwBuildNumber >= 19041);
}

}  // namespace

Win32FormView::Win32FormView(HINSTANCE instance, HandlerGate& gate, std::string codePageUrl,
                             std::optional<std::string> phonePageUrl)
    : instance_(instance), gate_(gate), codePageUrl_(std::move(codePageUrl)), phonePageUrl_(std::move(phonePageUrl)) {
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
    // A locked session's desktop may read as the lock screen, which only
    // Windows' word tells apart from a change. Where it will not tell (no
    // session service), a read of a hidden desktop that fails is still
    // caught by the reader.
    WTSRegisterSessionNotification(window_, NOTIFY_FOR_THIS_SESSION);
    UseDpi(WindowDpi(window_));
}

Win32FormView::~Win32FormView() {
    // The controls go before the fonts, brushes and picture they show.
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
            if (widget == nullptr || !widget->brush) break;
            SetBkColor(reinterpret_cast<HDC>(wParam), widget->background);
            return reinterpret_cast<LRESULT>(widget->brush.get());
        }
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONUP:
            Mouse(message, wParam, lParam);
            return 0;
        case WM_SETCURSOR: {
            // A child's cursor is asked of its parent first, and panels pass
            // that on to here: the sign-in picture shows it can be clicked.
            const Widget* widget = FindByHandle(reinterpret_cast<HWND>(wParam));
            if (widget == nullptr || widget->kind != ControlKind::Picture || LOWORD(lParam) != HTCLIENT) break;
            SetCursor(LoadCursor(nullptr, IDC_HAND));
            return TRUE;
        }
        case WM_CAPTURECHANGED:
            // Releases after another window took the mouse never come here.
            if (reinterpret_cast<HWND>(lParam) != window_) pressedOnBareWindow_ = 0;
            return 0;
        case WM_ERASEBKGND: {
            RECT client;
            GetClientRect(window_, &client);
            FillRect(reinterpret_cast<HDC>(wParam), &client,
                     background_ ? background_.get() : reinterpret_cast<HBRUSH>(COLOR_ACTIVEBORDER + 1));
            return 1;
        }
        case WM_PAINT:
            Paint();
            return 0;
        case WM_DPICHANGED:
            // The window keeps the place the model gives it, whatever the
            // suggestion; but it now holds another number of the model's
            // units, which the panels are centred in.
            UseDpi(HIWORD(wParam));
            [[fallthrough]];
        case WM_SIZE:
            if (form_ != nullptr) gate_.RunOnce("resize", [this] { form_->Form_Resize(); });
            return 0;
        case WM_TIMER:
            for (const auto& [name, id] : timers_) {
                if (id != wParam || form_ == nullptr) continue;
                gate_.RunOnce(name, [this, name = name] { RunTimerHandler(*form_, name); });
            }
            return 0;
        case WM_HOTKEY:
            if (form_ != nullptr) {
                const auto id = static_cast<std::int32_t>(wParam);
                gate_.Run([this, id] { form_->HotKeyWndProc(id); });
            }
            return 0;
        case WM_ENDSESSION:
            // Windows may end the process as soon as this returns.
            if (wParam) Unload();
            return 0;
        case WM_CLOSE:
            Unload();
            return 0;
        case WM_WTSSESSION_CHANGE:
            session_.Change(wParam);
            return 0;
        case WM_DESTROY:
            WTSUnRegisterSessionNotification(window_);
            PostQuitMessage(0);
            return 0;
        default:
            break;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

// The sign-off goes out once, however the window closes, before the window
// goes away and after whatever handler asked for the close has finished;
// at once when that handler waits on a message box, whose own loop would
// hold it back until someone closes the box (and at a session's end Windows
// does not wait for that). The box goes with the window, and Form1 ignores
// what the handler does once it has unloaded.
void Win32FormView::Unload() {
    const auto unload = [this] {
        if (form_ != nullptr && !std::exchange(unloaded_, true)) form_->Form_Unload();
        DestroyWindow(window_);
    };
    if (waitingOnBox_) {
        unload();
    } else {
        gate_.Run(unload);
    }
}

// The controls are placed and lettered anew at the new density, and the
// picture drawn anew.
void Win32FormView::UseDpi(int dpi) {
    dpi_ = dpi;
    const WindowDc dc(window_);
    GdiObject<HBITMAP> picture = SignInBitmap(dc.Get(), dpi, phonePageUrl_);
    for (auto& [key, widget] : widgets_) {
        if (widget.kind == ControlKind::Picture) {
            SendMessageW(widget.handle, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture.get()));
        }
        const Control& control = shown_.Get(key.first, key.second);
        Place(widget, control);
        UseFont(widget, control);
    }
    picture_ = std::move(picture);
    RepaintAll();
}

void Win32FormView::Reflect(const FormControls& controls) {
    const FormChanges changes = shown_.Show(controls);
    bool moved = false;
    for (const auto& [what, control] : changes.controls) {
        Apply(what, *control);
        moved = moved || what == Change::Place;
    }
    ApplyWindow(controls.window, changes);
    if (moved) RepaintAll();
}

// A layered window (under Wine at least) leaves the ground a control moved
// onto as the window had painted it.
void Win32FormView::RepaintAll() {
    RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void Win32FormView::Make(const Control& control) {
    if (control.kind == ControlKind::Timer) {
        timers_.emplace(control.name, timers_.size() + 1);
        return;
    }
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
        case ControlKind::OptionButton: {
            // The options of one parent form one group, from its first on.
            const bool first = std::none_of(widgets_.begin(), widgets_.end(), [parent](const auto& entry) {
                return entry.second.kind == ControlKind::OptionButton && GetParent(entry.second.handle) == parent;
            });
            windowClass = L"BUTTON";
            style |= BS_AUTORADIOBUTTON | WS_TABSTOP | (first ? WS_GROUP : 0);
            break;
        }
        case ControlKind::Picture:
            style |= SS_BITMAP | SS_NOTIFY;
            break;
        case ControlKind::Timer:
            break;
    }
    Widget widget;
    widget.name = control.name;
    widget.kind = control.kind;
    widget.areaLabel = control.areaLabel;
    widget.handle = CreateWindowExW(0, windowClass, L"", style, 0, 0, 0, 0, parent, nullptr, instance_, nullptr);
    if (control.kind == ControlKind::Picture) {
        SendMessageW(widget.handle, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture_.get()));
    }
    // Labels lie on the surface they are drawn on, beneath every panel,
    // button and text box that overlaps them, whichever was made first (a
    // new child window goes beneath its siblings): on a narrow screen the
    // centred toolbar covers part of the instruction labels, and a click
    // there must reach the toolbar.
    SetWindowPos(widget.handle, control.kind == ControlKind::Label ? HWND_BOTTOM : HWND_TOP, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    widgets_.emplace(Key{control.name, control.index}, std::move(widget));
}

// The window draws text in the system's colour, and a label keeps the
// alignment it was made with: the layout changes neither.
void Win32FormView::Apply(Change what, const Control& control) {
    if (what == Change::Made) {
        Make(control);
        return;
    }
    if (what == Change::Timer) {
        const UINT_PTR id = timers_.at(control.name);
        if (control.enabled) {
            SetTimer(window_, id, static_cast<UINT>(control.intervalMs), nullptr);
        } else {
            KillTimer(window_, id);
        }
        return;
    }
    Widget& widget = widgets_.at({control.name, control.index});
    switch (what) {
        case Change::Place:
            Place(widget, control);
            break;
        case Change::Font:
            UseFont(widget, control);
            break;
        case Change::Enabled:
            EnableWindow(widget.handle, control.enabled);
            break;
        case Change::Background:
            widget.background = ToColorref(control.background);
            widget.brush.reset(widget.background == CLR_INVALID ? nullptr : CreateSolidBrush(widget.background));
            InvalidateRect(widget.handle, nullptr, TRUE);
            break;
        case Change::Text:
            if (control.kind != ControlKind::Picture && control.kind != ControlKind::Panel) {
                SetWindowTextW(widget.handle, Widen(control.text).c_str());
            }
            break;
        case Change::Checked:
            if (control.kind == ControlKind::OptionButton) {
                SendMessageW(widget.handle, BM_SETCHECK, control.checked ? BST_CHECKED : BST_UNCHECKED, 0);
            }
            break;
        case Change::Visible:
            ShowWindow(widget.handle, control.visible ? SW_SHOWNA : SW_HIDE);
            break;
        default:
            break;
    }
}

void Win32FormView::Place(const Widget& widget, const Control& control) const {
    const int left = LayoutPixels(control.left, dpi_), top = LayoutPixels(control.top, dpi_);
    SetWindowPos(widget.handle, nullptr, left, top, LayoutPixels(control.width, dpi_),
                 LayoutPixels(control.height, dpi_), SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32FormView::UseFont(Widget& widget, const Control& control) const {
    GdiObject<HFONT> font = CreateLayoutFont(control.font.face.empty() ? kDefaultFont : control.font, dpi_);
    SendMessageW(widget.handle, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
    // Only now has the control let go of the font it had.
    widget.font = std::move(font);
}

void Win32FormView::ApplyWindow(const WindowModel& window, const FormChanges& changes) {
    if (changes.caption) SetWindowTextW(window_, Widen(window.caption).c_str());
    if (changes.look && window.background.kind == Colour::Kind::Rgb) {
        background_.reset(CreateSolidBrush(static_cast<COLORREF>(window.background.bgr)));
        InvalidateRect(window_, nullptr, TRUE);
    }
    if (changes.look && window.layered) {
        SetLayeredWindowAttributes(window_, RGB(0, 0, 255), static_cast<BYTE>(window.opacity), LWA_ALPHA);
    }
    // The client area must coincide with the monitor, its origin at the
    // monitor's top-left corner, for window pixels to be its pixels.
    const LONG left = window.maximised ? monitor_.left : 0, top = window.maximised ? monitor_.top : 0;
    const LONG width = window.maximised ? monitor_.right - monitor_.left : LayoutPixels(window.designedWidth, dpi_);
    const LONG height = window.maximised ? monitor_.bottom - monitor_.top : LayoutPixels(window.designedHeight, dpi_);
    RECT now;
    GetWindowRect(window_, &now);
    if (now.left != left || now.top != top || now.right != left + width || now.bottom != top + height) {
        SetWindowPos(window_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if ((IsWindowVisible(window_) != 0) != window.visible) ShowWindow(window_, window.visible ? SW_SHOW : SW_HIDE);
}

void Win32FormView::Command(HWND child, WORD notification) {
    const Widget* widget = FindByHandle(child);
    if (widget == nullptr || form_ == nullptr) return;
    if (widget->kind == ControlKind::Picture) {
        // The picture's click opens the code page, for whoever sits at
        // this desktop rather than holding a phone.
        if (notification == STN_CLICKED) {
            ShellExecuteW(window_, L"open", Widen(codePageUrl_).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
        }
        return;
    }
    const std::string name = widget->name;
    if (notification == EN_CHANGE) {
        shown_.Typed(*form_, name, Narrow(WindowText(child)));
        return;
    }
    if (notification == BN_CLICKED) gate_.Run([this, name] { RunClickHandler(*form_, name); });
}

void Win32FormView::Mouse(UINT message, WPARAM wParam, LPARAM lParam) {
    if (form_ == nullptr) return;
    const bool press = message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN || message == WM_MBUTTONDOWN;
    const std::int16_t button = ButtonOf(message);
    const POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    if (press) {
        // While a button is held the window has the mouse, and presses on
        // its panels and labels come here too; those start no area, as the
        // ones that reach the panels and labels themselves do not.
        if (ChildWindowFromPointEx(window_, at, CWP_SKIPINVISIBLE) != window_) {
            pressedOnBareWindow_ = static_cast<std::int16_t>(pressedOnBareWindow_ & ~button);
            return;
        }
        pressedOnBareWindow_ = static_cast<std::int16_t>(pressedOnBareWindow_ | button);
        // The release comes here even off the window.
        SetCapture(window_);
    } else {
        if ((pressedOnBareWindow_ & button) == 0) return;
        pressedOnBareWindow_ = static_cast<std::int16_t>(pressedOnBareWindow_ & ~button);
        if (pressedOnBareWindow_ == 0) ReleaseCapture();
    }
    const std::int16_t shift = Shift(wParam);
    const float x = LayoutUnits(at.x, dpi_), y = LayoutUnits(at.y, dpi_);
    gate_.Run([this, press, button, shift, x, y] {
        if (press) {
            form_->Form_MouseDown(button, shift, x, y);
        } else {
            form_->Form_MouseUp(button, shift, x, y);
        }
    });
}

void Win32FormView::Paint() {
    const PaintDc dc(window_);
    const GdiObject<HPEN> pen(CreatePen(PS_SOLID, 1, RGB(255, 0, 0)));
    const Selection drawWith(dc.Get(), pen.get());
    const Selection hollow(dc.Get(), GetStockObject(NULL_BRUSH));
    for (const Outline& o : outlines_) {
        const int left = LayoutPixels(std::min(o.x1, o.x2), dpi_), right = LayoutPixels(std::max(o.x1, o.x2), dpi_);
        const int top = LayoutPixels(std::min(o.y1, o.y2), dpi_), bottom = LayoutPixels(std::max(o.y1, o.y2), dpi_);
        Rectangle(dc.Get(), left, top, right + 1, bottom + 1);
    }
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

void Win32FormView::RemoveAreaLabel(int index) {
    const auto found = std::find_if(widgets_.begin(), widgets_.end(), [index](const auto& entry) {
        return entry.second.areaLabel && entry.first.second == index;
    });
    if (found == widgets_.end()) return;
    shown_.Remove(found->first.first, index);
    DestroyWindow(found->second.handle);
    widgets_.erase(found);
}

void Win32FormView::ShowMessage(const std::string& text, const std::string& title) {
    waitingOnBox_ = true;
    MessageBoxW(window_, Widen(text).c_str(), Widen(title).c_str(), MB_OK);
    waitingOnBox_ = false;
}

void Win32FormView::RaiseToTop() {
    SetWindowPos(window_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetForegroundWindow(window_);
}

float Win32FormView::InnerWidth() const {
    RECT client;
    GetClientRect(window_, &client);
    return LayoutUnits(client.right - client.left, dpi_);
}

void Win32FormView::Close() { SendMessageW(window_, WM_CLOSE, 0, 0); }

}  // namespace sentrel
