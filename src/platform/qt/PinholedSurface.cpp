#include "platform/qt/PinholedSurface.h"

#include "platform/qt/BgrColour.h"

namespace sentrel {

PinholedSurface::PinholedSurface(QWidget& window, std::function<double()> pixelsPerUnit)
    : window_(window), pinholes_(new Pinholes(window, std::move(pixelsPerUnit))) {
    window.setAttribute(Qt::WA_TranslucentBackground);
}

void PinholedSurface::ApplyLook(const WindowModel& now) {
    // Wayland ignores a window's opacity: the background's alpha carries it.
    QColor background = now.background.kind == Colour::Kind::Rgb ? ToQColor(now.background.bgr)
                                                                 : window_.palette().color(QPalette::Window);
    background.setAlpha(now.layered ? now.opacity : 255);
    if (background != background_) {
        background_ = background;
        window_.update();
    }
}

void PinholedSurface::ApplySize(const WindowModel& window, const QRect& monitor) {
    // Maximised and frameless, the window fills the output. Where the
    // compositor does not maximise it (a floating window on sway), a first
    // size of the whole output still makes it fill the output.
    if (window.maximised && !(window_.windowState() & Qt::WindowMaximized)) {
        if (!window_.isVisible()) window_.resize(monitor.size());
        window_.setWindowState(Qt::WindowMaximized);
    }
}

void PinholedSurface::PaintBackground(QPainter& painter) {
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(window_.rect(), background_);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

}  // namespace sentrel
