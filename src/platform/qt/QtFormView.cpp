#include "platform/qt/QtFormView.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScopedValueRollback>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <utility>

#include "app/HandlerDispatch.h"
#include "app/Module1.h"
#include "app/ViewConventions.h"
#include "platform/qt/BgrColour.h"
#include "platform/qt/CjkFonts.h"
#include "platform/qt/LinkedPicture.h"
#include "platform/qt/WindowSurface.h"

namespace sentrel {
namespace {

Qt::Alignment ToQt(TextAlign align) {
    switch (align) {
        case TextAlign::Centre:
            return Qt::AlignCenter;
        case TextAlign::Right:
            return Qt::AlignRight | Qt::AlignVCenter;
        default:
            return Qt::AlignLeft | Qt::AlignVCenter;
    }
}

// Back, forward and other extra buttons are none of the window's: 0.
std::int16_t ButtonCode(Qt::MouseButton button) {
    switch (button) {
        case Qt::LeftButton:
            return kLeftButton;
        case Qt::RightButton:
            return kRightButton;
        case Qt::MiddleButton:
            return kMiddleButton;
        default:
            return 0;
    }
}

std::int16_t ShiftCode(Qt::KeyboardModifiers modifiers) {
    return static_cast<std::int16_t>(((modifiers & Qt::ShiftModifier) ? kShiftMask : 0) |
                                     ((modifiers & Qt::ControlModifier) ? kCtrlMask : 0) |
                                     ((modifiers & Qt::AltModifier) ? kAltMask : 0));
}

// The label a push button shows its caption in; none for other widgets.
QLabel* ButtonCaption(QWidget* widget) {
    return qobject_cast<QPushButton*>(widget) != nullptr ? widget->findChild<QLabel*>("caption") : nullptr;
}

void SetColour(QWidget* widget, QPalette::ColorRole role, const Colour& colour) {
    QPalette palette = widget->palette();
    switch (colour.kind) {
        case Colour::Kind::Rgb:
            palette.setColor(role, ToQColor(colour.bgr));
            break;
        case Colour::Kind::SystemWindow:
            palette.setColor(role, QApplication::palette().color(QPalette::Base));
            break;
        case Colour::Kind::SystemWindowText:
            palette.setColor(role, QApplication::palette().color(QPalette::Text));
            break;
        case Colour::Kind::Default:
            return;
    }
    widget->setPalette(palette);
    if (role == QPalette::Window) widget->setAutoFillBackground(true);
}

}  // namespace

QtFormView::QtFormView(HandlerGate& gate, QPixmap picture, QUrl pictureLink, WindowKind kind,
                       std::function<double()> pixelsPerUnit)
    : gate_(gate),
      picture_(std::move(picture)),
      pictureLink_(std::move(pictureLink)),
      surface_(WindowSurface::Of(kind, *this, std::move(pixelsPerUnit))) {
    setWindowFlag(Qt::FramelessWindowHint);
    setMouseTracking(false);
}

QtFormView::~QtFormView() = default;

void QtFormView::Reflect(const FormControls& controls) {
    const FormChanges changes = shown_.Show(controls);
    bool made = false;
    for (const auto& [what, control] : changes.controls) {
        Apply(what, *control);
        made = made || what == Change::Made;
    }
    ApplyWindow(controls.window, changes);
    if (made) ApplyTabOrder(controls);
}

void QtFormView::ApplyTabOrder(const FormControls& controls) {
    std::vector<const Control*> ordered;
    for (const Control& control : controls.controls) {
        if (control.tabOrder >= 0) ordered.push_back(&control);
    }
    std::sort(ordered.begin(), ordered.end(),
              [](const Control* a, const Control* b) { return a->tabOrder < b->tabOrder; });
    for (std::size_t i = 1; i < ordered.size(); ++i) {
        QWidget::setTabOrder(widgets_.at({ordered[i - 1]->name, ordered[i - 1]->index}).widget,
                             widgets_.at({ordered[i]->name, ordered[i]->index}).widget);
    }
}

void QtFormView::Make(const Control& control) {
    if (control.kind != ControlKind::Timer) {
        widgets_[{control.name, control.index}] = Widget{Create(control), control.kind, control.areaLabel};
        return;
    }
    auto timer = std::make_unique<QTimer>();
    // Coarse timers may fire 5 % early or late; the keep-alive period matters.
    timer->setTimerType(Qt::PreciseTimer);
    connect(timer.get(), &QTimer::timeout, this,
            [this, name = control.name] { gate_.RunOnce(name, [this, name] { RunTimerHandler(*form_, name); }); });
    timers_[control.name] = std::move(timer);
}

QWidget* QtFormView::Create(const Control& control) {
    QWidget* parent = control.parent.empty() ? static_cast<QWidget*>(this) : widgets_.at({control.parent, -1}).widget;
    QWidget* widget = nullptr;
    switch (control.kind) {
        case ControlKind::Label: {
            auto* label = new QLabel(parent);
            // Captions are shown as they are, even a service reply that looks like HTML.
            label->setTextFormat(Qt::PlainText);
            label->setWordWrap(control.wordWrap);
            // Labels lie on the window's own surface, beneath the panels.
            if (parent == this) {
                for (const auto& [key, made] : widgets_) {
                    if (made.kind == ControlKind::Panel) label->stackUnder(made.widget);
                }
            }
            widget = label;
            break;
        }
        case ControlKind::Panel: {
            auto* frame = new QFrame(parent);
            frame->setFrameShape(QFrame::NoFrame);
            widget = frame;
            break;
        }
        case ControlKind::TextBox: {
            auto* edit = new QLineEdit(parent);
            connect(edit, &QLineEdit::textEdited, this, [this, name = control.name](const QString& text) {
                if (form_ != nullptr) shown_.Typed(*form_, name, text.toStdString());
            });
            widget = edit;
            break;
        }
        case ControlKind::Button: {
            // A caption too wide for its button wraps onto a second line, as
            // the design expects of "显示/隐藏(Ctrl+W)".
            auto* button = new QPushButton(parent);
            auto* caption = new QLabel(button);
            caption->setObjectName("caption");
            caption->setWordWrap(true);
            caption->setAlignment(Qt::AlignCenter);
            caption->setAttribute(Qt::WA_TransparentForMouseEvents);
            auto* layout = new QVBoxLayout(button);
            layout->setContentsMargins(2, 0, 2, 0);
            layout->addWidget(caption);
            connect(button, &QPushButton::clicked, this, [this, name = control.name] { Clicked(name); });
            widget = button;
            break;
        }
        case ControlKind::OptionButton: {
            auto* option = new QRadioButton(parent);
            if (options_ == nullptr) options_ = new QButtonGroup(this);
            options_->addButton(option);
            connect(option, &QRadioButton::clicked, this, [this, name = control.name] { Clicked(name); });
            widget = option;
            break;
        }
        case ControlKind::Picture:
            widget = new LinkedPicture(picture_, pictureLink_, parent);
            break;
        case ControlKind::Timer:
            return nullptr;
    }
    widget->setObjectName(QString::fromStdString(control.name));
    return widget;
}

void QtFormView::Apply(Change what, const Control& control) {
    if (what == Change::Made) {
        Make(control);
        return;
    }
    if (what == Change::Timer) {
        QTimer& timer = *timers_.at(control.name);
        timer.setInterval(control.intervalMs);
        if (control.enabled) {
            timer.start();
        } else {
            timer.stop();
        }
        return;
    }
    QWidget* widget = widgets_.at({control.name, control.index}).widget;
    const QString text = QString::fromStdString(control.text);
    switch (what) {
        case Change::Place:
            widget->setGeometry(LayoutPixels(control.left), LayoutPixels(control.top), LayoutPixels(control.width),
                                LayoutPixels(control.height));
            break;
        case Change::Font:
            widget->setFont(control.font.face.empty() ? font() : CjkFont(control.font.points, control.font.bold));
            if (QLabel* caption = ButtonCaption(widget)) caption->setFont(widget->font());
            break;
        case Change::Enabled:
            widget->setEnabled(control.enabled);
            break;
        case Change::Background:
            SetColour(widget, QPalette::Window, control.background);
            break;
        case Change::Foreground:
            SetColour(widget, QPalette::WindowText, control.foreground);
            break;
        case Change::Text:
            if (QLabel* caption = ButtonCaption(widget)) {
                caption->setText(text);
            } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
                edit->setText(text);
            } else if (auto* option = qobject_cast<QRadioButton*>(widget)) {
                option->setText(text);
            } else if (control.kind == ControlKind::Label) {
                static_cast<QLabel*>(widget)->setText(text);
            }
            break;
        case Change::Align:
            if (control.kind == ControlKind::Label) static_cast<QLabel*>(widget)->setAlignment(ToQt(control.align));
            break;
        case Change::Checked:
            if (auto* option = qobject_cast<QRadioButton*>(widget)) {
                // An exclusive group refuses to uncheck its last checked button.
                options_->setExclusive(false);
                option->setChecked(control.checked);
                options_->setExclusive(true);
            }
            break;
        case Change::Visible:
            widget->setVisible(control.visible);
            break;
        case Change::Made:
        case Change::Timer:
            break;
    }
}

