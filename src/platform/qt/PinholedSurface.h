#pragma once

#include <QColor>

#include "platform/qt/Pinholes.h"
#include "platform/qt/WindowSurface.h"

namespace sentrel {

// A Wayland window: the screen is read as composited, the window included,
// so it is translucent per pixel and clear at every sample point; the
// compositor places it.
class PinholedSurface : public WindowSurface {
public:
    PinholedSurface(QWidget& window, std::function<double()> pixelsPerUnit);

    void ApplyLook(const WindowModel& window) override;
    void ApplySize(const WindowModel& window, const QRect& monitor) override;
    void PaintBackground(QPainter& painter) override;
    void OutlineDrawn(const Outline& outline) override { pinholes_->Add(outline); }
    void OutlinesCleared() override { pinholes_->Clear(); }

private:
    QWidget& window_;
    // A child of the window, which deletes it.
    Pinholes* pinholes_;
    QColor background_;
};

}  // namespace sentrel
