#include <gtest/gtest.h>

#include "monitor/SampleArea.h"
#include "service/AlertSignature.h"
#include "support/FormHarness.h"

namespace sentrel {
namespace {

using namespace std::chrono_literals;
using testing::FormHarness;

class MonitoringPassTest : public ::testing::Test {
protected:
    void SetUp() override {
        h.Load();
        h.screen.Fill(0x202020);
    }

    // Picks the mode, sets the threshold text and starts.
    void Start(bool changeMode, const std::string& threshold) {
        if (changeMode) {
            h.form.Option2_Click();
        } else {
            h.form.Option1_Click();
        }
        // The box is locked in the change mode; the model takes the text anyway.
        h.form.TextChanged("Text4", threshold);
        h.form.Command1_Click();
        ASSERT_EQ(h.form.State().Monitoring, 1);
    }

    float Counter(int n) const { return h.form.State().RegionTable.Cell(n, RegionTable::kCounter); }
    bool Alerted(int n) const { return h.form.State().RegionTable.Cell(n, RegionTable::kAlerted) != 0; }
    std::string Caption(int n) const { return h.form.Controls().Get("Label1", n).text; }
    std::vector<std::string> Alerts() const { return h.Sent("sndmsg.asp"); }
    // Flips one sampled pixel between two very different colours.
    void Change() { h.screen.Set(121, 121, h.screen.At(121, 121) == 0xFFFFFF ? 0x202020 : 0xFFFFFF); }

