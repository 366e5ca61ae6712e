#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/Form1.h"
#include "app/FormView.h"
#include "app/HandlerGate.h"
#include "app/ShownForm.h"
#include "app/ViewConventions.h"
#include "monitor/MonitorPixels.h"
#include "platform/win32/GdiHandles.h"
#include "platform/win32/SessionLock.h"

namespace sentrel {

// The window on plain Win32: one top-level window, a child control per
// control of the model (panels are child windows of their own class that
// pass their controls' notifications up), red outlines painted on the
// window's surface, and every event handed to Form1 through the gate.
// The model's positions are pixels at 96 dpi: the window draws them at its
// own density and reports the mouse back in the model's units. A click on
// the sign-in picture opens the service's code page (codePageUrl); the
// picture shows the QR code of the page's address for a phone, when there
// is one.
class Win32FormView : public FormView {
public:
    Win32FormView(HINSTANCE instance, HandlerGate& gate, std::string codePageUrl,
                  std::optional<std::string> phonePageUrl);
    ~Win32FormView() override;
    Win32FormView(const Win32FormView&) = delete;
    Win32FormView& operator=(const Win32FormView&) = delete;

    void Attach(Form1& form) { form_ = &form; }
    HWND Window() const { return window_; }
    int Dpi() const { return dpi_; }
    // As Windows tells the window, for the screen reader.
    const SessionLock& Session() const { return session_; }
    // The monitor the maximised window covers, in desktop pixels; the
    // primary one until told.
    void CoverMonitor(const RECT& monitor) { monitor_ = monitor; }
    // Where window units fall on the desktop, for reading the screen.
    MonitorPlacement Placement() const { return {monitor_.left, monitor_.top, static_cast<double>(dpi_) / kLayoutDpi}; }

    void Reflect(const FormControls& controls) override;
    void DrawOutline(const Outline& outline) override;
    void ClearOutlines() override;
    void RemoveAreaLabel(int index) override;
    void ShowMessage(const std::string& text, const std::string& title) override;
    void RaiseToTop() override;
    float InnerWidth() const override;
    void Close() override;

private:
    struct Widget {
        HWND handle = nullptr;
        std::string name;
        ControlKind kind = ControlKind::Label;
        bool areaLabel = false;
        COLORREF background = CLR_INVALID;
        GdiObject<HBRUSH> brush;
        GdiObject<HFONT> font;
    };
    using Key = std::pair<std::string, int>;

    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK PanelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);

    // The control's timer, or its child window.
    void Make(const Control& control);
    void Apply(Change what, const Control& control);
    void Place(const Widget& widget, const Control& control) const;
    void UseFont(Widget& widget, const Control& control) const;
    void ApplyWindow(const WindowModel& window, const FormChanges& changes);
    void RepaintAll();
    void Command(HWND child, WORD notification);
    void Mouse(UINT message, WPARAM wParam, LPARAM lParam);
    void Paint();
    void Unload();
    void UseDpi(int dpi);
    const Widget* FindByHandle(HWND handle) const;

    HINSTANCE instance_;
    HandlerGate& gate_;
    const std::string codePageUrl_;
    const std::optional<std::string> phonePageUrl_;
    Form1* form_ = nullptr;
    HWND window_ = nullptr;
    int dpi_ = kLayoutDpi;
    RECT monitor_{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    std::map<Key, Widget> widgets_;
    ShownForm shown_;
    // The window's timer ids: one per timer, in the model's order.
    std::map<std::string, UINT_PTR> timers_;
    std::vector<Outline> outlines_;
    SessionLock session_;
    GdiObject<HBRUSH> background_;
    GdiObject<HBITMAP> picture_;
    // The buttons (as Form1 numbers them) held since a press on the bare
    // window; only their releases reach Form1.
    std::int16_t pressedOnBareWindow_ = 0;
    // Set while a handler waits on a message box.
    bool waitingOnBox_ = false;
    bool unloaded_ = false;
};

}  // namespace sentrel
