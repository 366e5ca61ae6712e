#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/Form1.h"
#include "app/FormView.h"
#include "app/HotKeyBackend.h"
#include "support/FakeScreen.h"
#include "support/ManualClock.h"
#include "support/ScriptedRandom.h"
#include "support/ScriptedTransport.h"

namespace sentrel::testing {

// Takes every key combination, unless the test, told of each, refuses it.
class FakeHotKeys : public HotKeyBackend {
public:
    bool Register(std::int32_t id, std::int32_t modifiers, std::int32_t keyCode) override {
        return !onRegister || onRegister(id, modifiers, keyCode);
    }

    std::function<bool(std::int32_t id, std::int32_t modifiers, std::int32_t keyCode)> onRegister;
};

// A window that shows nothing and remembers everything it was asked to do,
// in order, as one log of short lines.
class RecordingView : public FormView {
public:
    void Reflect(const FormControls& controls) override { reflected = controls; }
    void DrawOutline(const Outline& o) override {
        outlines.push_back(o);
        log.push_back("draw");
    }
    void ClearOutlines() override { log.push_back("clear"); }
    void RemoveAreaLabel(int index) override { log.push_back("remove " + std::to_string(index)); }
    void ShowMessage(const std::string& text, const std::string& title) override {
        log.push_back("message " + title + " " + text);
    }
    void RaiseToTop() override {
        log.push_back(std::string("raise ") + (reflected.window.visible ? "visible" : "hidden"));
    }
    float InnerWidth() const override { return 1920; }
    void Close() override { log.push_back("close"); }

    FormControls reflected;         // no controls before the window is first shown
    std::vector<Outline> outlines;  // every one drawn
    std::vector<std::string> log;
};

// A Form1 on a View made from the arguments given, wired to fakes of
// everything else it talks to. Every request the service client makes is
// answered "ok" unless the test scripts otherwise.
template <typename View>
struct FormRig {
    template <typename... ViewArguments>
    explicit FormRig(ViewArguments&&... arguments) : view(std::forward<ViewArguments>(arguments)...) {
        transport.ReplyAlways(200, "ok");
        if constexpr (requires { view.Attach(form); }) view.Attach(form);
    }

    // Requests sent so far whose URL contains the text.
    std::vector<std::string> Sent(const std::string& text) const {
        std::vector<std::string> urls;
        for (const std::string& url : transport.sent) {
            if (url.find(text) != std::string::npos) urls.push_back(url);
        }
        return urls;
    }

    FakeScreen screen{1920, 1080};
    ScriptedTransport transport;
    ServiceClient service{transport, ServiceRequests("http://svc")};
    FakeHotKeys hotKeys;
    ManualClock clock;
    ScriptedRandom random;
    View view;
    Form1 form{FormServices{view, screen, service, hotKeys, clock, random}};
};

// The rig on a view that records what Form1 shows.
using FormHarness = FormRig<RecordingView>;

}  // namespace sentrel::testing
