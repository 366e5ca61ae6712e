#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/FormView.h"

namespace sentrel::testing {

// A window that shows nothing and remembers everything it was asked to do,
// in order, as one log of short lines.
class RecordingView : public FormView {
public:
    void Reflect(const FormControls& controls) override {
        reflected = controls;
        ++reflectCount;
    }
    void DrawOutline(const Outline& o) override {
        outlines.push_back(o);
        log.push_back("draw");
    }
    void ClearOutlines() override {
        outlines.clear();
        log.push_back("clear");
    }
    void RemoveAreaLabel(int index) override { log.push_back("remove " + std::to_string(index)); }
    void ShowMessage(const std::string& text, const std::string& title) override {
        log.push_back("message " + title + " " + text);
    }
    void RaiseToTop() override {
        log.push_back(std::string("raise ") + (reflected.window.visible ? "visible" : "hidden"));
    }
    float InnerWidth() const override { return 1920; }
    void Close() override {
        log.push_back("close");
        if (onClose) onClose();
    }

    std::function<void()> onClose;
    FormControls reflected;
    int reflectCount = 0;
    std::vector<Outline> outlines;
    std::vector<std::string> log;
};

}  // namespace sentrel::testing
