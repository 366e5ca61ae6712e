#include <gtest/gtest.h>

#include <signal.h>
#include <QCoreApplication>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

#include "log/ToolLog.h"
#include "monitor/SampleArea.h"
#include "support/MutterDesktop.h"
#include "support/SentrelLayout.h"
#include "support/ServiceProcess.h"
#include "support/Waiting.h"
#include "support/WaylandSession.h"

namespace sentrel {
namespace {

using namespace std::chrono_literals;
using namespace testing;

constexpr int kTopBar = 32;
constexpr std::uint32_t kEscape = 0xFF1B;

// Sentrel on GNOME Shell, as its users have it: the top bar above its
// window, the screen seen through the ScreenCast portal once the monitor is
// shared in GNOME's dialog; signed in, an area drawn, and an alert once
// what lies beneath the area changes; the consent kept for the next start.
TEST(SentrelOnGnomeShell, AlertsThroughTheScreenCastBelowTheTopBar) {
    const auto shell = WaylandSession::GnomeShell(1920, 1080);
    ServiceProcess service({"--code", "4321"});
    int argc = 0;
    QCoreApplication app(argc, nullptr);
    MutterDesktop desktop(*shell);
    const auto show = [&](const std::vector<ScreenPoint>& points, std::int32_t colour) {
        std::vector<std::int32_t> colours(points.size());
        desktop.Screen().Read(points, colours);
        return std::ranges::all_of(colours, [&](std::int32_t c) { return c == colour; });
    };
    const auto onScreen = [](Spot spot) { return ScreenPoint{spot.x, spot.y + kTopBar}; };
    const auto clickUntil = [&](Spot spot, const std::function<bool()>& done) {
        return desktop.ClickUntil(onScreen(spot), done, false);
    };
    const auto changes = [&](Spot spot) {
        return
            [&desktop, at = onScreen(spot), was = desktop.Around(onScreen(spot))] { return desktop.Around(at) != was; };
    };

    ChildProcess content(
        shell->Inside({"QT_WAYLAND_DISABLE_WINDOWDECORATION=1", shell->Staged(SENTREL_COLOUR_WINDOW)}));
    ASSERT_TRUE(content.Send("2040A0") && content.WaitForLine(ChildProcess::Stream::Out, Containing("painted")));
    // GNOME Shell starts in its Overview, where the dialog takes no clicks,
    // and an Escape sent while it opens may go nowhere.
    const auto desktopShown = [&] { return show({{4, 1075}}, 0xA04020); };
    ASSERT_TRUE(WaitFor([&] { return desktopShown() || (desktop.Key(kEscape), WaitFor(desktopShown, 3s)); }, 30s))
        << "the Overview left for the content's window";

    ChildProcess tool(shell->Inside({"SENTREL_SERVICE_URL=" + service.Url(), shell->Staged(SENTREL_BINARY)}));
    const SaidOnFailure report{tool};
    std::optional<ShareDialog> dialog;
    ASSERT_TRUE(WaitFor([&] { return (dialog = desktop.AskingToShare()).has_value(); }, 20s)) << "the desktop asks";
    ASSERT_TRUE(desktop.Share(*dialog, [&] {
        return tool.WaitForLine(ChildProcess::Stream::Err, Containing(said::kCastStarted), 0ms).has_value();
    }));

    const Screen screen;
    ASSERT_TRUE(WaitFor([&] { return show({onScreen(screen.InSignIn(kSignInPaper))}, 0xFFFFFF); }, 20s))
        << "the sign-in panel, below the top bar";
    // The code's last digits show a little left of the box's middle, where
    // an empty box shows nothing, not even its text cursor.
    const Spot box = screen.InSignIn(kCodeBox);
    const auto typed = changes({box.x - 18, box.y});
    ASSERT_TRUE(clickUntil(box, [&] { return typed() || (desktop.Type("4321"), WaitFor(typed, 5s)); }))
        << "the code typed in its box";
    ChildProcess& serviceProcess = service.Process();
    ASSERT_TRUE(clickUntil(screen.InSignIn(kSignIn), [&] {
        return serviceProcess.WaitForLine(ChildProcess::Stream::Err, Containing("sign-in accepted"), 0ms).has_value();
    }));

    // Right beneath the top bar, which a reader that missed the window's
    // place would watch instead.
    constexpr int x1 = 1400, y1 = 4, x2 = 1800, y2 = 28;
    std::vector<ScreenPoint> samples = SampleGrid(x1, y1, x2, y2);
    for (ScreenPoint& sample : samples) sample.y += kTopBar;
    desktop.Drag(onScreen({x1, y1}), onScreen({x2, y2}));
    ASSERT_TRUE(WaitFor([&] { return show(samples, 0xA04020); }, 20s)) << "the sample points show the content beneath";
    // The change mode locks the threshold box, which greys right of its text.
    const Spot threshold = screen.InToolbar(kThreshold);
    ASSERT_TRUE(clickUntil(screen.InToolbar(kChangeMode), [&] {
        return !show({onScreen({threshold.x + 22, threshold.y})}, 0xFFFFFF);
    }));
    ASSERT_TRUE(clickUntil(screen.InToolbar(kStart), changes(screen.InToolbar(kStop)))) << "watching, Stop enabled";
    ASSERT_FALSE(serviceProcess.WaitForLine(ChildProcess::Stream::Out, Containing("\"area\""), 2s))
        << "an alert before the change";
    ASSERT_TRUE(content.Send("A0F000"));
    EXPECT_TRUE(serviceProcess.WaitForLine(ChildProcess::Stream::Out, Containing("\"area\":1"), 10s))
        << "an alert once what lies beneath the area changes";
    EXPECT_TRUE(tool.WaitForLine(ChildProcess::Stream::Err,
                                 Containing("corner is at pixel (0, " + std::to_string(kTopBar) + ")"), 0ms))
        << "found below the top bar";

    // The consent is kept: started again, Sentrel is not asked again. Without
    // it, and refused, the user is told, and Sentrel runs on.
    ASSERT_EQ(::kill(tool.Pid(), SIGTERM), 0);
    ASSERT_TRUE(WaitFor([&] { return !tool.Running(); }, 10s));
    const std::vector<std::string> again = {"SENTREL_SERVICE_URL=" + service.Url(), shell->Staged(SENTREL_BINARY)};
    {
        ChildProcess kept(shell->Inside(again));
        const SaidOnFailure said{kept};
        EXPECT_TRUE(kept.WaitForLine(ChildProcess::Stream::Err, Containing("the screen cast has started")))
            << "started with no dialog answered";
    }
    std::filesystem::remove(shell->RuntimeDir() + "/.config/Sentrel/screencast-restore-token");
    ChildProcess refused(shell->Inside(again));
    const SaidOnFailure said{refused};
    ASSERT_TRUE(WaitFor([&] { return (dialog = desktop.AskingToShare()).has_value(); }, 20s)) << "asked again";
    EXPECT_TRUE(desktop.ClickUntil(dialog->cancel, [&] {
        return refused.WaitForLine(ChildProcess::Stream::Err, Containing("cannot see the screen"), 0ms).has_value();
    }));
    EXPECT_TRUE(refused.Running());
}

}  // namespace
}  // namespace sentrel
