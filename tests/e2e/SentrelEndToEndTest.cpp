#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <cstdlib>
#include <set>

#include "log/ToolLog.h"
#include "support/DesktopScenarios.h"
#include "support/PrivateBus.h"
#include "support/Waiting.h"
#include "support/X11Desktop.h"

namespace sentrel::testing {
namespace {

using namespace std::chrono_literals;

// Two keep-alives in a row, timed as they reach the service.
void ExpectKeepAlivesEvery20Seconds(SentrelRun& run) {
    const auto next = [&] {
        const auto keepAlives = [&] {
            return std::ranges::count_if(run.service.Process().Lines(ChildProcess::Stream::Err),
                                         Containing("checkon.asp"));
        };
        return WaitFor([&, seen = keepAlives()] { return keepAlives() > seen; }, 25s);
    };
    ASSERT_TRUE(next());
    const auto first = std::chrono::steady_clock::now();
    ASSERT_TRUE(next());
    const auto interval = std::chrono::steady_clock::now() - first;
    EXPECT_GE(interval, 19s);
    EXPECT_LE(interval, 21s);
}

void ExpectSignedOffOnceAndEnded(ServiceProcess& service, ChildProcess& app, const std::string& openId) {
    const auto signOff = Containing("checkoff.asp?openid=" + openId);
    EXPECT_TRUE(service.Process().WaitForLine(ChildProcess::Stream::Err, signOff));
    EXPECT_TRUE(WaitFor([&] { return !app.Running(); }, 10s));
    EXPECT_EQ(app.ExitCode(), 0);
    EXPECT_EQ(std::ranges::count_if(service.Process().Lines(ChildProcess::Stream::Err), signOff), 1);
}

// With the window shown over its areas, under openbox: the drawing rules,
// and a signal while a handler waits on a message box, which signs off at once.
void DrawingRulesAndASignalOverAMessageBox(SentrelRun& run) {
    X11Desktop& desktop = static_cast<X11Desktop&>(*run.desktop);
    ASSERT_TRUE(desktop.Click(desktop.screen.InToolbar(kStop)));
    // On the bare window (on an area's label it would do nothing).
    Xdotool("mousemove 1000 900 click 3");
    ASSERT_TRUE(WaitFor([&] { return !desktop.ShowsArea(run.Area(0).first, {}, 0); }, 15s)) << "areas cleared";
    Xdotool("mousemove 10 5 mousedown 1 mousemove 300 300 mouseup 1");
    Xdotool("mousemove 800 800 mousedown 8 mousemove 900 900 mouseup 8");
    Xdotool("mousemove 600 600 mousedown 3 mousedown 1 mousemove 700 700 mouseup 3 mouseup 1");
    // An area's outline and label are red.
    const auto red = [&desktop](Spot spot) { return desktop.Colour(spot) == 0x0000FF; };
    EXPECT_TRUE(WaitFor([&] { return red({800, 708}); }, 15s)) << "the chord's left release adds an area";
    EXPECT_FALSE(red({150, 300})) << "no area from a press on the instructions";
    EXPECT_FALSE(red({850, 800})) << "no area from the back button";
    Xdotool("mousemove 1000 900 click 3");
    ASSERT_TRUE(WaitFor([&] { return !red({800, 708}); }, 15s));
    ASSERT_TRUE(desktop.Click(desktop.screen.InToolbar(kStart)));
    ASSERT_TRUE(WaitFor([] { return !VisibleWindow("提示").empty(); }, 5s)) << "no area: a message box";
    ASSERT_EQ(::kill(run.tool->Pid(), SIGTERM), 0);
    ExpectSignedOffOnceAndEnded(run.service, *run.tool, run.openId);
}

// Ctrl+W, hidden and shown: above the newest window, with NumLock on, and
// after a layout change (the press that shows is the one that tells: a
// shown window may take the keys itself); the keep-alives; Close signs off
// once.
void HotKeyKeepAlivesAndClose(SentrelRun& run) {
    Desktop& desktop = *run.desktop;
    const Spot middle{desktop.screen.width / 2, desktop.screen.height / 2};
    // Blue: Sentrel's window; green: a window raised while it was hidden.
    const auto ctrlW = [&](std::int32_t colour) {
        Xdotool("key ctrl+w");
        return WaitFor([&] { return desktop.Colour(middle) == colour; }, 5s);
    };
    ASSERT_TRUE(ctrlW(0xFF0000)) << "shown above the content";
    ASSERT_TRUE(ctrlW(run.bands[1]));
    const PaintedWindow raised(middle.x - 30, middle.y - 30, 60, 60, std::vector<std::int32_t>(3600, 0x00FF00));
    Xdotool("key Num_Lock");
    ASSERT_TRUE(ctrlW(0xFF0000)) << "shown above the newest window, with NumLock on";
    Xdotool("key Num_Lock");
    ASSERT_TRUE(ctrlW(0x00FF00));
    ASSERT_EQ(std::system("xmodmap -e 'keycode 24 = w W' -e 'keycode 25 = q Q'"), 0);
    EXPECT_TRUE(ctrlW(0xFF0000)) << "shown after a layout change";
    ExpectKeepAlivesEvery20Seconds(run);
    ASSERT_TRUE(desktop.Click(desktop.screen.InToolbar(kClose)));
    ExpectSignedOffOnceAndEnded(run.service, *run.tool, run.openId);
}

std::function<std::unique_ptr<Desktop>()> Linux(Screen screen, bool windowManager, std::vector<std::string> args = {}) {
    args.insert(args.begin(), SENTREL_BINARY);
    return [=] { return std::make_unique<X11Desktop>(screen, args, true, windowManager); };
}

// A narrow screen puts the centred toolbar over the instruction labels; on
// the right of two monitors the tool given --screen 1 watches that one.
std::vector<DesktopRow> Rows() {
    std::vector<DesktopRow> rows = {
        {"Linux_1920x1080_Shown", Linux({}, true), false, 2s, DrawingRulesAndASignalOverAMessageBox},
        {"Linux_1280x800_Hidden", Linux({1280, 800}, false), true, 2s, HotKeyKeepAlivesAndClose},
        {"Linux_SecondMonitor", Linux({1920, 1080, 1920}, false, {"--screen", "1"}), true, 2s},
    };
#ifdef SENTREL_WINDOWS_EXE
    for (const Screen screen : {Screen{1920, 1080}, Screen{1280, 800}}) {
        rows.push_back({"WindowsUnderWine_" + std::to_string(screen.width) + "x" + std::to_string(screen.height),
                        [=] {
                            return std::make_unique<X11Desktop>(
                                screen, std::vector<std::string>{"/usr/bin/wine", SENTREL_WINDOWS_EXE}, false, false);
                        },
                        true, 2s, [](SentrelRun& run) { ExpectKeepAlivesEvery20Seconds(run); }});
    }
#endif
    return rows;
}

INSTANTIATE_TEST_SUITE_P(X11, SentrelOnDesktop, ::testing::ValuesIn(Rows()),
                         [](const ::testing::TestParamInfo<DesktopRow>& row) { return row.param.name; });

INSTANTIATE_TEST_SUITE_P(
    X11, ScreenLockOnDesktop,
    ::testing::Combine(
        ::testing::Values(LockRow{
            "i3lock", Linux({}, false),
            [](Desktop&) {
                return std::make_unique<ChildProcess>(std::vector<std::string>{"/usr/bin/i3lock", "--nofork"});
            },
            std::string(said::kLocked) + " (i3lock's window)", std::string(said::kUnlocked)}),
        ::testing::Bool()),
    LockRunName);

// A wrong code is refused with a notice, which the user dismisses to try again.
TEST_P(SentrelOnDesktop, AWrongCodeIsRefusedWithANotice) {
    SentrelRun run(GetParam().make());
    const Screen& screen = run.desktop->screen;
    ASSERT_TRUE(WaitFor([&] { return run.desktop->Colour(screen.InSignIn(kSignInPaper)) == 0xFFFFFF; }, 20s));
    ASSERT_TRUE(run.desktop->Replace(screen.InSignIn(kCodeBox), "9999"));
    ASSERT_TRUE(run.desktop->Click(screen.InSignIn(kSignIn)));
    EXPECT_TRUE(
        run.service.Process().WaitForLine(ChildProcess::Stream::Err, Containing("sign-in refused for code \"9999\"")));
    EXPECT_TRUE(DismissNotice("提示!"));
    EXPECT_TRUE(run.SignIn());
}

// The monitors, numbered left to right, on which a Sentrel window shows its
// sign-in panel.
std::set<int> MonitorsShowingSentrel(Desktop& desktop) {
    std::set<int> monitors;
    for (const int monitor : {0, 1}) {
        const Screen shown{desktop.screen.width, desktop.screen.height, monitor * desktop.screen.width};
        if (desktop.Colour(shown.InSignIn(kSignInPaper)) == 0xFFFFFF) monitors.insert(monitor);
    }
    return monitors;
}

// `sentrel --toggle` (a desktop's Ctrl+W binding) shows and hides the
// running windows over the session bus, one Sentrel per monitor: all of
// them, or the one given with --screen; a second start shows the window on
// its monitor and ends.
TEST(SentrelToggle, TheCommandShowsAndHidesTheWindowOfEachMonitor) {
    const PrivateBus bus;
    ASSERT_FALSE(bus.address.empty());
    X11Desktop desktop({1920, 1080, 1920}, {SENTREL_BINARY}, false, false);
    Xdotool("mousemove 100 100");
    ServiceProcess service;
    const std::unique_ptr<ChildProcess> left = desktop.Start(service.Url(), {});
    ChildProcess right({SENTREL_BINARY, "--screen", "1"});
    const SaidOnFailure saidRight{right};
    ASSERT_TRUE(WaitFor([&] { return MonitorsShowingSentrel(desktop) == std::set<int>{0, 1}; }, 10s));
    const std::string command = "timeout 20 " SENTREL_BINARY;
    // Each command, and the monitors showing a window after it.
    const std::vector<std::pair<std::string, std::set<int>>> steps = {{" --screen 1 --toggle", {0}},
                                                                      {" --toggle", {1}},
                                                                      {" --toggle", {0}},
                                                                      {"", {0}},
                                                                      {" --toggle", {1}},
                                                                      {"", {0, 1}},
                                                                      {" --screen=1 --toggle", {0}},
                                                                      {" --screen 1", {0, 1}}};
    for (const auto& [args, shown] : steps) {
        EXPECT_EQ(std::system((command + args + " 2>/dev/null").c_str()), 0) << args;
        EXPECT_TRUE(WaitFor([&] { return MonitorsShowingSentrel(desktop) == shown; }, 5s)) << args;
    }
    ASSERT_EQ(::kill(left->Pid(), SIGINT), 0);
    ExpectSignedOffOnceAndEnded(service, *left, "");
    ASSERT_EQ(::kill(right.Pid(), SIGINT), 0);
    EXPECT_TRUE(WaitFor([&] { return !right.Running(); }, 10s));
    EXPECT_EQ(right.ExitCode(), 0);
    EXPECT_NE(std::system((command + " --toggle 2>/dev/null").c_str()), 0) << "nothing runs to answer";
}

}  // namespace
}  // namespace sentrel::testing
