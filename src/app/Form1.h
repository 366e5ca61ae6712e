#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/ControlModel.h"
#include "app/FormView.h"
#include "app/Module1.h"
#include "client/ServiceClient.h"
#include "monitor/AlertDispatcher.h"
#include "monitor/AreaCanvas.h"
#include "monitor/AreaSampler.h"
#include "monitor/MonitorState.h"
#include "monitor/MonitoringPass.h"
#include "monitor/PassReads.h"
#include "monitor/ScreenPixels.h"

namespace sentrel {

inline constexpr const char* kNoticeTitle = "提示";
inline constexpr const char* kSignInNoticeTitle = "提示!";
inline constexpr const char* kEmptyCodeMessage = "验证码不能为空！";
inline constexpr const char* kBadCodeMessage = "验证码无效或者过期！";
inline constexpr const char* kThresholdMessage = "阀值只能是数字，请重新输入，建议不小于30";
inline constexpr const char* kNoAreaMessage = "请先框选监控区域！";
inline constexpr int kSignedOutOpacity = 230;
inline constexpr int kSignedInOpacity = 200;

// Everything Form1 talks to.
struct FormServices {
    FormView& view;
    ScreenPixels& screen;
    ServiceClient& service;
    HotKeyBackend& hotKeys;
    Clock& clock;
    RandomSource& random;
};

// The window's state and every one of its event handlers, free of any
// toolkit. The toolkit calls a handler for each event, one at a time on the
// UI thread, and mirrors the control model after it through FormView. Once
// the window has unloaded, further events are ignored.
class Form1 : private AreaCanvas, private AreaSampler, private AlertTrigger {
public:
    explicit Form1(FormServices services);

    void Form_Load();
    void Form_Resize();
    void Form_Unload();
    void Form_MouseDown(std::int16_t button, std::int16_t shift, float x, float y);
    void Form_MouseUp(std::int16_t button, std::int16_t shift, float x, float y);
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();
    void Command6_Click();
    void Option1_Click();
    void Option2_Click();
    void Timer1_Timer();
    void Timer2_Timer();
    // The window procedure's part for the hot key: id 1 hides a visible
    // window and shows a hidden one on top of all others.
    void HotKeyWndProc(std::int32_t id);

    // The user edited a text box; the toolkit reports it before any handler
    // that reads the text runs.
    void TextChanged(const std::string& name, const std::string& text);

    const MonitorState& State() const { return state_; }
    const std::string& OpenId() const { return openId_; }
    const FormControls& Controls() const { return controls_; }
    std::vector<int> OwedAlerts() const { return alerts_.OwedAreas(); }

private:
    // AreaCanvas: the engine's markers, kept in the control model.
    void DrawOutline(const Outline& outline) override;
    void ClearOutlines() override;
    void AddAreaLabel(int n, const std::string& caption, float left, float top) override;
    void SetAreaLabelCaption(int n, const std::string& caption) override;
    void RemoveAreaLabel(int n) override;
    void Notice(const std::string& text) override;
    // AreaSampler: during a pass, from the pass's shared reads.
    float SampleArea(float x1, float y1, float x2, float y2) override;
    bool Seen() const override;
    // The pass's shared reads while a pass runs, else the screen itself.
    ScreenPixels& Screen() const;
    // AlertTrigger: the pass's alerts, after which its earlier reads are stale.
    void RaiseAlert(int n) override;

    // Runs one handler and mirrors the model afterwards.
    template <typename Body>
    void Handle(Body body);

    Control& Get(const std::string& name) { return controls_.Get(name); }
    void SelectMode(bool alertWhenChanged);
    // An empty text takes the note away.
    void ShowHoldNote(const std::string& text);

    FormServices services_;
    MonitorState state_;
    std::string openId_;
    FormControls controls_;
    std::vector<Outline> outlines_;
    Module1 module1_;
    AlertDispatcher alerts_;
    ScreenHold hold_;
    // Set while a monitoring pass runs.
    PassReads* passReads_ = nullptr;
    bool unloaded_ = false;
};

}  // namespace sentrel
