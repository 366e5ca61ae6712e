#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "support/Desktop.h"
#include "support/MisbehavingServer.h"
#include "support/ServiceProcess.h"
#include "support/Waiting.h"

namespace sentrel::testing {

// The built tool on a desktop, against a service of its own, and what a user
// does with its window: sign in with a code from the page, whose phone
// subscribes, draw areas over the bands of the content beneath, change what
// a band shows.
class SentrelRun {
public:
    SentrelRun(std::unique_ptr<Desktop> on, const std::vector<std::string>& env = {});

    // A code from the page, opened as a phone opens it, and the topic that
    // code's alerts go to.
    std::pair<std::string, std::string> CodeFromPage();
    // Signed in through the window; false when it got no further.
    bool SignIn();
    // What the phone subscribed to the topic was sent, oldest first.
    std::vector<std::string> MessagesTo(const std::string& topic) const;
    // The area over a band, dragged up and left from its press corner at the
    // band's right end (the first band's just under the window's top).
    std::pair<Spot, Spot> Area(int band) const;
    bool DrawArea(int band);
    // The band's colour, on the content beneath.
    bool Paint(int band, std::int32_t colour);
    // The band's colour stepped until as many areas as `alerts` have
    // alerted: the first pass takes what an area shows as its reference,
    // and nothing says when it has.
    bool ChangeUntilAlerted(int band, std::size_t alerts);
    // The areas that alerted, in the order their alerts reached the service.
    std::vector<int> AlertedAreas();

    std::unique_ptr<Desktop> desktop;
    // A stand-in for the ntfy server, which takes every message.
    MisbehavingServer ntfy{MisbehavingServer::Respond(200, "{}")};
    ServiceProcess service;
    std::unique_ptr<ChildProcess> tool;
    SaidOnFailure said;
    std::string openId;
    // The phone this run's sign-in alerts.
    std::string topic;
    std::vector<std::int32_t> bands;
};

// A desktop, and how Sentrel is used on it.
struct DesktopRow {
    std::string name;
    std::function<std::unique_ptr<Desktop>()> make;
    // Whether the window is hidden while it watches, else read through.
    bool hidden = false;
    // The longest wait from a change beneath to its alert.
    std::chrono::milliseconds latency = std::chrono::milliseconds(2500);
    // The desktop's own checks, once both areas have alerted.
    std::function<void(SentrelRun&)> ownChecks = nullptr;
};

// A desktop with a screen locker, and how Sentrel sees the lock there.
struct LockRow {
    std::string name;
    std::function<std::unique_ptr<Desktop>()> make;
    // The locker, started on the desktop (killed by its PID as it goes).
    std::function<std::unique_ptr<ChildProcess>(Desktop&)> lock;
    std::string locked, unlocked;
    // Whether what lies beneath is still judged while locked, else the
    // row's way of waiting for passes since Sentrel said a line, and the
    // environment that makes them seen.
    bool judgedWhileLocked = true;
    std::function<bool(ChildProcess&, const std::string& since, std::size_t passes)> passed = nullptr;
    std::vector<std::string> env = {};
};

void PrintTo(const DesktopRow& row, std::ostream* out);
void PrintTo(const LockRow& row, std::ostream* out);

class SentrelOnDesktop : public ::testing::TestWithParam<DesktopRow> {};
class ScreenLockOnDesktop : public ::testing::TestWithParam<std::tuple<LockRow, bool>> {};

std::string LockRunName(const ::testing::TestParamInfo<std::tuple<LockRow, bool>>& run);

}  // namespace sentrel::testing
