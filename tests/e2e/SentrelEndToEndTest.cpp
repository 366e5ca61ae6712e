#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <sstream>
#include <thread>

#include "support/ChildProcess.h"
#include "support/PaintedWindow.h"
#include "support/PrivateBus.h"
#include "support/SelectionOwner.h"
#include "support/SentrelLayout.h"
#include "support/ServiceProcess.h"
#include "support/SplitMonitors.h"
#include "support/Waiting.h"
#include "support/X11Desktop.h"
#include "support/XvfbDisplay.h"

namespace sentrel {
namespace {

using namespace std::chrono_literals;
using namespace testing;
using Clock = std::chrono::steady_clock;

void Screenshot(const std::string& name) {
    std::filesystem::create_directories(SENTREL_SCREENSHOT_DIR);
    const std::string path = std::string(SENTREL_SCREENSHOT_DIR) + "/" + name + ".png";
    EXPECT_EQ(std::system(("import -window root " + path).c_str()), 0);
}

// The service logs only an OpenId's first four characters.
std::string OpenIdShown(const std::string& signedInLine) {
    return signedInLine.substr(signedInLine.find("openid \"") + 8, 4);
}

int LoggedSecond(const std::string& line) {
    return std::stoi(line.substr(11, 2)) * 3600 + std::stoi(line.substr(14, 2)) * 60 + std::stoi(line.substr(17, 2));
}

bool SignInPanelPainted(const Screen& screen, std::chrono::milliseconds timeout) {
    const Spot paper = screen.InSignIn(kSignInPaper);
    const bool painted = WaitFor([&] { return PixelAt(paper.x, paper.y) == "255,255,255"; }, timeout);
    EXPECT_TRUE(painted) << "the sign-in panel is painted: " << PixelAt(paper.x, paper.y);
    return painted;
}

bool DismissNotice() {
    std::string notice;
    if (!WaitFor([&] { return !(notice = VisibleWindow("提示!")).empty(); }, 5s)) return false;
    notice.pop_back();
    Xdotool("windowfocus --sync " + notice + " key Return");
    return WaitFor([] { return VisibleWindow("提示!").empty(); }, 5s);
}

// A window that has only just appeared (Wine's on a busy machine) may not
// take the first keys: the empty box's notice is dismissed and it tries again.
std::optional<std::string> SignInWith(testing::ServiceProcess& service, const std::string& code,
                                      const std::string& expected, const Screen& screen = {}) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        Xdotool("mousemove " + At(screen.InSignIn(kCodeBox)) +
                " click 1 key End BackSpace BackSpace BackSpace BackSpace BackSpace BackSpace type " + code);
        ClickAt(screen.InSignIn(kSignIn));
        if (auto line = service.Process().WaitForLine(ChildProcess::Stream::Err, Containing(expected), 5s)) return line;
        if (!VisibleWindow("提示!").empty()) DismissNotice();
    }
    return std::nullopt;
}

void ExpectKeepAlivesEvery20Seconds(testing::ServiceProcess& service) {
    std::vector<std::string> keepAlives;
    ASSERT_TRUE(WaitFor(
        [&] {
            keepAlives.clear();
            for (const std::string& line : service.Process().Lines(ChildProcess::Stream::Err)) {
                if (line.find("checkon.asp") != std::string::npos) keepAlives.push_back(line);
            }
            return keepAlives.size() >= 2;
        },
        45s));
    const int interval = (LoggedSecond(keepAlives[1]) - LoggedSecond(keepAlives[0]) + 86400) % 86400;
    EXPECT_GE(interval, 19);
    EXPECT_LE(interval, 21);
}

void ExpectSignedOffOnceAndEnded(testing::ServiceProcess& service, ChildProcess& app, const std::string& openId) {
    const auto signOff = Containing("checkoff.asp?openid=" + openId);
    EXPECT_TRUE(service.Process().WaitForLine(ChildProcess::Stream::Err, signOff));
    EXPECT_TRUE(WaitFor([&] { return !app.Running(); }, 10s));
    EXPECT_EQ(app.ExitCode(), 0);
    EXPECT_EQ(std::ranges::count_if(service.Process().Lines(ChildProcess::Stream::Err), signOff), 1);
}

struct ReportOnFailure : SaidOnFailure {
    std::string name;
    ~ReportOnFailure() {
        if (::testing::Test::HasFailure()) Screenshot(name + "-failed");
    }
};

