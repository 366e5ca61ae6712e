#include <gtest/gtest.h>

#include <algorithm>

#include "app/HandlerGate.h"
#include "monitor/AreaSelection.h"
#include "support/FormHarness.h"

namespace sentrel {
namespace {

using namespace std::chrono_literals;
using Log = std::vector<std::string>;

enum class Mode { None, Still, Change };

// A loaded window over a grey screen.
class Form1Test : public ::testing::Test {
protected:
    void SetUp() override {
        h.form.Form_Load();
        h.screen.Fill(0x202020);
    }
    void Drag(float x1, float y1, float x2, float y2, std::int16_t button = 1) {
        h.form.Form_MouseDown(button, 0, x1, y1);
        h.form.Form_MouseUp(button, 0, x2, y2);
    }
    const Control& Shown(const std::string& name, int index = -1) const { return h.view.reflected.Get(name, index); }
    // The change mode locks the threshold box; the model takes the text anyway.
    void Start(Mode mode, const char* threshold) {
        if (mode == Mode::Still) h.form.Option1_Click();
        if (mode == Mode::Change) h.form.Option2_Click();
        if (threshold != nullptr) h.form.TextChanged("Text4", threshold);
        h.form.Command1_Click();
    }
    // Row k is area k + 1's.
    std::vector<std::vector<float>> Table() const {
        std::vector<std::vector<float>> rows(20, std::vector<float>(8));
        for (int k = 0; k < 160; ++k) rows[k / 8][k % 8] = h.form.State().RegionTable.Cell(k / 8 + 1, k % 8 + 1);
        return rows;
    }
    std::ptrdiff_t Labels() const {
        return std::ranges::count_if(h.view.reflected.controls, [](auto& c) { return c.areaLabel; });
    }
    std::vector<std::string> Alerts() const { return h.Sent("sndmsg.asp"); }
    // Flips one pixel sampled in an area at (100, 100)-(200, 200).
    void Change() { h.screen.Set(121, 121, h.screen.At(121, 121) == 0xFFFFFF ? 0x202020 : 0xFFFFFF); }

