#pragma once

#include <QPixmap>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QUrl>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/Form1.h"
#include "app/FormView.h"
#include "app/HandlerGate.h"
#include "app/ShownForm.h"
#include "monitor/MonitorPixels.h"
#include "platform/windowkind/WindowKind.h"

class QButtonGroup;

namespace sentrel {
class WindowSurface;
}

namespace sentrel {

// The window on Qt Widgets: one widget per control of the model, created
// the first time the model shows it and kept in line with it after every
// handler. Every event goes to Form1 through the handler gate.
class QtFormView : public QWidget, public FormView {
public:
    // A click on the picture opens pictureLink in the desktop's browser.
    // kind: what the window must be for the screen beneath it to be read;
    // pixelsPerUnit: the screen's pixels per window unit, where it is read
    // as composited.
    QtFormView(HandlerGate& gate, QPixmap picture, QUrl pictureLink, WindowKind kind = WindowKind::ReadBeneath,
               std::function<double()> pixelsPerUnit = {});
    ~QtFormView() override;

    void Attach(Form1& form) { form_ = &form; }
    // The monitor the maximised window covers, shown or shown again; the
    // primary one should this one go away.
    void CoverMonitor(QScreen* monitor) { monitor_ = monitor; }
    // Where window units fall on the X11 desktop, for reading the screen.
    MonitorPlacement Placement() const;
    // Asked of the running tool from outside (`sentrel --toggle`, a second
    // start): shows or hides the window as Ctrl+W does; shows and raises it.
    void ShowOrHide();
    void ShowAndRaise();
    // However the tool is asked to end (its window closed, a signal, the
    // session ending), shown or hidden: it signs off once, then exits.
    void End();

    void Reflect(const FormControls& controls) override;
    void DrawOutline(const Outline& outline) override;
    void ClearOutlines() override;
    void RemoveAreaLabel(int index) override;
    void ShowMessage(const std::string& text, const std::string& title) override;
    void RaiseToTop() override;
    float InnerWidth() const override;
    void Close() override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    using Key = std::pair<std::string, int>;
    struct Widget {
        QWidget* widget = nullptr;
        ControlKind kind = ControlKind::Label;
        bool areaLabel = false;
    };

    // The control's timer, or its widget named after it.
    void Make(const Control& control);
    QWidget* Create(const Control& control);
    void Apply(Change what, const Control& control);
    void ApplyWindow(const WindowModel& window, const FormChanges& changes);
    QRect MonitorArea() const;
    void ApplyTabOrder(const FormControls& controls);
    // The handler a button or option runs when clicked.
    void Clicked(const std::string& name);
    void ForwardMouse(QMouseEvent* event, std::int16_t button, bool pressed);
    void Unload();

    HandlerGate& gate_;
    Form1* form_ = nullptr;
    QPointer<QScreen> monitor_;
    QPixmap picture_;
    QUrl pictureLink_;
    std::map<Key, Widget> widgets_;
    ShownForm shown_;
    std::map<std::string, std::unique_ptr<QTimer>> timers_;
    QButtonGroup* options_ = nullptr;
    std::vector<Outline> outlines_;
    std::unique_ptr<WindowSurface> surface_;
    // The buttons (as flags) whose press on the bare window has not been released yet.
    std::int16_t buttonsOnBareWindow_ = 0;
    // Set while a handler waits on a message box.
    bool waitingOnBox_ = false;
    bool unloaded_ = false;
};

}  // namespace sentrel
