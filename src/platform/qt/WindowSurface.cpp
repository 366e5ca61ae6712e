#include "platform/qt/WindowSurface.h"

#include "app/ViewConventions.h"
#include "platform/qt/BgrColour.h"
#include "platform/qt/Pinholes.h"

namespace sentrel {
namespace {

// The screen is read beneath the window, which X11 places where it is told.
class ReadBeneath : public WindowSurface {
public:
    explicit ReadBeneath(QWidget& window) : window_(window) {}

    void ApplyLook(const std::optional<WindowModel>& applied, const WindowModel& now) override {
        if (Changed(applied, now, &WindowModel::background) && now.background.kind == Colour::Kind::Rgb) {
            QPalette palette = window_.palette();
            palette.setColor(QPalette::Window, ToQColor(now.background.bgr));
            window_.setPalette(palette);
            window_.setAutoFillBackground(true);
        }
        if (now.layered && Changed(applied, now, &WindowModel::layered, &WindowModel::opacity)) {
            window_.setWindowOpacity(now.opacity / 255.0);
        }
    }

    void ApplySize(const WindowModel& window, const QRect& monitor) override {
        const QSize designed(LayoutPixels(window.designedWidth), LayoutPixels(window.designedHeight));
        if (window.maximised) {
            // The client area must coincide with the monitor, its origin at
            // the monitor's top-left corner, for window units to map to its
            // pixels.
            if (window_.geometry() != monitor) window_.setGeometry(monitor);
        } else if (window_.size() != designed) {
            window_.resize(designed);
        }
    }

    void PaintBackground(QPainter&) override {}
    void OutlineDrawn(const Outline&) override {}
    void OutlinesCleared() override {}

private:
    QWidget& window_;
};

// The screen is read as composited, the window included: translucent per
// pixel, clear at every sample point, and placed by the compositor.
class Pinholed : public WindowSurface {
public:
    Pinholed(QWidget& window, std::function<double()> pixelsPerUnit)
        : window_(window), pinholes_(new Pinholes(window, std::move(pixelsPerUnit))) {
        window.setAttribute(Qt::WA_TranslucentBackground);
    }

    void ApplyLook(const std::optional<WindowModel>&, const WindowModel& now) override {
        // Wayland ignores a window's opacity: the background's alpha carries it.
        QColor background = now.background.kind == Colour::Kind::Rgb ? ToQColor(now.background.bgr)
                                                                     : window_.palette().color(QPalette::Window);
        background.setAlpha(now.layered ? now.opacity : 255);
        if (background != background_) {
            background_ = background;
            window_.update();
        }
    }

    void ApplySize(const WindowModel& window, const QRect& monitor) override {
        // Maximised and frameless, the window fills the output. Where the
        // compositor does not maximise it (a floating window on sway), a
        // first size of the whole output still makes it fill the output.
        if (window.maximised && !(window_.windowState() & Qt::WindowMaximized)) {
            if (!window_.isVisible()) window_.resize(monitor.size());
            window_.setWindowState(Qt::WindowMaximized);
        }
    }

    void PaintBackground(QPainter& painter) override {
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.fillRect(window_.rect(), background_);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }

    void OutlineDrawn(const Outline& outline) override { pinholes_->Add(outline); }
    void OutlinesCleared() override { pinholes_->Clear(); }

private:
    QWidget& window_;
    // A child of the window, which deletes it.
    Pinholes* pinholes_;
    QColor background_;
};

}  // namespace

std::unique_ptr<WindowSurface> WindowSurface::Of(WindowKind kind, QWidget& window,
                                                 std::function<double()> pixelsPerUnit) {
    if (kind == WindowKind::Pinholed) return std::make_unique<Pinholed>(window, std::move(pixelsPerUnit));
    return std::make_unique<ReadBeneath>(window);
}

}  // namespace sentrel