void QtFormView::ApplyWindow(const WindowModel& window, const FormChanges& changes) {
    if (changes.caption) setWindowTitle(QString::fromStdString(window.caption));
    if (changes.look) surface_->ApplyLook(window);
    surface_->ApplySize(window, MonitorArea());
    if (window.visible != isVisible()) setVisible(window.visible);
}

void QtFormView::ShowOrHide() {
    gate_.Run([this] { form_->HotKeyWndProc(kShowHideHotKeyId); });
}

void QtFormView::ShowAndRaise() {
    // Hidden by the user, the window is shown as Ctrl+W shows it. Not shown
    // yet, it is still to be loaded (the desktop's screen-cast dialog comes
    // first), and comes on top then.
    gate_.Run([this] {
        if (!form_->Controls().window.visible) {
            form_->HotKeyWndProc(kShowHideHotKeyId);
        } else if (isVisible()) {
            RaiseToTop();
        }
    });
}

void QtFormView::Clicked(const std::string& name) {
    gate_.Run([this, name] { RunClickHandler(*form_, name); });
}

void QtFormView::DrawOutline(const Outline& outline) {
    outlines_.push_back(outline);
    surface_->OutlineDrawn(outline);
    update();
}

void QtFormView::ClearOutlines() {
    outlines_.clear();
    surface_->OutlinesCleared();
    update();
}