// The service, and the tool started against it; a failure leaves a screenshot.
struct Sentrel {
    Sentrel(const std::vector<std::string>& command, const std::string& name,
            const std::vector<std::string>& serviceArgs = {"--code", "4321"})
        : service(serviceArgs), app((PointAt(service), command)), report{{app}, name} {}
    static void PointAt(testing::ServiceProcess& service) {
        ::setenv("SENTREL_SERVICE_URL", service.Url().c_str(), 1);
        ::setenv("LSAN_OPTIONS", "suppressions=" SENTREL_LSAN_SUPPRESSIONS, 1);
        ::setenv("WINEDEBUG", "-all", 1);
    }
    std::vector<std::string> Alerts() { return service.Process().Lines(ChildProcess::Stream::Out); }
    std::optional<std::string> WaitForAlert(std::chrono::milliseconds timeout) {
        return service.Process().WaitForLine(ChildProcess::Stream::Out, Containing("\"area\":1"), timeout);
    }

    testing::ServiceProcess service;
    ChildProcess app;
    ReportOnFailure report;
};

testing::PaintedWindow Square(int x, int y, int size, std::int32_t colour) {
    return testing::PaintedWindow(x, y, size, size, std::vector<std::int32_t>(size * size, colour));
}

// The Linux window, and the Windows edition under Wine when built against
// one. Wine's RegisterHotKey gets no key from the X server here, so that
// edition is hidden with its button (the Windows tests cover its hot key).
struct Edition {
    std::string name;
    std::vector<std::string> command;
    bool globalHotKey;
};

// A narrow screen puts the centred toolbar over the instruction labels.
struct Run {
    Edition edition;
    Screen screen;
    std::string Name() const {
        return edition.name + "_" + std::to_string(screen.width) + "x" + std::to_string(screen.height);
    }
};

void PrintTo(const Run& run, std::ostream* out) { *out << run.Name(); }

std::vector<Run> Runs() {
    std::vector<Edition> editions = {{"Linux", {SENTREL_BINARY}, true}};
#ifdef SENTREL_WINDOWS_EXE
    editions.push_back({"WindowsUnderWine", {"/usr/bin/wine", SENTREL_WINDOWS_EXE}, false});
#endif
    std::vector<Run> runs;
    for (const Edition& edition : editions) {
        for (const Screen& screen : {Screen{1920, 1080}, Screen{1280, 800}}) runs.push_back({edition, screen});
    }
    return runs;
}

class SentrelEndToEnd : public ::testing::TestWithParam<Run> {
protected:
    void Screenshot(const std::string& name) { sentrel::Screenshot(GetParam().Name() + "-" + name); }
    const Edition& edition() const { return GetParam().edition; }
    const Screen& screen() const { return GetParam().screen; }
};

