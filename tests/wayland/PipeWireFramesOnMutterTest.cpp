#include <gtest/gtest.h>

#include <pipewire/stream.h>
#include <signal.h>
#include <stdlib.h>
#include <QCoreApplication>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "platform/wayland/KeptFrame.h"
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
    EXPECT_TRUE(WaitFor([&] { return frames.Read(points, colours), colours == expected; }, 10s));
    EXPECT_EQ(frames.OutputPixelWidth(), 1920);
    EXPECT_EQ(frames.OutputPixelHeight(), 1080);
    EXPECT_TRUE(frames.Seen());
    // A stream that the compositor no longer gives shows nothing of the screen.
    ::kill(mutter->CompositorPid(), SIGKILL);
    EXPECT_TRUE(WaitFor([&] { return frames.Read(points, colours), !frames.Seen(); }, 10s));
}

// The newest whole frame is read in its buffer, rows a stride apart, until a
// newer whole one comes or the stream renegotiates or ends; the buffer then
// goes back, but not once the stream took it. Events: a buffer's number (a
// whole 2 x 2 BGRx frame, rows 12 bytes apart, the last pixel's blue that
// number); `p` drawn in part, `x` taken away, with a number; `r` renegotiated.
TEST(PipeWireFrames, KeepsTheNewestWholeFrameInItsBufferUntilItMustGoBack) {
    for (const auto& [events, givenBack, read] : std::vector<std::tuple<std::string, std::string, int>>{
             {"12", "1", 2}, {"1p2", "2", 1}, {"12r3", "12", 3}, {"1r", "1", 0}, {"1x1", "", 0}, {"1x2", "", 1}}) {
        pw_buffer buffers[3]{};
        std::uint8_t pixels[3][24]{};
        std::string back;
        KeptFrame kept([&](pw_buffer* buffer) { back += static_cast<char>('1' + (buffer - buffers)); });
        for (std::size_t i = 0; i < events.size(); ++i) {
            const char event = events[i];
            const std::ptrdiff_t n = event == 'r' ? 0 : (event == 'p' || event == 'x' ? events[++i] : event) - '1';
            spa_chunk chunk{0, 24, 12, event == 'p' ? std::int32_t{SPA_CHUNK_FLAG_CORRUPTED} : 0};
            spa_data plane{};
            plane.data = pixels[n], plane.maxsize = 24, plane.chunk = &chunk;
            pixels[n][16] = static_cast<std::uint8_t>(n + 1);
            if (event == 'r') kept.Release();
            if (event == 'x') kept.Removed(&buffers[n]);
            if (event != 'r' && event != 'x') kept.Arrived(&buffers[n], MappedFrame::Of(plane, kBgrx, 2, 2));
        }
        EXPECT_EQ(back, givenBack) << events;
        EXPECT_EQ(kept.Frame().At({1, 1}), read > 0 ? read << 16 : ScreenPixels::kUnreadable) << events;
    }
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
