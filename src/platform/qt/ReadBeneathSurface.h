#pragma once

#include "platform/qt/WindowSurface.h"

namespace sentrel {

// An X11 window: the screen is read beneath it, and X11 puts it where it is
// told.
class ReadBeneathSurface : public WindowSurface {
public:
    explicit ReadBeneathSurface(QWidget& window) : window_(window) {}

    void ApplyLook(const WindowModel& window) override;
    void ApplySize(const WindowModel& window, const QRect& monitor) override;
    void PaintBackground(QPainter&) override {}
    void OutlineDrawn(const Outline&) override {}
    void OutlinesCleared() override {}

private:
    QWidget& window_;
};

}  // namespace sentrel