TEST_P(SentrelEndToEnd, SignInMonitorAlertHotKeyAndClose) {
    testing::XvfbDisplay display(screen().width, screen().height);
    Sentrel setup(edition().command, GetParam().Name());
    auto& [service, app, report] = setup;
    ASSERT_TRUE(WaitFor([] { return !VisibleWindow("Sentrel").empty(); }, 60s)) << "the window, once Wine has started";
    ASSERT_TRUE(SignInPanelPainted(screen(), 5s));
    EXPECT_TRUE(service.Process().WaitForLine(ChildProcess::Stream::Err, Containing("vers.asp?vers=5.0.2")));
    Screenshot("signed-out");

    ASSERT_TRUE(SignInWith(service, "9999", "sign-in refused for code \"9999\"", screen()));
    ASSERT_TRUE(DismissNotice());
    const auto signedIn = SignInWith(service, "4321", "sign-in accepted", screen());
    ASSERT_TRUE(signedIn);
    const std::string openId = OpenIdShown(*signedIn);

    // Mapped only now: Wine's X driver trips over a foreign window that is
    // already there while it starts.
    testing::PaintedWindow before = Square(380, 380, 140, 0x00A0F0);
    before.Lower();
    Xdotool("mousemove 400 400 mousedown 1 mousemove 450 450 mousemove 500 500 mouseup 1");
    ClickAt(screen().InToolbar(kChangeMode));
    ASSERT_TRUE(WaitFor([] { return PixelAt(400, 400) == "255,0,0"; }, 5s)) << "the outline is drawn";
    Screenshot("ready");

    // Start (at the button's centre, over the labels' span on a narrow
    // screen) and hide in one xdotool run, well inside the first second, so
    // that the first pass sees the painted window; one pass later, change it.
    const std::string hide =
        edition().globalHotKey ? std::string("key ctrl+w") : "mousemove " + At(screen().InToolbar(kHide)) + " click 1";
    Xdotool("mousemove " + At(screen().InToolbar(kStart)) + " click 1 " + hide);
    ASSERT_TRUE(WaitFor([] { return VisibleWindow("Sentrel").empty(); }, 5s));
    ASSERT_FALSE(setup.WaitForAlert(1500ms)) << "no alert before the change";
    const testing::PaintedWindow after = Square(380, 380, 140, 0x3050A0);
    const auto changed = Clock::now();
    const auto alert = setup.WaitForAlert(2s);
    ASSERT_TRUE(alert) << "an alert within two seconds of the change";
    EXPECT_LE(Clock::now() - changed, 2s);
    EXPECT_NE(alert->find("\"openid\":\"" + openId), std::string::npos);

    const testing::PaintedWindow later = Square(380, 380, 140, 0x000000);
    std::this_thread::sleep_for(2500ms);
    EXPECT_EQ(setup.Alerts().size(), 1u) << "alerted areas send nothing more";

    if (!edition().globalHotKey) {
        ExpectKeepAlivesEvery20Seconds(service);
        return;
    }

    // Blue: Sentrel's window; green: a window raised while it was hidden.
    const auto ctrlW = [](const char* colour) {
        Xdotool("key ctrl+w");
        return WaitFor([colour] { return PixelAt(450, 450) == colour; }, 5s);
    };
    ASSERT_TRUE(ctrlW("0,0,255")) << "shown above the painted windows";
    Screenshot("monitoring");
    ASSERT_TRUE(ctrlW("0,0,0"));
    const testing::PaintedWindow raised = Square(420, 420, 60, 0x00FF00);
    ASSERT_TRUE(ctrlW("0,0,255")) << "shown above the newest window";
    Xdotool("key Num_Lock");
    EXPECT_TRUE(ctrlW("0,255,0")) << "hidden with NumLock on";
    EXPECT_TRUE(ctrlW("0,0,255")) << "shown with NumLock on";
    Xdotool("key Num_Lock");
    ASSERT_EQ(std::system("xmodmap -e 'keycode 24 = w W' -e 'keycode 25 = q Q'"), 0);
    EXPECT_TRUE(ctrlW("0,255,0")) << "hidden after a layout change";
    EXPECT_TRUE(ctrlW("0,0,255")) << "shown after a layout change";

    ExpectKeepAlivesEvery20Seconds(service);
    ClickAt(screen().InToolbar(kClose));
    ExpectSignedOffOnceAndEnded(service, app, openId);
}

// Dragged up and left, so that the area's label lies inside it.
void DrawAreaUpAndLeft() { Xdotool("mousemove 500 500 mousedown 1 mousemove 450 450 mousemove 400 400 mouseup 1"); }

