#include "platform/qt/ReadBeneathSurface.h"

#include "app/ViewConventions.h"
#include "platform/qt/BgrColour.h"

namespace sentrel {

void ReadBeneathSurface::ApplyLook(const WindowModel& now) {
    if (now.background.kind == Colour::Kind::Rgb) {
        QPalette palette = window_.palette();
        palette.setColor(QPalette::Window, ToQColor(now.background.bgr));
        window_.setPalette(palette);
        window_.setAutoFillBackground(true);
    }
    if (now.layered) {
        window_.setWindowOpacity(now.opacity / 255.0);
    }
}

void ReadBeneathSurface::ApplySize(const WindowModel& window, const QRect& monitor) {
    const QSize designed(LayoutPixels(window.designedWidth), LayoutPixels(window.designedHeight));
    if (window.maximised) {
        // The client area must coincide with the monitor, its origin at the
        // monitor's top-left corner, for window units to map to its pixels.
        if (window_.geometry() != monitor) window_.setGeometry(monitor);
    } else if (window_.size() != designed) {
        window_.resize(designed);
    }
}

}  // namespace sentrel
