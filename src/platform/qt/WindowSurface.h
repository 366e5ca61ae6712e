#pragma once

#include <QPainter>
#include <QRect>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

#include "app/FormView.h"
#include "platform/windowkind/WindowKind.h"

namespace sentrel {

// Whether any of the members differs between what was last applied (none
// yet: every one) and the model now.
template <typename Model, typename... Members>
bool Changed(const std::optional<Model>& applied, const Model& now, Members... members) {
    return !applied || (((*applied).*members != now.*members) || ...);
}

// What differs in Sentrel's window by its kind: how its background and
// opacity show, how it comes to cover its monitor, and what it keeps clear
// for the screen beneath its areas to be read.
class WindowSurface {
public:
    // pixelsPerUnit: the screen's pixels per window unit, where the window
    // is read as composited.
    static std::unique_ptr<WindowSurface> Of(WindowKind kind, QWidget& window, std::function<double()> pixelsPerUnit);

    virtual ~WindowSurface() = default;
    // The window's background colour and opacity, as last applied and now.
    virtual void ApplyLook(const std::optional<WindowModel>& applied, const WindowModel& now) = 0;
    // Maximised over `monitor`, or at its designed size.
    virtual void ApplySize(const WindowModel& window, const QRect& monitor) = 0;
    // Before the window paints its outlines.
    virtual void PaintBackground(QPainter& painter) = 0;
    virtual void OutlineDrawn(const Outline& outline) = 0;
    virtual void OutlinesCleared() = 0;
};

}  // namespace sentrel
