#pragma once

#include <QPainter>
#include <QRect>
#include <QWidget>
#include <functional>
#include <memory>

#include "app/FormView.h"
#include "platform/windowkind/WindowKind.h"

namespace sentrel {

// What differs in Sentrel's window by its kind: how its background and
// opacity show, how it comes to cover its monitor, and what it keeps clear
// for the screen beneath its areas to be read.
class WindowSurface {
public:
    // pixelsPerUnit: the screen's pixels per window unit, where the window
    // is read as composited.
    static std::unique_ptr<WindowSurface> Of(WindowKind kind, QWidget& window, std::function<double()> pixelsPerUnit);

    virtual ~WindowSurface() = default;
    // The window's background colour and opacity, either of them changed.
    virtual void ApplyLook(const WindowModel& window) = 0;
    // Maximised over `monitor`, or at its designed size.
    virtual void ApplySize(const WindowModel& window, const QRect& monitor) = 0;
    // Before the window paints its outlines.
    virtual void PaintBackground(QPainter& painter) = 0;
    virtual void OutlineDrawn(const Outline& outline) = 0;
    virtual void OutlinesCleared() = 0;
};

}  // namespace sentrel
