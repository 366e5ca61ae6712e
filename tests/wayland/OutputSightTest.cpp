#include "platform/capture/OutputSight.h"

#include <gtest/gtest.h>

#include "support/MarkedOutput.h"

namespace sentrel {
namespace {

using testing::MarkedOutput;

// Not seen while the desktop announces a lock, while a capture fails, nor
// while a locker covers the output beneath the shown window; each lock said
// once as it begins and once as it ends.
TEST(OutputSight, IsNotSeenWhileLockedNorWhenTheCaptureFails) {
    MarkedOutput output;
    output.width = output.height = 512;
    output.PaintMark({0, 0}, 1);
    WindowOnOutput window(output, [] { return 512; });
    bool announced = false;
    OutputSight sight(
        output, window, [] { return true; }, [&] { return announced; });
    const auto seen = [&] {
        window.Placement();
        sight.BeginPass();
        std::vector<std::int32_t> colours(1);
        sight.Read(std::vector<ScreenPoint>{{100, 100}}, colours);
        return sight.Seen();
    };
    ::testing::internal::CaptureStderr();
    EXPECT_TRUE(seen());
    announced = true;
    EXPECT_FALSE(seen());
    EXPECT_FALSE(seen());
    announced = false;
    EXPECT_TRUE(seen());
    output.screen.seen = false;
    EXPECT_FALSE(seen()) << "the capture failed";
    output.screen.seen = true;
    output.screen.Fill(0xFFFFFF);
    EXPECT_FALSE(seen()) << "a locker";
    output.PaintMark({0, 0}, 1);
    EXPECT_TRUE(seen());
    const std::string lock = "sentrel: the screen is locked; judgement of the areas is held until it is unlocked\n",
                      unlock = "sentrel: the screen is unlocked\n";
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), lock + unlock + lock + unlock);
}

}  // namespace
}  // namespace sentrel
