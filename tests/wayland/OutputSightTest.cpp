#include "platform/capture/OutputSight.h"

#include <gtest/gtest.h>

#include <sstream>

#include "log/ToolLog.h"
#include "support/MarkedOutput.h"

namespace sentrel {
namespace {

using testing::MarkedOutput;

// Not seen while a locker covers the output beneath the shown window, while
// the desktop announces a lock, nor while a capture fails; each lock said as
// it begins and as it ends, a cover as one the desktop did not announce.
// Once the desktop has announced a lock, a cover is no longer taken for one.
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
    const auto cover = [&] {
        output.screen.Fill(0xFFFFFF);
        return seen();
    };
    const auto uncover = [&] {
        output.screen.Fill(MarkedOutput::kBackground);
        output.PaintMark({0, 0}, 1);
        return seen();
    };
    ::testing::internal::CaptureStderr();
    EXPECT_TRUE(seen());
    EXPECT_FALSE(cover()) << "a locker";
    EXPECT_TRUE(uncover());
    output.screen.seen = false;
    EXPECT_FALSE(seen()) << "the capture failed";
    output.screen.seen = true;
    announced = true;
    EXPECT_FALSE(seen());
    announced = false;
    EXPECT_TRUE(seen());
    EXPECT_TRUE(cover()) << "the desktop tells of its locks";
    std::istringstream said(::testing::internal::GetCapturedStderr());
    std::vector<std::string> events;
    for (std::string line; std::getline(said, line);) events.push_back(line);
    const std::string_view leads[] = {said::kLockGuessed, said::kShownAgain, said::kLocked, said::kUnlocked};
    ASSERT_EQ(events.size(), std::size(leads));
    for (std::size_t i = 0; i < events.size(); ++i) {
        EXPECT_TRUE(events[i].starts_with("sentrel: " + std::string(leads[i]))) << events[i];
    }
}

}  // namespace
}  // namespace sentrel
