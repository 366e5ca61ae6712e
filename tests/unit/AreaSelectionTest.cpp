#include <gtest/gtest.h>

#include "monitor/AreaSelection.h"
#include "support/FormHarness.h"

namespace sentrel {
namespace {

using testing::FormHarness;

class AreaSelectionTest : public ::testing::Test {
protected:
    void SetUp() override { h.Load(); }

    Outline Area(int n) const {
        const RegionTable& t = h.form.State().RegionTable;
        return Outline{t.Cell(n, 1), t.Cell(n, 2), t.Cell(n, 3), t.Cell(n, 4)};
    }
    int LabelCount() const {
        int count = 0;
        for (const Control& c : h.form.Controls().controls) count += c.name == "Label1" && c.index > 0;
        return count;
    }

    FormHarness h;
};

TEST_F(AreaSelectionTest, AClickMakesAFiveUnitAreaWithOutlineAndLabel) {
    h.Drag(100, 200, 100, 200);
    EXPECT_EQ(Area(1), (Outline{100, 200, 105, 205}));
    EXPECT_EQ(h.form.Outlines(), std::vector<Outline>{Area(1)});
    const Control& label = h.form.Controls().Get("Label1", 1);
    EXPECT_EQ(label.text, "监控区域1");
    EXPECT_TRUE(label.visible);
    EXPECT_EQ(label.left, 105);
    EXPECT_EQ(label.top, 205);
    EXPECT_EQ(label.height, 20);
    EXPECT_EQ(label.width, 121) << "copied from element 0";
    EXPECT_EQ(label.background, Colour::Rgb(kRed));
    EXPECT_EQ(h.view.reflected.Get("Label1", 1).text, "监控区域1") << "the view was brought in line";
}

TEST_F(AreaSelectionTest, SizeRuleInAllFourDirections) {
    struct Case {
        float x1, y1, x2, y2;
        Outline expected;
    };
    const Case cases[] = {
        {100, 100, 97, 300, {100, 100, 95, 300}},    // x pulled back
        {100, 100, 104, 102, {100, 100, 105, 105}},  // both pushed forward
        {100, 100, 105, 100, {100, 100, 105, 105}},  // exactly 5 stays
        {100, 100, 300, 96, {100, 100, 300, 95}},    // y pulled back
        {100, 100, 99, 101, {100, 100, 95, 105}},    // left and down
        {100, 100, 95, 95, {100, 100, 95, 95}},      // exactly 5 backwards stays
    };
    int n = 0;
    for (const Case& c : cases) {
        h.Drag(c.x1, c.y1, c.x2, c.y2);
        EXPECT_EQ(Area(++n), c.expected) << "area " << n;
        EXPECT_EQ(h.form.Controls().Get("Label1", n).left, c.expected.x2);
    }
}

TEST_F(AreaSelectionTest, TableColumnsAndCounters) {
    for (int k = 1; k <= 4; ++k) h.Drag(10.0f * static_cast<float>(k), 10, 10.0f * static_cast<float>(k) + 8, 30);
    const MonitorState& s = h.form.State();
    EXPECT_EQ(s.RegionCount, 4);
    EXPECT_EQ(s.NextSlot, 5);
    for (int k = 1; k <= 4; ++k) {
        EXPECT_EQ(s.RegionTable.Cell(k, RegionTable::kOrdinal), k - 1);
        for (int column = 6; column <= 8; ++column) EXPECT_EQ(s.RegionTable.Cell(k, column), 0);
    }
    for (int column = 1; column <= 8; ++column) EXPECT_EQ(s.RegionTable.Cell(5, column), 0);
}

TEST_F(AreaSelectionTest, RightReleaseAddsThenClearsEverything) {
    for (int k = 0; k < 3; ++k) h.Drag(10, 10, 50, 50);
    h.view.log.clear();
    h.Drag(60, 60, 90, 90, kRightButton);
    EXPECT_EQ(h.view.log,
              (std::vector<std::string>{"draw", "create 4", "clear", "remove 4", "remove 3", "remove 2", "remove 1"}));
    EXPECT_EQ(h.form.State().RegionCount, 0);
    EXPECT_EQ(h.form.State().NextSlot, 1);
    EXPECT_TRUE(h.form.Outlines().empty());
    EXPECT_EQ(LabelCount(), 0);
    EXPECT_TRUE(h.form.Controls().Has("Label1", 0));
    for (int row = 1; row <= 20; ++row) {
        for (int column = 1; column <= 8; ++column) ASSERT_EQ(h.form.State().RegionTable.Cell(row, column), 0);
    }
    h.Drag(1, 1, 20, 20);
    EXPECT_EQ(h.form.Controls().Get("Label1", 1).text, "监控区域1");
}

TEST_F(AreaSelectionTest, TwentyFirstAreaIsRefusedWhateverTheButtonOrMode) {
    for (int k = 0; k < 20; ++k) h.Drag(10.0f * static_cast<float>(k), 100, 10.0f * static_cast<float>(k) + 9, 120);
    const MonitorState before = h.form.State();
    const std::vector<Outline> outlines = h.form.Outlines();
    h.view.log.clear();
    for (const std::int16_t button : {std::int16_t{1}, kRightButton}) {
        h.Drag(500, 500, 600, 600, button);
        ASSERT_FALSE(h.view.messages.empty());
        EXPECT_EQ(h.view.messages.back().text, kTooManyAreasMessage);
        EXPECT_EQ(h.view.messages.back().title, "提示");
    }
    h.form.TextChanged("Text4", "30");
    h.form.Command1_Click();
    EXPECT_EQ(h.form.State().Monitoring, 1);
    h.Drag(500, 500, 600, 600, kRightButton);
    EXPECT_EQ(h.view.messages.size(), 3u);
    EXPECT_EQ(h.form.State().RegionCount, 20);
    EXPECT_EQ(h.form.State().NextSlot, 21);
    EXPECT_EQ(h.form.Outlines(), outlines);
    EXPECT_EQ(LabelCount(), 20);
    EXPECT_EQ(h.form.State().X2, before.X2) << "a refused release records nothing";
    for (int row = 1; row <= RegionTable::kRows; ++row) {
        for (int column = 1; column <= RegionTable::kColumns; ++column) {
            ASSERT_EQ(h.form.State().RegionTable.Cell(row, column), before.RegionTable.Cell(row, column));
        }
    }
    EXPECT_EQ(h.view.log, (std::vector<std::string>{"message", "message", "message"})) << "nothing drawn or made";
}

TEST_F(AreaSelectionTest, ReleasesWhileMonitoringChangeNothingVisible) {
    h.Drag(10, 10, 50, 50);
    h.form.Command1_Click();
    ASSERT_EQ(h.form.State().Monitoring, 1);
    h.view.log.clear();
    h.Drag(100, 100, 200, 200);
    h.Drag(100, 100, 200, 200, kRightButton);
    EXPECT_TRUE(h.view.log.empty());
    EXPECT_EQ(h.form.State().RegionCount, 1);
    EXPECT_EQ(LabelCount(), 1);
}

}  // namespace
}  // namespace sentrel