// Shown over the area, under a window manager: content changing every
// 400 ms alerts in the change mode, and in the still mode only once it stops.
TEST(SentrelWindowShown, OnlyTheContentBeneathTheWindowCounts) {
    testing::XvfbDisplay display;
    ChildProcess windowManager({"/usr/bin/openbox", "--config-file", SENTREL_OPENBOX_CONFIG});
    ASSERT_TRUE(testing::WaitForSelectionOwner("WM_S0", 10s));
    Sentrel setup({SENTREL_BINARY}, "Linux-window-shown");
    auto& [service, app, report] = setup;
    ASSERT_TRUE(SignInPanelPainted(Screen{}, 10s));
    const auto signedIn = SignInWith(service, "4321", "sign-in accepted");
    ASSERT_TRUE(signedIn);
    const std::string openId = OpenIdShown(*signedIn);
    // The sanitizer build may take seconds more to swap panels.
    const Spot paper = Screen{}.InSignIn(kSignInPaper);
    ASSERT_TRUE(WaitFor([&] { return PixelAt(paper.x, paper.y) != "255,255,255"; }, 15s));

    Xdotool("mousemove 10 5 mousedown 1 mousemove 300 300 mouseup 1");
    Xdotool("mousemove 800 800 mousedown 8 mousemove 900 900 mouseup 8");
    Xdotool("mousemove 600 600 mousedown 3 mousedown 1 mousemove 700 700 mouseup 3 mouseup 1");
    EXPECT_TRUE(WaitFor([] { return PixelAt(800, 708) == "255,0,0"; }, 15s)) << "the chord's left release adds an area";
    EXPECT_NE(PixelAt(150, 300), "255,0,0") << "no area from a press on the instructions";
    EXPECT_NE(PixelAt(850, 800), "255,0,0") << "no area from the back button";
    // On the bare window (on the area's label it would do nothing).
    Xdotool("mousemove 1000 900 click 3");
    ASSERT_TRUE(WaitFor([] { return PixelAt(800, 708) != "255,0,0"; }, 15s));

    testing::PaintedWindow content = Square(380, 380, 140, 0x00A0F0);
    content.Lower();
    std::atomic<bool> changing = true, done = false;
    std::thread changer([&] {
        for (std::int32_t colour = 0x101010; !done; colour = (colour + 0x0A0B0C) & 0xFFFFFF) {
            if (changing) content.Fill(colour);
            std::this_thread::sleep_for(400ms);
        }
    });
    struct Join {
        std::atomic<bool>& done;
        std::thread& thread;
        ~Join() {
            done = true;
            thread.join();
        }
    } join{done, changer};

    DrawAreaUpAndLeft();
    ClickAt(Screen{}.InToolbar(kChangeMode));
    ClickAt(Screen{}.InToolbar(kStart));
    EXPECT_TRUE(setup.WaitForAlert(15s));
    Screenshot("Linux-window-shown");

    ClickAt(Screen{}.InToolbar(kStop));
    DrawAreaUpAndLeft();
    ClickAt(Screen{}.InToolbar(kStillMode));
    Xdotool("mousemove " + At(Screen{}.InToolbar(kThreshold)) + " click 1 key End BackSpace BackSpace type 2");
    const std::size_t before = setup.Alerts().size();
    ClickAt(Screen{}.InToolbar(kStart));
    std::this_thread::sleep_for(5s);
    EXPECT_EQ(setup.Alerts().size(), before) << "no alert while the content changes";
    changing = false;
    EXPECT_TRUE(WaitFor([&] { return setup.Alerts().size() > before; }, 6s)) << "an alert once it stands still";

    // A signal while a handler waits on a message box: signed off at once.
    ClickAt(Screen{}.InToolbar(kStop));
    ClickAt(Screen{}.InToolbar(kStart));
    ASSERT_TRUE(WaitFor([] { return !VisibleWindow("提示").empty(); }, 5s)) << "no area: a message box";
    ASSERT_EQ(::kill(app.Pid(), SIGTERM), 0);
    ExpectSignedOffOnceAndEnded(service, app, openId);
}

// An area drawn on the monitor asked for watches it, not the other.
TEST(SentrelOnAMonitor, WatchesTheMonitorItCovers) {
    constexpr int kRight = 1920;
    testing::XvfbDisplay display(2 * kRight, 1080);
    const testing::SplitMonitors monitors(2, kRight, 1080);
    Sentrel setup({SENTREL_BINARY, "--screen", "1"}, "Linux-second-monitor");
    const Screen right{kRight, 1080, kRight};
    ASSERT_TRUE(SignInPanelPainted(right, 10s)) << "on the right-hand monitor";
    ASSERT_TRUE(SignInWith(setup.service, "4321", "sign-in accepted", right));
    testing::PaintedWindow left = Square(380, 380, 140, 0x00A0F0);
    testing::PaintedWindow beneath = Square(kRight + 380, 380, 140, 0x00A0F0);
    left.Lower();
    beneath.Lower();
    const auto at = [](int x, int y) { return std::to_string(kRight + x) + " " + std::to_string(y); };
    Xdotool("mousemove " + at(400, 400) + " mousedown 1 mousemove " + at(450, 450) + " mousemove " + at(500, 500) +
            " mouseup 1");
    ClickAt(right.InToolbar(kChangeMode));
    ClickAt(right.InToolbar(kStart));
    Screenshot("Linux-second-monitor");
    std::this_thread::sleep_for(1500ms);
    left.Fill(0x000000);
    EXPECT_FALSE(setup.WaitForAlert(3s)) << "no alert for the other monitor";
    beneath.Fill(0x000000);
    EXPECT_TRUE(setup.WaitForAlert(3s));
}

