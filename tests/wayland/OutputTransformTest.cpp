#include "platform/wayland/OutputTransform.h"

#include <gtest/gtest.h>

#include <array>

namespace sentrel {
namespace {

// A picture 4 pixels wide and 3 high as seen; where three of its pixels lie
// in the compositor's buffer, worked out by hand from each turn and flip.
struct Case {
    int transform;
    PixelSize buffer;
    std::array<ScreenPoint, 3> inBuffer;
};

constexpr std::array<ScreenPoint, 3> kSeen = {{{0, 0}, {3, 0}, {1, 2}}};

class OutputTransformTest : public ::testing::TestWithParam<Case> {};

TEST_P(OutputTransformTest, FindsEachSeenPixelInTheBuffer) {
    const OutputTransform transform(GetParam().transform);
    EXPECT_EQ(transform.Swapped({4, 3}), GetParam().buffer);
    for (std::size_t i = 0; i < kSeen.size(); ++i) {
        EXPECT_EQ(transform.ToBuffer(kSeen[i], {4, 3}), GetParam().inBuffer[i]) << "seen pixel " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    AllEight, OutputTransformTest,
    ::testing::Values(Case{0, {4, 3}, {{{0, 0}, {3, 0}, {1, 2}}}}, Case{1, {3, 4}, {{{0, 3}, {0, 0}, {2, 2}}}},
                      Case{2, {4, 3}, {{{3, 2}, {0, 2}, {2, 0}}}}, Case{3, {3, 4}, {{{2, 0}, {2, 3}, {0, 1}}}},
                      Case{4, {4, 3}, {{{3, 0}, {0, 0}, {2, 2}}}}, Case{5, {3, 4}, {{{0, 0}, {0, 3}, {2, 1}}}},
                      Case{6, {4, 3}, {{{0, 2}, {3, 2}, {1, 0}}}}, Case{7, {3, 4}, {{{2, 3}, {2, 0}, {0, 2}}}}),
    [](const ::testing::TestParamInfo<Case>& c) { return "transform" + std::to_string(c.param.transform); });

}  // namespace
}  // namespace sentrel
