#include <gtest/gtest.h>

#include <random>
#include <regex>

#include "monitor/AreaSelection.h"
#include "service/AlertSignature.h"
#include "support/FormHarness.h"

namespace sentrel {
namespace {

using testing::FormHarness;

// Checks what must hold after every event, whatever happened before.
void CheckInvariants(const FormHarness& h, int step) {
    const MonitorState& s = h.form.State();
    ASSERT_EQ(s.NextSlot, s.RegionCount + 1) << "step " << step;
    ASSERT_GE(s.RegionCount, 0);
    ASSERT_LE(s.RegionCount, 20);
    for (int row = s.RegionCount + 1; row <= RegionTable::kRows; ++row) {
        for (int column = 1; column <= RegionTable::kColumns; ++column) {
            ASSERT_EQ(s.RegionTable.Cell(row, column), 0) << "step " << step << " row " << row;
        }
    }
    int labels = 0;
    for (const Control& c : h.form.Controls().controls) {
        if (c.name != "Label1" || c.index == 0) continue;
        ++labels;
        ASSERT_GE(c.index, 1);
        ASSERT_LE(c.index, s.RegionCount) << "step " << step;
    }
    ASSERT_EQ(labels, s.RegionCount) << "step " << step;
    ASSERT_LE(h.form.Outlines().size(), static_cast<std::size_t>(s.RegionCount));
    ASSERT_EQ(h.view.outlines, h.form.Outlines()) << "the view shows what the form drew";
    ASSERT_TRUE(s.Monitoring == 0 || s.RegionCount >= 1);
}

TEST(Form1LongRun, RandomEventsKeepEveryInvariant) {
    FormHarness h;
    h.Load();
    std::mt19937 random(20261206);
    const auto roll = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
    const std::regex alertUrl(
        R"(http://svc/alertdesk/sndmsg\.asp\?openid=(oLong)?&sjs=([0-9]{5})&code=([0-9A-F]{40})&str=([0-9]+))");
    const char* thresholds[] = {"0", "1", "2", "3", "5", "30", "x", "-1", "2.5"};

    for (int step = 0; step < 6000; ++step) {
        h.random.queue.push_back(std::uniform_real_distribution<float>(0.0f, 1.0f)(random));
        if (roll(10) == 0) h.transport.NoReply();
        switch (roll(12)) {
            case 0:
            case 1: {
                const auto x = static_cast<float>(roll(1900)), y = static_cast<float>(roll(1060));
                const auto dx = static_cast<float>(roll(200) - 100), dy = static_cast<float>(roll(200) - 100);
                h.Drag(x, y, x + dx, y + dy, roll(8) == 0 ? kRightButton : std::int16_t{1});
                break;
            }
            case 2:
                if (roll(2) == 0) {
                    h.form.Option1_Click();
                } else {
                    h.form.Option2_Click();
                }
                h.form.TextChanged("Text4", thresholds[roll(9)]);
                h.form.Command1_Click();
                break;
            case 3:
                if (roll(4) == 0) h.form.Command2_Click();
                break;
            case 4:
            case 5:
            case 6:
                if (h.form.Controls().Get("Timer1").enabled) h.form.Timer1_Timer();
                h.clock.Advance(std::chrono::seconds(1));
                break;
            case 7:
                h.form.Timer2_Timer();
                h.clock.Advance(std::chrono::seconds(3));
                break;
            case 8:
            case 9: {
                const int x = roll(1900), y = roll(1060), colour = roll(0x1000000);
                for (int py = y; py < std::min(y + 120, 1080); ++py) {
                    for (int px = x; px < std::min(x + 120, 1920); ++px) h.screen.Set(px, py, colour);
                }
                break;
            }
            case 10:
                h.form.HotKeyWndProc(1);
                break;
            default:
                if (h.form.OpenId().empty()) {
                    h.transport.Reply(200, "oLong");
                    h.form.TextChanged("Text2", "2468");
                    h.form.Command5_Click();
                }
                break;
        }
        CheckInvariants(h, step);
        if (::testing::Test::HasFatalFailure()) return;
    }

    int alerts = 0;
    for (const auto& sent : h.transport.sent) {
        if (sent.url.find("sndmsg.asp") == std::string::npos) continue;
        ++alerts;
        std::smatch parts;
        ASSERT_TRUE(std::regex_match(sent.url, parts, alertUrl)) << sent.url;
        const int r = std::stoi(parts[2]);
        EXPECT_GE(r, 11111);
        EXPECT_LE(r, 21110);
        EXPECT_EQ(parts[3].str(), AlertSignature(r));
        const int area = std::stoi(parts[4]);
        EXPECT_GE(area, 1);
        EXPECT_LE(area, 20);
    }
    EXPECT_GT(alerts, 20) << "the run should have exercised alerting";
}

}  // namespace
}  // namespace sentrel