// `sentrel --toggle` (a desktop's Ctrl+W binding) shows and hides the
// running window over the session bus; a second start shows it and ends.
TEST(SentrelToggle, TheCommandShowsAndHidesTheRunningWindow) {
    testing::XvfbDisplay display;
    const testing::PrivateBus bus;
    ASSERT_FALSE(bus.address.empty());
    Sentrel setup({SENTREL_BINARY}, "Linux-toggle", {});
    auto& [service, app, report] = setup;
    ASSERT_TRUE(WaitFor([] { return !VisibleWindow("Sentrel").empty(); }, 60s));
    const std::string command = "timeout 20 " SENTREL_BINARY;
    // Each command, and whether the window is shown after it.
    const std::vector<std::pair<std::string, bool>> steps = {
        {"", true}, {" --toggle", false}, {" --toggle", true}, {" --toggle", false}, {"", true}, {" --toggle", false}};
    for (const auto& [args, shown] : steps) {
        EXPECT_EQ(std::system((command + args + " 2>/dev/null").c_str()), 0) << args;
        EXPECT_TRUE(WaitFor([&] { return VisibleWindow("Sentrel").empty() != shown; }, 5s)) << args << shown;
    }
    ASSERT_EQ(::kill(app.Pid(), SIGINT), 0);
    ExpectSignedOffOnceAndEnded(service, app, "");
    EXPECT_NE(std::system((command + " --toggle 2>/dev/null").c_str()), 0) << "nothing runs to answer";
}

// The monitors, numbered left to right, on which a Sentrel window is shown.
std::set<int> MonitorsShowingSentrel(int monitorWidth) {
    std::istringstream geometry(
        Command("/usr/bin/xdotool search --onlyvisible --name '^Sentrel$' getwindowgeometry %@ 2>/dev/null"));
    std::set<int> monitors;
    for (std::string word; geometry >> word;) {
        int x = 0;
        if (word == "Position:" && geometry >> x) monitors.insert(x / monitorWidth);
    }
    return monitors;
}

// A Sentrel on each of two monitors: `--toggle` acts on both, or on the one
// given with --screen, and a second start shows the window on its monitor.
TEST(SentrelToggle, OneSentrelRunsPerMonitor) {
    constexpr int kRight = 1920;
    testing::XvfbDisplay display(2 * kRight, 1080);
    const testing::SplitMonitors monitors(2, kRight, 1080);
    const testing::PrivateBus bus;
    ASSERT_FALSE(bus.address.empty());
    Xdotool("mousemove 100 100");
    Sentrel setup({SENTREL_BINARY}, "Linux-toggle-per-monitor", {});
    ChildProcess right({SENTREL_BINARY, "--screen", "1"});
    const SaidOnFailure saidRight{right};
    ASSERT_TRUE(WaitFor([] { return MonitorsShowingSentrel(kRight) == std::set<int>{0, 1}; }, 10s));
    const std::string command = "timeout 20 " SENTREL_BINARY;
    // Each command, and the monitors showing a window after it.
    const std::vector<std::pair<std::string, std::set<int>>> steps = {
        {" --screen 1 --toggle", {0}}, {" --toggle", {1}}, {" --screen 0", {0, 1}}, {" --screen=1 --toggle", {0}}};
    for (const auto& [args, shown] : steps) {
        EXPECT_EQ(std::system((command + args + " 2>/dev/null").c_str()), 0) << args;
        EXPECT_TRUE(WaitFor([&] { return MonitorsShowingSentrel(kRight) == shown; }, 5s)) << args;
    }
    for (ChildProcess* sentrel : {&setup.app, &right}) {
        ASSERT_EQ(::kill(sentrel->Pid(), SIGINT), 0);
        EXPECT_TRUE(WaitFor([&] { return !sentrel->Running(); }, 10s));
        EXPECT_EQ(sentrel->ExitCode(), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Editions, SentrelEndToEnd, ::testing::ValuesIn(Runs()),
                         [](const ::testing::TestParamInfo<Run>& run) { return run.param.Name(); });

}  // namespace
}  // namespace sentrel
