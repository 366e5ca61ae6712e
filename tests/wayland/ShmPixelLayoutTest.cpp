#include "platform/wayland/ShmPixelLayout.h"

#include <gtest/gtest.h>
#include <wayland-client-protocol.h>

#include <vector>

namespace sentrel {
namespace {

// One format of each layout. Red 0x12, green 0x34 and blue 0x56 wherever 8
// bits or more hold them.
TEST(ShmPixelLayout, ReadsAPixelAsItsEightBitColour) {
    const struct {
        const char* name;
        std::uint32_t format;
        std::vector<std::uint8_t> bytes;  // one pixel as the compositor stores it; none when unreadable
        std::int32_t colour;
    } formats[] = {{"XRGB8888", WL_SHM_FORMAT_XRGB8888, {0x56, 0x34, 0x12, 0xFF}, 0x563412},
                   {"XBGR8888", WL_SHM_FORMAT_XBGR8888, {0x12, 0x34, 0x56, 0xFF}, 0x563412},
                   {"RGBX8888", WL_SHM_FORMAT_RGBX8888, {0xFF, 0x56, 0x34, 0x12}, 0x563412},
                   {"BGRX8888", WL_SHM_FORMAT_BGRX8888, {0xFF, 0x12, 0x34, 0x56}, 0x563412},
                   {"XRGB2101010", WL_SHM_FORMAT_XRGB2101010, {0x58, 0x41, 0x83, 0xC4}, 0x563412},
                   {"XBGR2101010", WL_SHM_FORMAT_XBGR2101010, {0x48, 0x40, 0x83, 0xD5}, 0x563412},
                   {"RGB888", WL_SHM_FORMAT_RGB888, {0x56, 0x34, 0x12}, 0x563412},
                   {"BGR888", WL_SHM_FORMAT_BGR888, {0x12, 0x34, 0x56}, 0x563412},
                   // Full red, green at 0x20 of 0x3F, no blue; and the other way round.
                   {"RGB565", WL_SHM_FORMAT_RGB565, {0x00, 0xFC}, 0x0082FF},
                   {"BGR565", WL_SHM_FORMAT_BGR565, {0x00, 0xFC}, 0xFF8200},
                   {"YUYV", WL_SHM_FORMAT_YUYV, {}, ScreenPixels::kUnreadable}};
    for (const auto& [name, format, bytes, colour] : formats) {
        const PixelLayout layout = ShmPixelLayout(format);
        ASSERT_EQ(layout.bytes, bytes.size()) << name;
        EXPECT_EQ(ColourOf(layout, bytes.data()), colour) << name;
    }
}

}  // namespace
}  // namespace sentrel
