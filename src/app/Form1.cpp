#include "app/Form1.h"

#include <algorithm>

#include "app/FormLayout.h"
#include "app/HoldNote.h"
#include "app/NumericText.h"
#include "monitor/AreaSelection.h"
#include "monitor/SampleArea.h"

namespace sentrel {
namespace {

constexpr const char* kShowHideHotKey = "Ctrl,87";
constexpr float kAreaLabelHeight = 20;

}  // namespace

Form1::Form1(FormServices services)
    : services_(services),
      controls_(DesignedLayout()),
      module1_(services.hotKeys),
      alerts_(services.service, services.random, services.clock, [this] { return openId_; }),
      hold_(services.clock) {}

template <typename Body>
void Form1::Handle(Body body) {
    if (unloaded_) return;
    body();
    if (!unloaded_) services_.view.Reflect(controls_);
}

void Form1::Form_Load() {
    Handle([&] {
        Get("Label5").text = services_.service.VersionNotice();
        module1_.SetHotKey(kShowHideHotKeyId, kShowHideHotKey, "Add");
        Get("Frame1").visible = false;
        controls_.window.maximised = true;
        Get("Command1").enabled = true;
        Get("Command2").enabled = false;
        state_.Monitoring = 0;
        state_.RegionCount = 0;
        state_.NextSlot = 1;
        controls_.window.background = Colour::Rgb(kBlue);
        controls_.window.layered = true;
        controls_.window.opacity = kSignedOutOpacity;
    });
}

void Form1::Form_Resize() {
    Handle([&] {
        const float innerWidth = services_.view.InnerWidth();
        Control& toolbar = Get("Frame1");
        Control& signIn = Get("Frame2");
        toolbar.left = innerWidth / 2 - toolbar.width / 2;
        signIn.left = innerWidth / 2 - signIn.width / 2;
        toolbar.top = 0;
    });
}

void Form1::Form_Unload() {
    Handle([&] {
        services_.service.SignOff(openId_);
        unloaded_ = true;
    });
}

void Form1::Form_MouseDown(std::int16_t, std::int16_t, float x, float y) {
    Handle([&] { PressArea(state_, x, y); });
}

void Form1::Form_MouseUp(std::int16_t button, std::int16_t, float x, float y) {
    Handle([&] { ReleaseArea(state_, *this, button, x, y); });
}

void Form1::Command1_Click() {
    Handle([&] {
        const std::optional<double> value = ParseNumericText(Get("Text4").text);
        const std::optional<std::int16_t> threshold = value ? RoundToInt16(*value) : std::nullopt;
        if (!threshold) {
            Notice(kThresholdMessage);
            return;
        }
        state_.Threshold = *threshold;
        if (state_.RegionCount == 0) {
            Notice(kNoAreaMessage);
            return;
        }
        state_.Monitoring = 1;
        Get("Timer1").enabled = true;
        Get("Command1").enabled = false;
        Get("Command2").enabled = true;
    });
}

void Form1::Command2_Click() {
    Handle([&] {
        state_.Monitoring = 0;
        Get("Timer1").enabled = false;
        Get("Command1").enabled = true;
        Get("Command2").enabled = false;
        sentrel::ClearAreas(state_, *this);
        hold_.Clear();
        ShowHoldNote("");
    });
}

void Form1::Command3_Click() {
    Handle([&] { controls_.window.visible = false; });
}

void Form1::Command4_Click() {
    Handle([&] { services_.view.Close(); });
}

void Form1::Command5_Click() {
    Handle([&] {
        const std::string code = Get("Text2").text;
        if (code.empty()) {
            services_.view.ShowMessage(kEmptyCodeMessage, kSignInNoticeTitle);
            return;
        }
        std::optional<std::string> openId = services_.service.SignIn(code);
        if (!openId) {
            services_.view.ShowMessage(kBadCodeMessage, kSignInNoticeTitle);
            return;
        }
        openId_ = std::move(*openId);
        Get("Frame1").visible = true;
        Get("Frame2").visible = false;
        controls_.window.opacity = kSignedInOpacity;
    });
}

void Form1::Command6_Click() {
    Handle([&] { services_.view.Close(); });
}

// The two options form one group; each puts its mode's default threshold in
// the box, and the change mode locks it.
void Form1::SelectMode(bool alertWhenChanged) {
    Get("Option1").checked = !alertWhenChanged;
    Get("Option2").checked = alertWhenChanged;
    Get("Text4").text = alertWhenChanged ? "2" : "30";
    Get("Text4").enabled = !alertWhenChanged;
}

void Form1::Option1_Click() {
    Handle([&] { SelectMode(false); });
}

void Form1::Option2_Click() {
    Handle([&] { SelectMode(true); });
}

void Form1::Timer1_Timer() {
    Handle([&] {
        const MonitoringModes modes{Get("Option1").checked, Get("Option2").checked};
        PassReads reads(services_.screen, state_);
        passReads_ = &reads;
        RunMonitoringPass(state_, *this, modes, *this, *this, hold_);
        passReads_ = nullptr;
        const Clock::TimePoint now = services_.clock.Now();
        if (const auto ended = hold_.Ended()) {
            ShowHoldNote(EndedHoldNote(*ended, now));
        } else if (const auto held = hold_.Current()) {
            ShowHoldNote(OngoingHoldNote(*held, now));
        }
        alerts_.RetryOwed();
    });
}

// In the toolbar's panel, which grows beneath its buttons to hold it.
void Form1::ShowHoldNote(const std::string& text) {
    Control& note = Get("Label6");
    note.text = text;
    note.visible = !text.empty();
    Get("Frame1").height = note.top + (note.visible ? note.height : 0);
}

void Form1::Timer2_Timer() {
    Handle([&] {
        services_.service.KeepAlive(openId_);
        alerts_.RetryOwed();
    });
}

void Form1::HotKeyWndProc(std::int32_t id) {
    Handle([&] {
        if (id != kShowHideHotKeyId) return;
        if (controls_.window.visible) {
            controls_.window.visible = false;
            return;
        }
        controls_.window.visible = true;
        services_.view.Reflect(controls_);
        services_.view.RaiseToTop();
    });
}

void Form1::TextChanged(const std::string& name, const std::string& text) {
    if (unloaded_) return;
    Control& box = Get(name);
    if (box.kind == ControlKind::TextBox) box.text = text;
}

ScreenPixels& Form1::Screen() const {
    return passReads_ != nullptr ? static_cast<ScreenPixels&>(*passReads_) : services_.screen;
}

float Form1::SampleArea(float x1, float y1, float x2, float y2) {
    return sentrel::SampleArea(Screen(), x1, y1, x2, y2);
}

bool Form1::Seen() const { return Screen().Seen(); }

void Form1::RaiseAlert(int n) {
    alerts_.RaiseAlert(n);
    if (passReads_ != nullptr) passReads_->Forget();
}

void Form1::DrawOutline(const Outline& outline) {
    if (std::find(outlines_.begin(), outlines_.end(), outline) != outlines_.end()) return;
    outlines_.push_back(outline);
    services_.view.DrawOutline(outline);
}

void Form1::ClearOutlines() {
    outlines_.clear();
    services_.view.ClearOutlines();
}

void Form1::AddAreaLabel(int n, const std::string& caption, float left, float top) {
    Control label = controls_.Get("Label1", 0);
    label.index = n;
    label.areaLabel = true;
    label.visible = true;
    label.height = kAreaLabelHeight;
    label.text = caption;
    label.background = Colour::Rgb(kRed);
    label.left = left;
    label.top = top;
    controls_.controls.push_back(std::move(label));
}

void Form1::SetAreaLabelCaption(int n, const std::string& caption) { controls_.Get("Label1", n).text = caption; }

void Form1::RemoveAreaLabel(int n) {
    controls_.Remove("Label1", n);
    services_.view.RemoveAreaLabel(n);
}

void Form1::Notice(const std::string& text) { services_.view.ShowMessage(text, kNoticeTitle); }

}  // namespace sentrel