void QtFormView::RemoveAreaLabel(int index) {
    const auto found = std::find_if(widgets_.begin(), widgets_.end(), [index](const auto& entry) {
        return entry.first.second == index && entry.second.areaLabel;
    });
    if (found == widgets_.end()) return;
    shown_.Remove(found->first.first, index);
    delete found->second.widget;
    widgets_.erase(found);
}

void QtFormView::ShowMessage(const std::string& text, const std::string& title) {
    QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(title), QString::fromStdString(text), QMessageBox::Ok,
                    this);
    const QScopedValueRollback waiting(waitingOnBox_, true);
    box.exec();
}

void QtFormView::RaiseToTop() {
    if (!(windowFlags() & Qt::WindowStaysOnTopHint)) {
        // Changing the flags re-creates the native window hidden.
        setWindowFlag(Qt::WindowStaysOnTopHint, true);
        show();
    }
    raise();
    activateWindow();
}

MonitorPlacement QtFormView::Placement() const {
    // Qt keeps each monitor's top-left corner at its physical position and
    // scales from there, so the logical origin is the physical one.
    const QPoint origin = MonitorArea().topLeft();
    return {origin.x(), origin.y(), devicePixelRatioF()};
}

QRect QtFormView::MonitorArea() const {
    return (monitor_ ? monitor_.get() : QGuiApplication::primaryScreen())->geometry();
}

float QtFormView::InnerWidth() const { return static_cast<float>(width()); }

void QtFormView::Close() { End(); }

void QtFormView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    surface_->PaintBackground(painter);
    painter.setPen(QPen(Qt::red, 0));
    for (const Outline& o : outlines_) {
        const QPointF a(o.x1, o.y1), b(o.x2, o.y2);
        painter.drawRect(QRectF(a, b).normalized());
    }
}

void QtFormView::mousePressEvent(QMouseEvent* event) {
    const std::int16_t button = ButtonCode(event->button());
    // Presses on panels and labels start no area; each button held down is
    // followed on its own, so a chord's every release reaches the window.
    if (button == 0 || form_ == nullptr || childAt(event->position().toPoint()) != nullptr) return;
    buttonsOnBareWindow_ |= button;
    ForwardMouse(event, button, true);
}

void QtFormView::mouseReleaseEvent(QMouseEvent* event) {
    const std::int16_t button = ButtonCode(event->button());
    if (button == 0 || form_ == nullptr || (buttonsOnBareWindow_ & button) == 0) return;
    buttonsOnBareWindow_ = static_cast<std::int16_t>(buttonsOnBareWindow_ & ~button);
    ForwardMouse(event, button, false);
}

void QtFormView::ForwardMouse(QMouseEvent* event, std::int16_t button, bool pressed) {
    const auto shift = ShiftCode(event->modifiers());
    const auto x = static_cast<float>(event->position().x()), y = static_cast<float>(event->position().y());
    gate_.Run([this, pressed, button, shift, x, y] {
        if (pressed) {
            form_->Form_MouseDown(button, shift, x, y);
        } else {
            form_->Form_MouseUp(button, shift, x, y);
        }
    });
}

void QtFormView::resizeEvent(QResizeEvent*) {
    if (form_ != nullptr) gate_.RunOnce("resize", [this] { form_->Form_Resize(); });
}

void QtFormView::closeEvent(QCloseEvent* event) {
    // The window goes with the tool, once it has signed off.
    event->ignore();
    End();
}

void QtFormView::End() {
    // A handler waiting on a message box would hold the sign-off back until
    // someone closes the box, and a session's end does not wait for that.
    // Form1 ignores all but the sign-off once it has unloaded, so the
    // handler does nothing more once its box is gone.
    if (waitingOnBox_) {
        Unload();
    } else {
        gate_.Run([this] { Unload(); });
    }
}

void QtFormView::Unload() {
    if (std::exchange(unloaded_, true)) return;
    form_->Form_Unload();
    // Every event loop ends, message boxes' included. Closing the window
    // would not do: a hidden window's close does not end the program.
    QCoreApplication::exit(0);
}

}  // namespace sentrel
