#pragma once

#include <string>

#include "app/ControlModel.h"
#include "monitor/AreaCanvas.h"

namespace sentrel {

// What the window logic asks of a window toolkit.
class FormView {
public:
    virtual ~FormView() = default;

    // Brings every widget, the window (visibility, opacity, background,
    // maximised) and the timers in line with the model; called after each
    // handler.
    virtual void Reflect(const FormControls& controls) = 0;
    virtual void DrawOutline(const Outline& outline) = 0;
    virtual void ClearOutlines() = 0;
    // Area labels are made on the Reflect that first holds them, and go here.
    virtual void RemoveAreaLabel(int index) = 0;
    // Modal, OK button only, no icon.
    virtual void ShowMessage(const std::string& text, const std::string& title) = 0;
    // Puts the window above all others and keeps it there.
    virtual void RaiseToTop() = 0;
    // The width of the window's client area, in pixels.
    virtual float InnerWidth() const = 0;
    // Closes the window; the toolkit then calls Form_Unload once.
    virtual void Close() = 0;
};

}  // namespace sentrel
