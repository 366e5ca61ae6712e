#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/x11/XcbConnection.h"
#include "support/Desktop.h"
#include "support/PaintedWindow.h"
#include "support/WinePrefix.h"
#include "support/XvfbDisplay.h"

namespace sentrel::testing {

// The X display as a user meets it: xdotool for the mouse and keys, the X
// server for what the screen shows.

// What a shell command printed.
std::string Command(const std::string& command);
// Runs xdotool with these arguments; a failure fails the test.
bool Xdotool(const std::string& args);
// The id of a visible window of exactly this name, or "".
std::string VisibleWindow(const std::string& exactName);
// The notice box dismissed with its default button, once it shows.
bool DismissNotice(const std::string& title);

// A private Xvfb, split into monitors of the screen's size up to it,
// openbox on it when asked, and an edition of Sentrel run by a command: the
// Linux window, or the Windows one under Wine in a prefix of its own. The
// content beneath is windows of the test's own, mapped at its first paint:
// Wine's X driver trips over a foreign window that is already there while
// it starts.
class X11Desktop : public Desktop {
public:
    // globalHotKey: whether Ctrl+W hides the window, else its button does
    // (Wine's RegisterHotKey gets no key from the X server here).
    X11Desktop(Screen monitor, std::vector<std::string> command, bool globalHotKey, bool windowManager);

    std::unique_ptr<ChildProcess> Start(const std::string& url, const std::vector<std::string>& env) override;
    bool Click(Spot at) override;
    bool Drag(Spot from, Spot to) override;
    bool Replace(Spot box, const std::string& text) override;
    std::vector<std::int32_t> Colours(const std::vector<Spot>& at) override;
    bool ShowsArea(Spot from, Spot to, std::int32_t beneath) override;
    bool Hide() override;
    bool Paint(const std::vector<std::int32_t>& bands) override;

private:
    XvfbDisplay display_;
    std::unique_ptr<FreshWinePrefix> wine_;
    std::unique_ptr<ChildProcess> windowManager_;
    std::vector<std::string> command_;
    bool globalHotKey_;
    XcbConnectionPtr connection_;
    std::vector<std::unique_ptr<PaintedWindow>> bands_;
};

}  // namespace sentrel::testing
