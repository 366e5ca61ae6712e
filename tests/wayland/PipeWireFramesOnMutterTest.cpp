#include <gtest/gtest.h>

#include <signal.h>
#include <stdlib.h>
#include <QCoreApplication>
#include <stdexcept>
#include <vector>

#include "platform/wayland/PipeWireFrames.h"
#include "support/MutterDesktop.h"
#include "support/Waiting.h"
#include "support/WaylandSession.h"

namespace sentrel {
namespace {

using namespace std::chrono_literals;
using namespace testing;

// The colour window's pattern at a screen pixel, as 0x00BBGGRR.
std::int32_t Pattern(ScreenPoint p) {
    return (p.x % 256) | ((p.y % 256) << 8) | (((p.x / 256) * 16 + p.y / 256) << 16);
}

// What GNOME's screen-cast portal hands over after its dialog: a PipeWire
// stream of the monitor, here asked of mutter's own interface, which needs
// no dialog. Its frames are read at exactly the points asked, until the
// stream ends.
TEST(PipeWireFramesOnMutter, ReadsTheCastMonitorAtThePointsAsked) {
    const auto mutter = WaylandSession::Mutter(1920, 1080);
    ChildProcess content(
        mutter->Inside({"QT_WAYLAND_DISABLE_WINDOWDECORATION=1", mutter->Staged(SENTREL_COLOUR_WINDOW)}));
    ASSERT_TRUE(content.Send("pattern"));
    ASSERT_TRUE(content.WaitForLine(ChildProcess::Stream::Out, Containing("painted pattern")));
    int argc = 0;
    QCoreApplication app(argc, nullptr);
    MutterDesktop desktop(*mutter);
    PipeWireFrames& frames = desktop.Screen();

    std::vector<ScreenPoint> points;
    for (int y = 0; y < 1080; y += 37) {
        for (int x = y % 5; x < 1920; x += 53) points.push_back({x, y});
    }
    std::vector<std::int32_t> colours(points.size()), expected(points.size());
    for (std::size_t i = 0; i < points.size(); ++i) expected[i] = Pattern(points[i]);
    WaitFor(
        [&] {
            frames.Read(points, colours);
            return colours == expected;
        },
        10s);
    EXPECT_EQ(frames.OutputPixelWidth(), 1920);
    EXPECT_EQ(frames.OutputPixelHeight(), 1080);
    EXPECT_EQ(colours, expected);
    EXPECT_TRUE(frames.Seen());
    // A stream that the compositor no longer gives shows nothing of the screen.
    ::kill(mutter->CompositorPid(), SIGKILL);
    EXPECT_TRUE(WaitFor(
        [&] {
            frames.Read(points, colours);
            return !frames.Seen();
        },
        10s));
}

// Where no PipeWire answers, the frames say so at once, and unwind what
// they had made.
TEST(PipeWireFrames, SaysWhenPipeWireCannotBeReached) {
    ::setenv("PIPEWIRE_REMOTE", "sentrel-test-nobody-listens", 1);
    EXPECT_THROW(PipeWireFrames(-1, 1), std::runtime_error);
    ::unsetenv("PIPEWIRE_REMOTE");
}

}  // namespace
}  // namespace sentrel
