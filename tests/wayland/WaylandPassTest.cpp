#include "platform/capture/WaylandPass.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "log/ToolLog.h"
#include "support/MarkedOutput.h"

namespace sentrel {
namespace {

using testing::MarkedOutput;

// Passes one after another: a locker's flat colour over the output beneath
// the shown window or the window's mark, the capture made or failed, a lock
// announced by the desktop or not; whether the pass sees. Not seen while
// covered, while a lock is announced, nor while a capture fails; each lock
// said as it begins and as it ends, a cover as one the desktop did not
// announce. Once the desktop has announced a lock, a cover is no longer
// taken for one.
TEST(WaylandPass, IsNotSeenWhileLockedNorWhenTheCaptureFails) {
    const struct {
        bool covered, captured, announced, seen;
    } passes[] = {{false, true, false, true},   {true, true, false, false}, {false, true, false, true},
                  {false, false, false, false}, {false, true, true, false}, {false, true, false, true},
                  {true, true, false, true}};
    MarkedOutput output;
    output.width = output.height = 512;
    bool announced = false;
    WaylandPass pass(
        output, [] { return 512; }, [] { return true; }, [&] { return announced; });
    ::testing::internal::CaptureStderr();
    int n = 0;
    for (const auto& [covered, captured, told, seen] : passes) {
        output.screen.Fill(covered ? 0xFFFFFF : MarkedOutput::kBackground);
        if (!covered) output.PaintMark({0, 0}, 1);
        output.screen.seen = captured;
        announced = told;
        pass.BeginPass();
        std::vector<std::int32_t> colours(1);
        pass.Read(std::vector<ScreenPoint>{{100, 100}}, colours);
        EXPECT_EQ(pass.Seen(), seen) << "pass " << ++n;
    }
    const std::string told = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::ranges::count(told, '\n'), 4) << told;
    std::size_t at = 0;
    for (const std::string_view lead : {said::kLockGuessed, said::kShownAgain, said::kLocked, said::kUnlocked}) {
        EXPECT_NE(at = told.find("sentrel: " + std::string(lead), at), std::string::npos) << lead;
    }
}

// A pass copies the output once for all it reads; a window that has moved is
// found, copied again and read where it now lies, in the same pass.
TEST(WaylandPass, CopiesOnceAPassAndReadsWhereTheWindowLies) {
    const struct {
        ScreenPoint corner;
        std::size_t copies;
    } passes[] = {{{0, 0}, 1}, {{0, 0}, 1}, {{40, 30}, 4}, {{40, 30}, 1}};
    MarkedOutput output;
    output.width = output.height = 512;
    WaylandPass pass(
        output, [] { return 512; }, [] { return true; }, [] { return false; });
    for (const auto& [corner, copies] : passes) {
        output.screen.Fill(MarkedOutput::kBackground);
        output.PaintMark(corner, 1);
        output.screen.Set(corner.x + 100, corner.y + 100, 0x123456);
        output.screen.batches.clear();
        pass.BeginPass();
        std::vector<std::int32_t> colours(1);
        pass.Read(std::vector<ScreenPoint>{{100, 100}}, colours);
        EXPECT_EQ(colours[0], 0x123456) << "window at " << corner.x;
        EXPECT_EQ(output.screen.batches.size(), copies) << "window at " << corner.x;
    }
}

}  // namespace
}  // namespace sentrel
