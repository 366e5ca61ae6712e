#include <gtest/gtest.h>

#include <sys/stat.h>
#include <QCoreApplication>

#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

#include "log/ToolLog.h"
#include "support/MutterDesktop.h"
#include "support/ServiceProcess.h"
#include "support/Waiting.h"
#include "support/WaylandSession.h"

namespace sentrel {
namespace {

using namespace std::chrono_literals;
using namespace testing;

// On GNOME the desktop asks, in its "Screen Share" dialog, whether Sentrel
// may see the monitor; a yes, remembered through the token Sentrel keeps,
// spares every later start the question; a refusal is told to the user.
TEST(ScreenCastPortalOnGnome, ConsentIsKeptAndRefusalIsTold) {
    const auto mutter = WaylandSession::Mutter(1920, 1080);
    ServiceProcess service;
    const std::string url = "SENTREL_SERVICE_URL=" + service.Url();
    int argc = 0;
    QCoreApplication app(argc, nullptr);
    MutterDesktop desktop(*mutter);
    std::optional<ShareDialog> dialog;
    const auto asked = [&] { return (dialog = desktop.AskingToShare()).has_value(); };
    const auto said = [](ChildProcess& tool, const std::string& what) -> std::function<bool()> {
        return [&tool, what] { return tool.WaitForLine(ChildProcess::Stream::Err, Containing(what), 0ms).has_value(); };
    };
    const std::string sentrel = mutter->Staged(SENTREL_BINARY);
    {
        ChildProcess first(mutter->Inside({url, sentrel}));
        const SaidOnFailure report{first};
        ASSERT_TRUE(WaitFor(asked, 20s)) << "the desktop asks";
        EXPECT_TRUE(desktop.Share(*dialog, said(first, "the screen cast has started")));
    }
    const std::string tokenFile = mutter->RuntimeDir() + "/.config/Sentrel/screencast-restore-token";
    struct stat token {};
    ASSERT_EQ(stat(tokenFile.c_str(), &token), 0);
    EXPECT_EQ(token.st_mode & 0777, 0600u) << "the token is its user's alone";

    {
        ChildProcess again(mutter->Inside({url, sentrel}));
        const SaidOnFailure report{again};
        EXPECT_TRUE(again.WaitForLine(ChildProcess::Stream::Err, Containing(said::kCastStarted)))
            << "started with no dialog answered";
    }
    {
        // Asked again without the token, and refused: said so, and Sentrel runs on.
        std::filesystem::remove(tokenFile);
        ChildProcess refused(mutter->Inside({url, sentrel}));
        const SaidOnFailure report{refused};
        ASSERT_TRUE(WaitFor(asked, 20s)) << "the desktop asks again";
        EXPECT_TRUE(desktop.ClickUntil(dialog->cancel, said(refused, "cannot see the screen")));
        EXPECT_TRUE(refused.Running());
    }
}

}  // namespace
}  // namespace sentrel