    FormHarness h;
};

TEST_F(MonitoringPassTest, UnchangedModeCountsStillPassesAndAlertsOnce) {
    h.Drag(100, 100, 200, 200);
    Start(false, "3");
    std::vector<float> counters;
    for (int pass = 1; pass <= 6; ++pass) {
        h.form.Timer1_Timer();
        counters.push_back(Counter(1));
        EXPECT_EQ(Alerts().size(), pass >= 4 ? 1u : 0u) << "pass " << pass;
    }
    EXPECT_EQ(counters, (std::vector<float>{0, 1, 2, 3, 3, 3}));
    EXPECT_EQ(Caption(1), "监控区域1阀值为：3");
    EXPECT_TRUE(Alerted(1));
    EXPECT_NE(Alerts()[0].find("&str=1"), std::string::npos);
}

TEST_F(MonitoringPassTest, UnchangedModeRestartsAfterAChange) {
    h.Drag(100, 100, 200, 200);
    Start(false, "3");
    std::vector<float> counters;
    for (int pass = 1; pass <= 6; ++pass) {
        if (pass == 3) Change();
        h.form.Timer1_Timer();
        counters.push_back(Counter(1));
    }
    EXPECT_EQ(counters, (std::vector<float>{0, 1, 0, 1, 2, 3}));
    EXPECT_EQ(Alerts().size(), 1u);
}

TEST_F(MonitoringPassTest, ChangedModeCountsTheFirstPassThenEachChange) {
    h.Drag(100, 100, 200, 200);
    h.form.Option2_Click();
    EXPECT_EQ(h.form.Controls().Get("Text4").text, "2");
    EXPECT_FALSE(h.form.Controls().Get("Text4").enabled);
    h.form.Command1_Click();

    h.form.Timer1_Timer();
    EXPECT_EQ(Counter(1), 1);
    EXPECT_EQ(Caption(1), "监控区域1阀值为：1");
    h.form.Timer1_Timer();
    h.form.Timer1_Timer();
    EXPECT_EQ(Counter(1), 1);
    EXPECT_TRUE(Alerts().empty());
    Change();
    h.form.Timer1_Timer();
    EXPECT_EQ(Counter(1), 2);
    EXPECT_EQ(Alerts().size(), 1u);
    // Alerted: only the outline goes on being drawn; no more sampling.
    const std::size_t reads = h.screen.batches.size();
    Change();
    h.form.Timer1_Timer();
    EXPECT_EQ(h.screen.batches.size(), reads);
    EXPECT_EQ(Alerts().size(), 1u);
}

// After a change the area is sampled again and that second sample is kept,
// not the one compared; an unchanged pass samples once.
TEST_F(MonitoringPassTest, TheSampleTakenAfterAChangeIsTheOneKept) {
    h.Drag(100, 100, 200, 200);
    Start(true, "5");
    h.screen.afterRead = [this] {
        h.screen.Fill(0x404040);
        h.screen.afterRead = nullptr;
    };
    h.form.Timer1_Timer();
    EXPECT_EQ(h.screen.batches.size(), 2u);
    testing::FakeScreen after(1920, 1080, 0x404040);
    EXPECT_EQ(h.form.State().RegionTable.Cell(1, RegionTable::kLastSum), SampleArea(after, 100, 100, 200, 200));
    h.form.Timer1_Timer();
    EXPECT_EQ(h.screen.batches.size(), 3u) << "unchanged against the kept sample";
    EXPECT_EQ(Counter(1), 1);
}

TEST_F(MonitoringPassTest, AnAreaSummingToZeroGetsNoFirstCount) {
    h.screen.Fill(0);
    h.Drag(100, 100, 200, 200);
    Start(true, "2");
    h.form.Timer1_Timer();
    EXPECT_EQ(Counter(1), 0);
}

TEST_F(MonitoringPassTest, ThresholdZeroOrNegativeAlertsInTheFirstPassAfterLabelling) {
    for (const char* threshold : {"0", "-5"}) {
        h.Drag(100, 100, 200, 200);
        Start(false, threshold);
        h.form.Timer1_Timer();
        EXPECT_TRUE(Alerted(1)) << threshold;
        EXPECT_EQ(Caption(1), "监控区域1阀值为：0");
        h.form.Command2_Click();
    }
    EXPECT_EQ(Alerts().size(), 2u);
}

TEST_F(MonitoringPassTest, TwoAreasAlertInAscendingOrderWithTheirOwnNumbers) {
    h.Drag(300, 300, 400, 400);
    h.Drag(100, 100, 200, 200);
    h.Drag(500, 500, 600, 600);
    Start(true, "2");
    h.form.Timer1_Timer();
    h.random.queue = {0.75f, 0.125f};
    h.screen.Fill(0x303030);
    h.form.Timer1_Timer();
    const std::vector<std::string> alerts = Alerts();
    ASSERT_EQ(alerts.size(), 3u);
    EXPECT_EQ(alerts[0], "http://svc/alertdesk/sndmsg.asp?openid=&sjs=18611&code=" + AlertSignature(18611) + "&str=1");
    EXPECT_EQ(alerts[1], "http://svc/alertdesk/sndmsg.asp?openid=&sjs=12361&code=" + AlertSignature(12361) + "&str=2");
    EXPECT_NE(alerts[2].find("&str=3"), std::string::npos);
}

TEST_F(MonitoringPassTest, WithNoModeSelectedOnlyLabelsAreWritten) {
    h.Drag(100, 100, 200, 200);
    h.form.Command1_Click();
    for (int pass = 0; pass < 5; ++pass) {
        Change();
        h.form.Timer1_Timer();
    }
    EXPECT_EQ(Counter(1), 0);
    EXPECT_EQ(Caption(1), "监控区域1阀值为：0");
    EXPECT_TRUE(Alerts().empty());
    EXPECT_TRUE(h.screen.batches.empty());
}

TEST_F(MonitoringPassTest, SwitchingModeKeepsCountersAndThreshold) {
    h.Drag(100, 100, 200, 200);
    Start(true, "3");
    h.form.Timer1_Timer();  // counts 1
    Change();
    h.form.Timer1_Timer();  // counts 2
    h.form.Option1_Click();
    EXPECT_EQ(h.form.Controls().Get("Text4").text, "30");
    h.form.Timer1_Timer();  // unchanged: 3 reaches the threshold of 3, not 30
    EXPECT_EQ(Counter(1), 3);
    EXPECT_EQ(h.form.State().Threshold, 3);
    EXPECT_EQ(Alerts().size(), 1u);
}

TEST_F(MonitoringPassTest, StopClearsEverythingAndANewStartNeedsNewAreas) {
    h.Drag(100, 100, 200, 200);
    Start(false, "30");
    h.form.Timer1_Timer();
    h.form.Command2_Click();
    const FormControls& c = h.form.Controls();
    EXPECT_EQ(h.form.State().Monitoring, 0);
    EXPECT_FALSE(c.Get("Timer1").enabled);
    EXPECT_TRUE(c.Get("Command1").enabled);
    EXPECT_FALSE(c.Get("Command2").enabled);
    EXPECT_TRUE(h.form.Outlines().empty());
    EXPECT_FALSE(c.Has("Label1", 1));
    EXPECT_FALSE(h.view.reflected.Get("Timer1").enabled);
    h.form.Command1_Click();
    EXPECT_EQ(h.view.messages.back().text, kNoAreaMessage);
    EXPECT_EQ(h.form.State().Monitoring, 0);
}

TEST_F(MonitoringPassTest, StartRefusesBadThresholdsAndRoundsHalfToEven) {
    h.Drag(100, 100, 200, 200);
    for (const char* bad : {"", "abc", "40000", "-32769", "1e9"}) {
        h.form.TextChanged("Text4", bad);
        h.form.Command1_Click();
        EXPECT_EQ(h.view.messages.back().text, kThresholdMessage) << bad;
        EXPECT_EQ(h.view.messages.back().title, "提示");
        EXPECT_FALSE(h.form.Controls().Get("Timer1").enabled);
        EXPECT_TRUE(h.form.Controls().Get("Command1").enabled);
    }
    h.form.TextChanged("Text4", " 2.5 ");
    h.form.Command1_Click();
    EXPECT_EQ(h.form.State().Threshold, 2);
    EXPECT_TRUE(h.form.Controls().Get("Timer1").enabled);
    EXPECT_FALSE(h.form.Controls().Get("Command1").enabled);
    EXPECT_TRUE(h.form.Controls().Get("Command2").enabled);
}

TEST_F(MonitoringPassTest, AFailedAlertIsSentAgainLaterUntilAccepted) {
    h.Drag(100, 100, 200, 200);
    Start(true, "1");
    h.transport.NoReply();
    h.form.Timer1_Timer();
    EXPECT_TRUE(Alerted(1)) << "the area shows as alerted all the same";
    EXPECT_EQ(h.form.OwedAlerts(), std::vector<int>{1});

    h.clock.Advance(10s);
    h.form.Timer1_Timer();
    EXPECT_EQ(Alerts().size(), 1u) << "not before 20 s";
    h.clock.Advance(10s);
    h.transport.Reply(500, "");  // refused again, on a monitoring tick
    h.form.Timer1_Timer();
    EXPECT_EQ(Alerts().size(), 2u);

    h.form.Command2_Click();
    h.clock.Advance(20s);
    h.transport.Reply(200, "ok");  // the keep-alive
    h.transport.Reply(500, "");    // the alert, refused a third time
    h.form.Timer2_Timer();
    EXPECT_EQ(Alerts().size(), 3u) << "stopping does not cancel an owed alert";
    EXPECT_EQ(h.form.OwedAlerts(), std::vector<int>{1});

    h.clock.Advance(20s);
    h.form.Timer2_Timer();
    EXPECT_EQ(Alerts().size(), 4u);
    EXPECT_TRUE(h.form.OwedAlerts().empty());
    h.clock.Advance(60s);
    h.form.Timer2_Timer();
    EXPECT_EQ(Alerts().size(), 4u);
}

}  // namespace
}  // namespace sentrel