    testing::FormHarness h;
};

// A hot key the system refuses is no reason not to start.
TEST(Form1, LoadFetchesTheNoticeThenTakesTheHotKeyThenShowsTheWindow) {
    testing::FormHarness h;
    h.transport.Reply(200, "本地通知服务已连接");
    Log order;
    const auto late = [&h] { return h.view.reflected.controls.empty() ? "" : " after showing"; };
    h.transport.onPost = [&](const std::string& url) { order.push_back(url + late()); };
    h.hotKeys.onRegister = [&](int id, int modifiers, int key) {
        order.push_back("hot key " + std::to_string(id) + ": " + std::to_string(modifiers) + "," + std::to_string(key) +
                        late());
        return false;
    };
    h.form.Form_Load();
    h.form.Form_Resize();
    EXPECT_EQ(order, (Log{"http://svc/alertdesk/vers.asp?vers=5.0.2", "hot key 1: 2,87"}));
    const FormControls& shown = h.view.reflected;
    EXPECT_EQ(std::make_tuple(shown.Get("Label5").text, shown.Get("Command1").enabled, shown.window.maximised,
                              shown.window.layered, shown.window.background, shown.window.opacity),
              std::make_tuple("本地通知服务已连接", true, true, true, Colour::Rgb(kBlue), 230));
}

// The sign-in panel's close button; the toolbar's runs end to end.
TEST_F(Form1Test, SignInSaysWhyItFailedOrSwapsThePanelsAndClosingSignsOffOnce) {
    const auto signIn = [this](const char* code) {
        h.form.TextChanged("Text2", code);
        h.form.Command5_Click();
    };
    signIn("");
    EXPECT_EQ(h.Sent("yzm_check.asp"), Log{}) << "an empty code sends nothing";
    h.transport.Reply(200, "err01");
    signIn("1234");
    EXPECT_EQ(h.view.log, (Log{"message 提示! 验证码不能为空！", "message 提示! 验证码无效或者过期！"}));
    EXPECT_EQ(std::make_tuple(h.form.OpenId(), Shown("Frame2").visible, h.view.reflected.window.opacity),
              std::make_tuple("", true, 230));
    h.transport.Reply(200, " oAbc\r\n");
    signIn("   ");
    EXPECT_EQ(h.transport.sent.back(), "http://svc/alertdesk/yzm_check.asp?code=   ");
    EXPECT_EQ(std::make_tuple(Shown("Frame1").visible, Shown("Frame2").visible, h.view.reflected.window.opacity),
              std::make_tuple(true, false, 200));
    h.form.Timer2_Timer();
    h.form.Command6_Click();
    h.form.Form_Unload();  // as the view does once closed
    h.form.Timer2_Timer();
    h.form.Form_Unload();
    EXPECT_EQ(h.view.log.back(), "close");
    EXPECT_EQ(h.Sent("alertdesk/check"), (Log{"http://svc/alertdesk/checkon.asp?openid= oAbc\r\n",
                                              "http://svc/alertdesk/checkoff.asp?openid= oAbc\r\n"}));
}

// A timer due several times during a handler runs once after it, and once
// more if it fell due again while running.
TEST(HandlerGate, EventsDuringAHandlerRunAfterItAndTimersOnlyOnce) {
    HandlerGate gate;
    Log ran;
    gate.Run([&] {
        ran.push_back("click start");
        gate.Run([&] { ran.push_back("mouse up"); });
        for (int tick = 0; tick < 3; ++tick) {
            gate.RunOnce("Timer1", [&] {
                ran.push_back("pass");
                gate.RunOnce("Timer1", [&] { ran.push_back("next pass"); });
            });
        }
        gate.RunOnce("Timer2", [&] { ran.push_back("keep-alive"); });
        ran.push_back("click end");
    });
    EXPECT_EQ(ran, (Log{"click start", "click end", "mouse up", "pass", "keep-alive", "next pass"}));
}

// A side shorter than 5 units is pulled out to 5, backward when dragged
// backward; the label sits at the release corner.
TEST_F(Form1Test, ADragMakesAnAreaOfAtLeastFiveUnitsWithOutlineAndLabel) {
    const std::pair<Outline, Outline> cases[] = {
        {{100, 200, 100, 200}, {100, 200, 105, 205}}, {{100, 100, 97, 300}, {100, 100, 95, 300}},
        {{100, 100, 105, 100}, {100, 100, 105, 105}}, {{100, 100, 300, 96}, {100, 100, 300, 95}},
        {{100, 100, 99, 101}, {100, 100, 95, 105}},   {{100, 100, 95, 95}, {100, 100, 95, 95}},
        {{100, 100, 40, 30}, {100, 100, 40, 30}},
    };
    for (int n = 1; const auto& [drag, expected] : cases) {
        Drag(drag.x1, drag.y1, drag.x2, drag.y2);
        EXPECT_EQ(Table()[n - 1],
                  (std::vector<float>{expected.x1, expected.y1, expected.x2, expected.y2, float(n - 1), 0, 0, 0}));
        EXPECT_EQ(h.view.outlines.back(), expected);
        const Control& label = h.view.reflected.controls.back();
        EXPECT_EQ(
            std::tie(label.text, label.visible, label.left, label.top, label.height, label.width, label.background),
            std::make_tuple("监控区域" + std::to_string(n++), true, expected.x2, expected.y2, 20.f, 121.f,
                            Colour::Rgb(kRed)));
    }
}

TEST_F(Form1Test, RightReleaseAddsThenClearsEverything) {
    for (int k = 0; k < 3; ++k) Drag(10, 10, 50, 50);
    h.view.log.clear();
    Drag(60, 60, 90, 90, kRightButton);
    EXPECT_EQ(h.view.log, (Log{"draw", "clear", "remove 4", "remove 3", "remove 2", "remove 1"}));
    EXPECT_EQ(std::make_tuple(Labels(), h.view.reflected.Has("Label1", 0), Table()),
              std::make_tuple(0, true, std::vector(20, std::vector<float>(8))));
    Drag(1, 1, 20, 20);
    EXPECT_EQ(std::tie(Shown("Label1", 1).text, h.form.State().NextSlot), std::make_tuple("监控区域1", 2));
}

// A refused release records nothing, not even its corner.
TEST_F(Form1Test, TwentyFirstAreaIsRefusedWhateverTheButtonOrMode) {
    for (int k = 0; k < 20; ++k) Drag(10.0f * static_cast<float>(k), 100, 10.0f * static_cast<float>(k) + 9, 120);
    const auto before = Table();
    h.view.log.clear();
    Drag(500, 500, 600, 600);
    Drag(500, 500, 600, 600, kRightButton);
    h.form.Command1_Click();
    Drag(500, 500, 600, 600, kRightButton);
    EXPECT_EQ(h.view.log, Log(3, "message 提示 为保证运算效率，最多只能设置20个监控区域"));
    EXPECT_EQ(std::make_tuple(Labels(), Table(), h.form.State().X2), std::make_tuple(20, before, 199.f));
}

// Area 1 at (100, 100)-(200, 200), not yet started.
class MonitoringPassTest : public Form1Test {
protected:
    void SetUp() override {
        Form1Test::SetUp();
        Drag(100, 100, 200, 200);
    }
};

struct PassCase {
    const char* name;
    Mode mode;
    const char* threshold;  // none: the mode's own
    std::int32_t screen;
    // One letter a pass: s the screen seen as it was, c seen changed, r
    // changed while the pass reads it, u changed but not seen (locked, or
    // the capture failed).
    const char* passes;
    std::vector<float> counters;  // after each pass
    int alertPass;                // 0 for none
};
void PrintTo(const PassCase& c, std::ostream* os) { *os << c.name; }

class CountingTest : public MonitoringPassTest, public ::testing::WithParamInterface<PassCase> {};

// An area that has alerted is no longer sampled, and without a mode none is.
// A screen that cannot be seen is neither compared nor counted; the pass
// that sees it again takes a fresh reference, unless the area was never
// judged, in which case that pass is the run's first.
TEST_P(CountingTest, CountsByModeAndAlertsOnceAtTheThreshold) {
    const PassCase& c = GetParam();
    h.screen.Fill(c.screen);
    Start(c.mode, c.threshold);
    EXPECT_EQ(Shown("Text4").enabled, c.mode != Mode::Change);
    for (int pass = 1; c.passes[pass - 1] != '\0'; ++pass) {
        SCOPED_TRACE(pass);
        const char step = c.passes[pass - 1];
        if (step == 'c' || step == 'u') Change();
        if (step == 'r') h.screen.afterRead = [this] { Change(); };
        h.screen.seen = step != 'u';
        const std::size_t reads = h.screen.batches.size();
        h.form.Timer1_Timer();
        EXPECT_EQ(h.form.State().RegionTable.Cell(1, RegionTable::kCounter),
                  c.counters[static_cast<std::size_t>(pass - 1)]);
        EXPECT_EQ(Alerts().size(), c.alertPass != 0 && pass >= c.alertPass ? 1u : 0u);
        EXPECT_EQ(h.screen.batches.size() > reads, c.mode != Mode::None && (c.alertPass == 0 || pass <= c.alertPass));
    }
    EXPECT_EQ(Shown("Label1", 1).text, "监控区域1阀值为：" + std::to_string(int(c.counters.back())));
    EXPECT_TRUE(h.form.OwedAlerts().empty()) << "an accepted alert is not owed";
}

const PassCase kPasses[] = {
    {"StillStartsAgainAfterAChange", Mode::Still, "3", 0x202020, "sscssss", {0, 1, 0, 1, 2, 3, 3}, 6},
    {"ChangeCountsTheFirstPassThenEachChange", Mode::Change, nullptr, 0x202020, "ssscc", {1, 1, 1, 2, 2}, 4},
    // After a change the area is sampled again, and that sample is kept, not the one compared.
    {"TheSampleTakenAfterAChangeIsTheOneKept", Mode::Change, "5", 0x202020, "rs", {1, 1}, 0},
    {"AnAreaSummingToZeroGetsNoFirstCount", Mode::Change, "2", 0, "ss", {0, 0}, 0},
    {"ThresholdZeroAlertsInTheFirstPass", Mode::Still, "0", 0x202020, "s", {0}, 1},
    {"NegativeThresholdAlertsInTheFirstPass", Mode::Still, "-5", 0x202020, "s", {0}, 1},
    {"WithoutAModeNothingIsCounted", Mode::None, "1", 0x202020, "ccc", {0, 0, 0}, 0},
    {"StillPassesAreCountedAfreshAfterAHold", Mode::Still, "3", 0x202020, "sssuussss", {0, 1, 2, 2, 2, 0, 1, 2, 3}, 9},
    {"ChangesCountedBeforeAHoldStayCounted", Mode::Change, "3", 0x202020, "cuuscc", {1, 1, 1, 1, 2, 3}, 6},
    {"AHeldFirstPassLeavesTheFirstCountToTheFirstSeenOne", Mode::Change, "2", 0x202020, "usc", {0, 1, 2}, 3}};
INSTANTIATE_TEST_SUITE_P(Modes, CountingTest, ::testing::ValuesIn(kPasses),
                         [](const auto& param) { return std::string(param.param.name); });

// Area 2 lies before area 1 on the screen; alerts still go by number.
TEST_F(MonitoringPassTest, AreasAlertInOrderEachWithItsOwnNumber) {
    Drag(10, 10, 60, 60);
    Start(Mode::Change, "2");
    h.form.Timer1_Timer();
    h.random.queue = {0.75f, 0.125f};
    h.screen.Fill(0x303030);
    h.form.Timer1_Timer();
    EXPECT_EQ(
        Alerts(),
        (Log{"http://svc/alertdesk/sndmsg.asp?openid=&sjs=18611&code=EFAA104950FAB43D6562C114DB225345F50EFA9D&str=1",
             "http://svc/alertdesk/sndmsg.asp?openid=&sjs=12361&code=5EAC6D64BDD64C627E2D697E2114498BE08BDC05&str=2"}));
}

// An area after an alert is judged on the screen as it is once the (slow)
// request is answered, and held should a lock have come meanwhile; a pass
// that alerts nothing reads its areas together.
TEST_F(MonitoringPassTest, AreasAfterAnAlertAreReadAfterIt) {
    Drag(300, 300, 400, 400);
    Drag(500, 500, 600, 600);
    Start(Mode::Change, "2");
    h.form.Timer1_Timer();
    EXPECT_EQ(h.screen.batches.size(), 2u) << "one read for all areas, and one more after the first pass's change";
    // Area 1's alert changes area 2; area 2's comes with a lock.
    h.transport.onPost = [this](const std::string& url) {
        if (url.ends_with("str=1")) return h.screen.Set(321, 321, 0xFFFFFF);
        h.screen.Fill(0);
        h.screen.onBeginPass = [this] { h.screen.seen = false; };
    };
    Change();
    h.form.Timer1_Timer();
    EXPECT_EQ(Alerts().size(), 2u);
    EXPECT_EQ(h.form.State().RegionTable.Cell(3, RegionTable::kCounter), 1);
}

// The window says while the screen cannot be seen, and afterwards, in the
// toolbar's panel; a stop takes the note away.
TEST_F(MonitoringPassTest, TheHoldIsToldInThePanel) {
    Start(Mode::Still, "30");
    h.form.Timer1_Timer();
    EXPECT_FALSE(Shown("Label6").visible);
    h.screen.seen = false;
    h.form.Timer1_Timer();
    EXPECT_TRUE(Shown("Label6").text.starts_with("屏幕自 ")) << Shown("Label6").text;
    EXPECT_EQ(Shown("Frame1").height, 75);
    h.screen.seen = true;
    h.form.Timer1_Timer();
    EXPECT_TRUE(Shown("Label6").text.starts_with("屏幕在 ")) << Shown("Label6").text;
    EXPECT_TRUE(Shown("Label6").text.ends_with("，监控区域 1 暂停判断，之后已重新取样。")) << Shown("Label6").text;
    h.form.Command2_Click();
    EXPECT_EQ(Shown("Frame1").height, 41) << "the note gone";
}

TEST_F(MonitoringPassTest, HideKeepsMonitoringAndTheHotKeyTogglesVisibility) {
    Start(Mode::None, nullptr);
    h.form.Command3_Click();
    EXPECT_TRUE(Shown("Timer1").enabled);
    h.form.HotKeyWndProc(2);
    EXPECT_FALSE(h.view.reflected.window.visible) << "other hot keys pass by";
    h.form.HotKeyWndProc(1);
    EXPECT_EQ(h.view.log.back(), "raise visible") << "shown first, then raised";
    h.form.HotKeyWndProc(1);
    EXPECT_FALSE(h.view.reflected.window.visible);
}

TEST_F(MonitoringPassTest, StartChecksTheThresholdAndStopClearsEverything) {
    h.view.log.clear();
    for (const char* bad : {"abc", "40000"}) Start(Mode::Still, bad);
    EXPECT_EQ(h.view.log, Log(2, "message 提示 阀值只能是数字，请重新输入，建议不小于30"));
    EXPECT_FALSE(Shown("Timer1").enabled);
    Start(Mode::Still, " 2.5 ");
    EXPECT_EQ(h.form.State().Threshold, 2) << "half rounds to even";
    EXPECT_EQ(std::make_tuple(Shown("Timer1").enabled, Shown("Command2").enabled, Shown("Command1").enabled),
              std::make_tuple(true, true, false));
    h.form.Timer1_Timer();
    h.view.log.clear();
    Drag(300, 300, 400, 400);
    Drag(300, 300, 400, 400, kRightButton);
    EXPECT_EQ(h.view.log, Log{}) << "no area added or cleared while monitoring";
    h.form.Command2_Click();
    EXPECT_EQ(std::make_tuple(Shown("Timer1").enabled, Shown("Command2").enabled, h.view.reflected.Has("Label1", 1),
                              Shown("Command1").enabled),
              std::make_tuple(false, false, false, true));
    h.form.Command1_Click();
    EXPECT_EQ(h.view.log, (Log{"clear", "remove 1", "message 提示 请先框选监控区域！"}));
    EXPECT_FALSE(Shown("Timer1").enabled);
}

// Either timer sends an owed alert again, also once monitoring has stopped.
TEST_F(MonitoringPassTest, OwedAlertsAreSentAgainOnEitherTimer) {
    Start(Mode::Change, "1");
    h.transport.NoReply();
    h.form.Timer1_Timer();
    h.clock.Advance(20s);
    h.transport.Reply(500, "");
    h.form.Timer1_Timer();
    EXPECT_EQ(Alerts().size(), 2u);
    h.form.Command2_Click();
    h.clock.Advance(20s);
    h.form.Timer2_Timer();
    EXPECT_EQ(Alerts().size(), 3u);
    EXPECT_TRUE(h.form.OwedAlerts().empty());
}

}  // namespace
}  // namespace sentrel
