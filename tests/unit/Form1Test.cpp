#include <gtest/gtest.h>

#include <set>

#include "support/FormHarness.h"

namespace sentrel {
namespace {

using testing::FormHarness;

class Form1Test : public ::testing::Test {
protected:
    const Control& Get(const std::string& name) const { return h.form.Controls().Get(name); }
    void SignInWith(const std::string& code) {
        h.form.TextChanged("Text2", code);
        h.form.Command5_Click();
    }

    FormHarness h;
};

TEST_F(Form1Test, LoadFetchesTheNoticeFirstThenSetsUpTheWindow) {
    h.transport.Reply(200, "本地通知服务已连接");
    bool noticeCameFirst = false;
    h.transport.onPost = [&](const std::string& url) {
        if (url.find("vers.asp") != std::string::npos) {
            noticeCameFirst = h.hotKeys.registrations.empty() && h.view.reflectCount == 0;
        }
    };
    bool keyBeforeShowing = false;
    h.hotKeys.onRegister = [&] { keyBeforeShowing = h.view.reflectCount == 0 && !h.transport.sent.empty(); };
    h.Load();
    EXPECT_TRUE(noticeCameFirst);
    EXPECT_TRUE(keyBeforeShowing) << "the hot key is registered after the notice, before the window shows";
    EXPECT_EQ(h.transport.sent.at(0).url, "http://svc/alertdesk/vers.asp?vers=5.0.2");
    EXPECT_EQ(Get("Label5").text, "本地通知服务已连接");
    ASSERT_EQ(h.hotKeys.registrations.size(), 1u);
    EXPECT_EQ(h.hotKeys.registrations[0].id, 1);
    EXPECT_EQ(h.hotKeys.registrations[0].modifiers, kModControl);
    EXPECT_EQ(h.hotKeys.registrations[0].keyCode, 87);

    const FormControls& shown = h.view.reflected;
    EXPECT_FALSE(shown.Get("Frame1").visible);
    EXPECT_TRUE(shown.Get("Frame2").visible);
    EXPECT_TRUE(shown.window.maximised);
    EXPECT_TRUE(shown.Get("Command1").enabled);
    EXPECT_FALSE(shown.Get("Command2").enabled);
    EXPECT_EQ(shown.window.background, Colour::Rgb(kBlue));
    EXPECT_TRUE(shown.window.layered);
    EXPECT_EQ(shown.window.opacity, 230);
    EXPECT_FALSE(shown.Get("Timer1").enabled);
    EXPECT_TRUE(shown.Get("Timer2").enabled);
    EXPECT_EQ(shown.Get("Timer2").intervalMs, 20000);
    EXPECT_EQ(shown.Get("Timer1").intervalMs, 1000);
    EXPECT_EQ(shown.Get("Text4").text, "30");
    EXPECT_TRUE(shown.Get("Text4").enabled);
    EXPECT_FALSE(shown.Get("Option1").checked || shown.Get("Option2").checked);
    const MonitorState& s = h.form.State();
    EXPECT_EQ(s.Monitoring, 0);
    EXPECT_EQ(s.RegionCount, 0);
    EXPECT_EQ(s.NextSlot, 1);
}

TEST_F(Form1Test, FailedNoticeLeavesTheLabelEmpty) {
    h.transport.NoReply();
    h.Load();
    EXPECT_EQ(Get("Label5").text, "");
}

TEST_F(Form1Test, LayoutHasEveryControlWhereDesigned) {
    const FormControls& c = h.form.Controls();
    EXPECT_EQ(c.window.caption, "Sentrel");
    const Control& label2 = c.Get("Label2");
    EXPECT_EQ(std::tie(label2.left, label2.top, label2.width, label2.height), std::make_tuple(112.f, 0.f, 361.f, 17.f));
    const Control& command3 = c.Get("Command3");
    EXPECT_EQ(command3.parent, "Frame1");
    EXPECT_EQ(command3.font, (Font{"宋体", 14.25, false, 134}));
    EXPECT_EQ(command3.text, "显示/隐藏(Ctrl+W)");
    EXPECT_EQ(c.Get("Label4").align, TextAlign::Right);
    EXPECT_EQ(c.Get("Label5").background, Colour::Rgb(kWhite));
    EXPECT_EQ(c.Get("Frame2").background.kind, Colour::Kind::SystemWindow);
    const Control& image = c.Get("Image1");
    EXPECT_EQ(std::tie(image.left, image.top, image.width, image.height), std::make_tuple(112.f, 56.f, 251.f, 307.f));

    std::set<int> tabOrders;
    for (const Control& control : c.controls) {
        if (control.tabOrder >= 0) {
            EXPECT_TRUE(tabOrders.insert(control.tabOrder).second) << control.name;
        }
    }
    EXPECT_EQ(tabOrders.size(), 18u);
    EXPECT_EQ(*tabOrders.rbegin(), 17);
}

TEST_F(Form1Test, ResizeCentresBothPanels) {
    h.Load();
    EXPECT_EQ(Get("Frame1").left, 675.5f);
    EXPECT_EQ(Get("Frame2").left, 715.5f);
    EXPECT_EQ(Get("Frame1").top, 0);
    EXPECT_EQ(Get("Frame2").top, 152);

    h.view.innerWidth = 400;
    h.form.Form_Resize();
    EXPECT_EQ(Get("Frame1").left, -84.5f);
    EXPECT_EQ(Get("Frame2").left, -44.5f);
    EXPECT_EQ(h.view.reflected.Get("Frame1").left, -84.5f) << "the hidden panel moves too";
}

TEST_F(Form1Test, SignInMessagesAndSuccess) {
    h.Load();
    const std::size_t before = h.transport.sent.size();
    SignInWith("");
    EXPECT_EQ(h.transport.sent.size(), before) << "an empty code sends nothing";
    ASSERT_EQ(h.view.messages.size(), 1u);
    EXPECT_EQ(h.view.messages[0].text, "验证码不能为空！");
    EXPECT_EQ(h.view.messages[0].title, "提示!");

    h.transport.Reply(200, "err01");
    h.transport.NoReply();
    h.transport.Reply(500, "<html>error</html>");
    for (int attempt = 0; attempt < 3; ++attempt) {
        SignInWith("1234");
        EXPECT_EQ(h.view.messages.back().text, "验证码无效或者过期！");
        EXPECT_EQ(h.view.messages.back().title, "提示!");
        EXPECT_EQ(h.form.OpenId(), "");
        EXPECT_TRUE(Get("Frame2").visible);
        EXPECT_EQ(h.form.Controls().window.opacity, 230);
        EXPECT_EQ(Get("Text2").text, "1234");
    }

    h.transport.Reply(200, " oAbc\r\n");
    SignInWith("   ");
    EXPECT_EQ(h.transport.sent.back().url, "http://svc/alertdesk/yzm_check.asp?code=   ");
    EXPECT_EQ(h.form.OpenId(), " oAbc\r\n");
    EXPECT_TRUE(h.view.reflected.Get("Frame1").visible);
    EXPECT_FALSE(h.view.reflected.Get("Frame2").visible);
    EXPECT_EQ(h.view.reflected.window.opacity, 200);
    EXPECT_EQ(h.view.reflected.Get("Frame1").left, 675.5f) << "already centred while hidden";

    h.form.Timer2_Timer();
    EXPECT_EQ(h.transport.sent.back().url, "http://svc/alertdesk/checkon.asp?openid= oAbc\r\n");
}

TEST_F(Form1Test, OptionsSetTheThresholdField) {
    h.Load();
    h.form.TextChanged("Text4", "45");
    h.form.Option2_Click();
    EXPECT_EQ(Get("Text4").text, "2");
    EXPECT_FALSE(Get("Text4").enabled);
    EXPECT_TRUE(Get("Option2").checked);
    h.form.Option1_Click();
    EXPECT_EQ(Get("Text4").text, "30");
    EXPECT_TRUE(Get("Text4").enabled);
    EXPECT_TRUE(Get("Option1").checked);
    EXPECT_FALSE(Get("Option2").checked);
}

TEST_F(Form1Test, HideKeepsMonitoringAndTheHotKeyTogglesVisibility) {
    h.Load();
    h.Drag(10, 10, 50, 50);
    h.form.Command1_Click();
    h.form.Command3_Click();
    EXPECT_FALSE(h.view.reflected.window.visible);
    EXPECT_TRUE(h.view.reflected.Get("Timer1").enabled);

    h.form.HotKeyWndProc(2);
    EXPECT_FALSE(h.view.reflected.window.visible) << "other hot keys pass by";
    h.view.log.clear();
    h.form.HotKeyWndProc(1);
    EXPECT_TRUE(h.view.reflected.window.visible);
    EXPECT_EQ(h.view.log, std::vector<std::string>{"raise visible"}) << "shown first, then raised";
    h.form.HotKeyWndProc(1);
    EXPECT_FALSE(h.view.reflected.window.visible);
}

TEST_F(Form1Test, EitherCloseButtonSignsOffOnceAndEndsEverything) {
    for (const bool toolbarButton : {true, false}) {
        FormHarness harness;
        harness.Load();
        if (toolbarButton) {
            harness.form.Command4_Click();
        } else {
            harness.form.Command6_Click();
        }
        EXPECT_EQ(harness.Sent("checkoff.asp"), std::vector<std::string>{"http://svc/alertdesk/checkoff.asp?openid="});
        const std::size_t sent = harness.transport.sent.size();
        harness.form.Timer2_Timer();
        harness.form.Form_Unload();
        EXPECT_EQ(harness.transport.sent.size(), sent) << "nothing runs after unload";
    }
}

}  // namespace
}  // namespace sentrel
