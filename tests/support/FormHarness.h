#pragma once

#include <string>

#include "app/Form1.h"
#include "support/FakeHotKeys.h"
#include "support/FakeScreen.h"
#include "support/ManualClock.h"
#include "support/RecordingView.h"
#include "support/ScriptedRandom.h"
#include "support/ScriptedTransport.h"

namespace sentrel::testing {

// A Form1 wired to fakes of everything it talks to. Every request the
// service client makes is answered "ok" unless the test scripts otherwise.
struct FormHarness {
    FormHarness() {
        transport.ReplyAlways(200, "ok");
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

    // Requests sent so far whose URL contains the text.
    std::vector<std::string> Sent(const std::string& text) const {
        std::vector<std::string> urls;
        for (const std::string& url : transport.sent) {
            if (url.find(text) != std::string::npos) urls.push_back(url);
        }
        return urls;
    }

    FakeScreen screen{1920, 1080};
    RecordingView view;
    ScriptedTransport transport;
    ServiceClient service{transport, ServiceRequests("http://svc")};
    FakeHotKeys hotKeys;
    ManualClock clock;
    ScriptedRandom random;
    Form1 form{FormServices{view, screen, service, hotKeys, clock, random}};
};

}  // namespace sentrel::testing
