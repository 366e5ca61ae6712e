#pragma once

#include <string>
#include <utility>

#include "app/Form1.h"
#include "support/FakeHotKeys.h"
#include "support/FakeScreen.h"
#include "support/ManualClock.h"
#include "support/RecordingView.h"
#include "support/ScriptedRandom.h"
#include "support/ScriptedTransport.h"

namespace sentrel::testing {

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
struct FormHarness : FormRig<RecordingView> {
    FormHarness() {
        view.onClose = [this] { form.Form_Unload(); };
    }

    // Load the window as the toolkit would: load, then the first resize.
    void Load() {
        form.Form_Load();
        form.Form_Resize();
    }

    void Drag(float x1, float y1, float x2, float y2, std::int16_t button = 1) {
        form.Form_MouseDown(button, 0, x1, y1);
        form.Form_MouseUp(button, 0, x2, y2);
    }
};

}  // namespace sentrel::testing
