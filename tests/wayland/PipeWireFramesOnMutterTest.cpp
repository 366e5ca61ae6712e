#include <gtest/gtest.h>

#include <pipewire/stream.h>
#include <signal.h>
#include <stdlib.h>
#include <QCoreApplication>
#include <optional>
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

// A frame is read where its buffer maps it, its rows a stride apart, and
// only when the buffer holds all of it: 3 x 2 BGRx pixels, rows 16 bytes
// apart, after 8 bytes of something else, in 40 bytes.
TEST(PipeWireFrames, ReadsAFrameInPlaceOnlyWhereItsBufferHoldsItAll) {
    std::vector<std::uint8_t> memory(40);
    for (std::size_t i = 0; i < memory.size(); ++i) memory[i] = static_cast<std::uint8_t>(i);
    for (const spa_chunk chunk : {spa_chunk{8, 32, 16, 0}, spa_chunk{8, 32, 16, SPA_CHUNK_FLAG_CORRUPTED},
                                  spa_chunk{8, 27, 16, 0}, spa_chunk{12, 32, 16, 0}, spa_chunk{8, 32, 8, 0}}) {
        spa_data plane{};
        plane.data = memory.data(), plane.maxsize = 40, plane.chunk = const_cast<spa_chunk*>(&chunk);
        const std::optional<MappedFrame> frame = MappedFrame::Of(plane, kBgrx, 3, 2);
        // Only the first is whole; the others drawn in part, short of the last
        // row's end, beyond the memory, and rows overlapping.
        ASSERT_EQ(frame.has_value(), chunk.flags == 0 && chunk.size == 32 && chunk.offset == 8 && chunk.stride == 16);
        for (int at = 0; frame && at < 8; ++at) {
            const int x = at % 4, y = at / 4, first = 8 + y * 16 + x * 4;
            EXPECT_EQ(frame->At({x, y}),
                      x < 3 ? (first + 2) | (first + 1) << 8 | first << 16 : ScreenPixels::kUnreadable);
        }
    }
}

// The newest whole frame is read in its buffer, which goes back once a newer
// one has come, or once the stream renegotiates or ends, and not at all once
// the stream has taken it away; a frame drawn in part goes back at once.
// Events: a buffer's number when a whole frame comes in it, `p` and the
// number for one drawn in part, `r` renegotiated, `x` and the number taken.
TEST(PipeWireFrames, KeepsTheNewestWholeFrameUntilItsBufferMustGoBack) {
    for (const auto& [events, givenBack, read] : std::vector<std::tuple<std::string, std::string, int>>{
             {"12", "1", 2}, {"1p2", "2", 1}, {"12r3", "12", 3}, {"1r", "1", 0}, {"1x1", "", 0}, {"1x2", "", 1}}) {
        pw_buffer buffers[3]{};
        std::uint8_t pixels[3][4] = {{1}, {2}, {3}};  // BGRx, blue the buffer's number
        std::string back;
        KeptFrame kept([&](pw_buffer* buffer) { back += static_cast<char>('1' + (buffer - buffers)); });
        for (std::size_t i = 0; i < events.size(); ++i) {
            const char event = events[i];
            if (event == 'r') {
                kept.Release();
                continue;
            }
            const bool whole = event != 'p' && event != 'x';
            const std::ptrdiff_t n = (whole ? event : events[++i]) - '1';
            if (event == 'x') {
                kept.Removed(&buffers[n]);
            } else {
                kept.Arrived(&buffers[n], whole ? std::optional(MappedFrame{pixels[n], 4, 1, 1, kBgrx}) : std::nullopt);
            }
        }
        EXPECT_EQ(back, givenBack) << events;
        EXPECT_EQ(kept.Frame().At({0, 0}), read > 0 ? read << 16 : ScreenPixels::kUnreadable) << events;
        EXPECT_EQ(kept.Kept(), read > 0) << events;
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
