#include <gtest/gtest.h>

#include <pipewire/stream.h>
#include <stdlib.h>
#include <stdexcept>
#include <tuple>
#include <vector>

#include "platform/wayland/KeptFrame.h"
#include "platform/wayland/PipeWireFrames.h"

namespace sentrel {
namespace {

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
