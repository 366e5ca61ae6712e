#include <gtest/gtest.h>

#include <signal.h>
#include <QCoreApplication>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <stdexcept>
#include <vector>

#include "log/ToolLog.h"
#include "support/DesktopScenarios.h"
#include "support/MutterDesktop.h"
#include "support/SentrelLayout.h"
#include "support/Waiting.h"
#include "support/WaylandSession.h"

namespace sentrel {
namespace {

using namespace std::chrono_literals;
using namespace testing;

constexpr int kTopBar = 32;
constexpr std::uint32_t kEnd = 0xFF57, kBackSpace = 0xFF08, kEscape = 0xFF1B;

// GNOME Shell, as its users have it: the top bar above Sentrel's window, the
// screen seen through the ScreenCast portal once the monitor is shared in
// GNOME's dialog, and a colour window beneath. Mutter's remote desktop
// clicks and types, and its cast is the test's eyes.
class GnomeShellDesktop : public Desktop {
public:
    GnomeShellDesktop()
        : Desktop(Screen{}),
          shell_(WaylandSession::GnomeShell(1920, 1080)),
          hands_(*shell_),
          content_(shell_->Inside({"QT_WAYLAND_DISABLE_WINDOWDECORATION=1", shell_->Staged(SENTREL_COLOUR_WINDOW)})) {
        // GNOME Shell starts in its Overview, where the dialog takes no
        // clicks, and an Escape sent while it opens may go nowhere.
        const auto desktopShown = [&] { return Colours({{4, 1075 - kTopBar}})[0] == 0xA04020; };
        if (!Paint({0xA04020}) ||
            !WaitFor([&] { return desktopShown() || (hands_.Key(kEscape), WaitFor(desktopShown, 3s)); }, 30s)) {
            throw std::runtime_error("the Overview never left for the content's window");
        }
    }

    std::unique_ptr<ChildProcess> Start(const std::string& url, const std::vector<std::string>& env) override {
        std::vector<std::string> command = env;
        command.insert(command.end(), {"SENTREL_SERVICE_URL=" + url, shell_->Staged(SENTREL_BINARY)});
        auto tool = std::make_unique<ChildProcess>(shell_->Inside(command));
        std::optional<ShareDialog> dialog;
        if (!WaitFor([&] { return (dialog = hands_.AskingToShare()).has_value(); }, 20s)) {
            ADD_FAILURE() << "asked to share";
        } else {
            EXPECT_TRUE(hands_.Share(*dialog, [&] {
                return tool->WaitForLine(ChildProcess::Stream::Err, Containing(said::kCastStarted), 0ms).has_value();
            })) << "the monitor shared";
        }
        return tool;
    }
    bool Click(Spot at) override { return Drag(at, at); }
    bool Drag(Spot from, Spot to) override {
        hands_.Drag(OnScreen(from), OnScreen(to));
        return true;
    }
    bool Replace(Spot box, const std::string& text) override {
        Click(box);
        hands_.Key(kEnd);
        for (int i = 0; i < 6; ++i) hands_.Key(kBackSpace);
        hands_.Type(text);
        return true;
    }
    std::vector<std::int32_t> Colours(const std::vector<Spot>& at) override {
        std::vector<ScreenPoint> points;
        for (const Spot spot : at) points.push_back(OnScreen(spot));
        std::vector<std::int32_t> colours(points.size());
        hands_.Screen().Read(points, colours);
        return colours;
    }
    bool Hide() override { return false; }
    bool Paint(const std::vector<std::int32_t>& bands) override { return Painted(content_, ColourLine(bands)); }

    const WaylandSession& Session() const { return *shell_; }
    MutterDesktop& Hands() { return hands_; }

private:
    static ScreenPoint OnScreen(Spot spot) { return {spot.x, spot.y + kTopBar}; }

    int argc_ = 0;
    QCoreApplication app_{argc_, nullptr};
    std::unique_ptr<WaylandSession> shell_;
    MutterDesktop hands_;
    ChildProcess content_;
};

// Found below the top bar; the consent kept: started again, Sentrel is not
// asked again. Without it, and refused, the user is told, and Sentrel runs on.
void BelowTheTopBarAndTheConsentKept(SentrelRun& run) {
    GnomeShellDesktop& shell = static_cast<GnomeShellDesktop&>(*run.desktop);
    EXPECT_TRUE(run.tool->WaitForLine(ChildProcess::Stream::Err,
                                      Containing("corner is at pixel (0, " + std::to_string(kTopBar) + ")"), 0ms))
        << "found below the top bar";
    ASSERT_EQ(::kill(run.tool->Pid(), SIGTERM), 0);
    ASSERT_TRUE(WaitFor([&] { return !run.tool->Running(); }, 10s));
    const std::vector<std::string> again = {"SENTREL_SERVICE_URL=" + run.service.Url(),
                                            shell.Session().Staged(SENTREL_BINARY)};
    {
        ChildProcess kept(shell.Session().Inside(again));
        const SaidOnFailure said{kept};
        EXPECT_TRUE(kept.WaitForLine(ChildProcess::Stream::Err, Containing(said::kCastStarted)))
            << "started with no dialog answered";
    }
    std::filesystem::remove(shell.Session().RuntimeDir() + "/.config/Sentrel/screencast-restore-token");
    ChildProcess refused(shell.Session().Inside(again));
    const SaidOnFailure said{refused};
    std::optional<ShareDialog> dialog;
    ASSERT_TRUE(WaitFor([&] { return (dialog = shell.Hands().AskingToShare()).has_value(); }, 20s)) << "asked again";
    EXPECT_TRUE(ClickUntil(
        [&] { return shell.Hands().Click(dialog->cancel); },
        [&] {
            return refused.WaitForLine(ChildProcess::Stream::Err, Containing("cannot see the screen"), 0ms).has_value();
        }));
    EXPECT_TRUE(refused.Running());
}

// The first area lies right beneath the top bar, which a reader that missed
// the window's place would watch instead.
INSTANTIATE_TEST_SUITE_P(GnomeShell, SentrelOnDesktop,
                         ::testing::Values(DesktopRow{"GnomeShell",
                                                      [] { return std::make_unique<GnomeShellDesktop>(); }, false, 10s,
                                                      BelowTheTopBarAndTheConsentKept}),
                         [](const ::testing::TestParamInfo<DesktopRow>& row) { return row.param.name; });

}  // namespace
}  // namespace sentrel
