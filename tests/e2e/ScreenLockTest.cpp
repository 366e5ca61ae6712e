#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <memory>
#include <thread>

#include "log/ToolLog.h"
#include "support/PaintedWindow.h"
#include "support/SentrelUser.h"
#include "support/Waiting.h"
#include "support/X11Desktop.h"
#include "support/XvfbDisplay.h"

namespace sentrel::testing {
namespace {

using namespace std::chrono_literals;

// The areas that alerted, in the order their alerts reached the service.
std::vector<int> AlertedAreas(ServiceProcess& service) {
    std::vector<int> areas;
    for (const std::string& line : service.Process().Lines(ChildProcess::Stream::Out))
        areas.push_back(std::stoi(line.substr(line.find("\"area\":") + 7)));
    return areas;
}

// i3lock locks the screen while three areas are watched, over windows
// beneath Sentrel's: under area 1 all stays quiet, under area 2 something
// happens while locked, under area 3 once unlocked. A pass sends its alerts
// before the next begins: an alert at the lock would come before area 2's,
// one at the unlock before area 3's. In the still mode (the parameter) quiet
// content keeps changing, and what happens is a stop.
class ScreenLock : public ::testing::TestWithParam<bool> {};

TEST_P(ScreenLock, WatchingGoesOnBeneathTheLock) {
    const bool still = GetParam();
    XvfbDisplay display;
    ServiceProcess service({"--code", "4321"});
    SentrelUser user(service, "4321");
    const SaidOnFailure said{user.Tool()};

    std::array<std::atomic<bool>, 3> changing;
    std::vector<std::unique_ptr<PaintedWindow>> windows;
    for (int i = 0; i < 3; ++i) {
        const int left = 300 + 400 * i;
        windows.push_back(
            std::make_unique<PaintedWindow>(left, 380, 140, 140, std::vector<std::int32_t>(140 * 140, 0x003000)));
        windows.back()->Lower();
        Xdotool("mousemove " + At({left + 20, 400}) + " mousedown 1 mousemove " + At({left + 70, 450}) + " mousemove " +
                At({left + 120, 500}) + " mouseup 1");
        ASSERT_TRUE(WaitFor([&] { return PixelAt(left + 20, 400) == "255,0,0"; }, 10s)) << "area " << i + 1;
        changing[i] = still;
    }
    ClickAt(Screen{}.InToolbar(still ? kStillMode : kChangeMode));
    if (still) {
        Xdotool("mousemove " + At(Screen{}.InToolbar(kThreshold)) + " click 1 key End BackSpace BackSpace type 3");
    }
    // Changing content steps by one unit of red ten times a second, its own
    // pace rather than a wait.
    const std::jthread changer([&](const std::stop_token& stop) {
        for (int step = 0; !stop.stop_requested(); step = (step + 1) % 200) {
            for (int i = 0; i < 3; ++i) {
                if (changing[i]) windows[i]->Fill(0x003000 + step);
            }
            std::this_thread::sleep_for(100ms);
        }
    });
    ClickAt(Screen{}.InToolbar(kStart));

    {
        const ChildProcess locker({"/usr/bin/i3lock", "--nofork"});  // killed by its PID as it goes
        ASSERT_TRUE(user.Tool().WaitForLine(ChildProcess::Stream::Err,
                                            Containing(std::string(said::kLocked) + " (i3lock's window)"), 20s));
        changing[1] = !still;
        ASSERT_TRUE(WaitFor([&] { return !AlertedAreas(service).empty(); }, 20s));
        EXPECT_EQ(AlertedAreas(service), std::vector<int>{2}) << "alerts while locked";
    }
    ASSERT_TRUE(user.Tool().WaitForLine(ChildProcess::Stream::Err, Containing(said::kUnlocked), 20s));
    changing[2] = !still;
    ASSERT_TRUE(WaitFor([&] { return AlertedAreas(service).size() >= 2; }, 20s));
    EXPECT_EQ(AlertedAreas(service), (std::vector<int>{2, 3})) << "alerts once unlocked";
}

INSTANTIATE_TEST_SUITE_P(Modes, ScreenLock, ::testing::Bool(), [](const ::testing::TestParamInfo<bool>& still) {
    return still.param ? "AlertWhenStill" : "AlertWhenChanged";
});

}  // namespace
}  // namespace sentrel::testing
