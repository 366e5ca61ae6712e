#include <gtest/gtest.h>

#include <sys/stat.h>
#include <QCoreApplication>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

#include "support/MutterDesktop.h"
#include "support/ServiceProcess.h"
#include "support/Waiting.h"
#include "support/WaylandSession.h"

namespace sentrel {
namespace {

using namespace std::chrono_literals;
using namespace testing;

// The smallest rectangle around the points added.
struct Box {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
    void Add(ScreenPoint p) {
        left = std::min(left, p.x), top = std::min(top, p.y), right = std::max(right, p.x),
        bottom = std::max(bottom, p.y);
    }
    ScreenPoint Centre() const { return {(left + right) / 2, (top + bottom) / 2}; }
};

// GNOME's "Screen Share" dialog, found from how it looks on the screen: the
// one light box on the dark desktop; its blue "Share" button on the right
// of its header bar along its top (not the blue focus ring lower down), and
// "Cancel" as far in from the left; the monitor, the white row down its
// middle.
struct ShareDialog {
    ScreenPoint monitor, share, cancel;
};

std::optional<ShareDialog> FindShareDialog(ScreenPixels& screen, int width, int height) {
    std::vector<ScreenPoint> points;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) points.push_back({x, y});
    }
    std::vector<std::int32_t> colours(points.size());
    screen.Read(points, colours);
    // 0x00BBGGRR, and -1 where nothing was read.
    const auto light = [](std::int32_t c) { return c >= 0 && std::min({c & 0xFF, (c >> 8) & 0xFF, c >> 16}) >= 0xD0; };
    const auto blue = [](std::int32_t c) { return c >= 0 && c >> 16 >= 0xD0 && c >> 16 >= (c & 0xFF) + 0x30; };
    Box dialog, share, monitor;
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (light(colours[i])) dialog.Add(points[i]);
    }
    const int middle = (dialog.left + dialog.right) / 2, headerBar = dialog.top + (dialog.bottom - dialog.top) / 4;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const std::int32_t c = colours[i];
        const ScreenPoint p = points[i];
        if (p.x > middle && p.y < headerBar && blue(c)) share.Add(p);
        if (p.x == middle && c == 0xFFFFFF) monitor.Add(p);
    }
    if (share.right < 0 || monitor.right < 0) return std::nullopt;
    const ScreenPoint shareAt = share.Centre();
    return ShareDialog{monitor.Centre(), shareAt, {dialog.left + dialog.right - shareAt.x, shareAt.y}};
}

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
    const auto asked = [&] { return (dialog = FindShareDialog(desktop.Screen(), 1920, 1080)).has_value(); };
    // Seldom, on a busy machine, the dialog drops a click: each is made again
    // until what it does shows.
    const auto clickUntil = [&](ScreenPoint control, const std::function<bool()>& done) {
        return WaitFor([&] { return done() || (desktop.Click(control) && WaitFor(done, 5s)); }, 40s);
    };
    const auto said = [](ChildProcess& tool, const std::string& what) -> std::function<bool()> {
        return [&tool, what] { return tool.WaitForLine(ChildProcess::Stream::Err, Containing(what), 0ms).has_value(); };
    };
    const std::string sentrel = mutter->Staged(SENTREL_BINARY);
    {
        ChildProcess first(mutter->Inside({url, sentrel}));
        const SaidOnFailure report{first};
        ASSERT_TRUE(WaitFor(asked, 20s)) << "the desktop asks";
        const std::vector<std::int32_t> unchosen = desktop.Around(dialog->share);
        ASSERT_TRUE(clickUntil(dialog->monitor, [&] { return desktop.Around(dialog->share) != unchosen; }))
            << "a monitor chosen, Share can be pressed";
        EXPECT_TRUE(clickUntil(dialog->share, said(first, "the screen cast has started")));
    }
    const std::string tokenFile = mutter->RuntimeDir() + "/.config/Sentrel/screencast-restore-token";
    struct stat token {};
    ASSERT_EQ(stat(tokenFile.c_str(), &token), 0);
    EXPECT_EQ(token.st_mode & 0777, 0600u) << "the token is its user's alone";

    {
        ChildProcess again(mutter->Inside({url, sentrel}));
        const SaidOnFailure report{again};
        EXPECT_TRUE(again.WaitForLine(ChildProcess::Stream::Err, Containing("the screen cast has started")))
            << "started with no dialog answered";
    }
    {
        // Asked again without the token, and refused: said so, and Sentrel runs on.
        std::filesystem::remove(tokenFile);
        ChildProcess refused(mutter->Inside({url, sentrel}));
        const SaidOnFailure report{refused};
        ASSERT_TRUE(WaitFor(asked, 20s)) << "the desktop asks again";
        EXPECT_TRUE(clickUntil(dialog->cancel, said(refused, "cannot see the screen")));
        EXPECT_TRUE(refused.Running());
    }
}

}  // namespace
}  // namespace sentrel
