#include "app/FormChanges.h"

#include <gtest/gtest.h>

#include <functional>

#include "app/FormLayout.h"

namespace sentrel {
namespace {

using Listed = std::vector<std::string>;

// Each change as "what control", then the window's own.
Listed List(const FormChanges& changes) {
    constexpr const char* kWhat[] = {"made",       "place", "font",  "timer",   "enabled", "background",
                                     "foreground", "text",  "align", "checked", "visible"};
    Listed listed;
    for (const auto& [what, control] : changes.controls) {
        std::string& line = listed.emplace_back(kWhat[static_cast<int>(what)]).append(" ").append(control->name);
        if (control->index >= 0) line.append("(").append(std::to_string(control->index)).append(")");
    }
    if (changes.caption) listed.emplace_back("caption");
    if (changes.look) listed.emplace_back("look");
    return listed;
}

TEST(FormChanges, OnlyWhatDiffersFromTheWindowShown) {
    const struct {
        const char* what;
        std::function<void(FormControls&)> change;
        Listed expected;
    } rows[] = {
        {"nothing", [](FormControls&) {}, {}},
        {"moved", [](FormControls& f) { f.Get("Frame1").left += 0.5F; }, {"place Frame1"}},
        {"grown", [](FormControls& f) { f.Get("Frame1").height = 75; }, {"place Frame1"}},
        {"font", [](FormControls& f) { f.Get("Label4").font.bold = false; }, {"font Label4"}},
        {"disabled", [](FormControls& f) { f.Get("Command2").enabled = false; }, {"enabled Command2"}},
        {"background", [](FormControls& f) { f.Get("Label6").background = {}; }, {"background Label6"}},
        {"foreground", [](FormControls& f) { f.Get("Label6").foreground = Colour::Rgb(kRed); }, {"foreground Label6"}},
        {"text", [](FormControls& f) { f.Get("Label1", 0).text.clear(); }, {"text Label1(0)"}},
        {"align", [](FormControls& f) { f.Get("Label5").align = TextAlign::Left; }, {"align Label5"}},
        {"checked", [](FormControls& f) { f.Get("Option2").checked = true; }, {"checked Option2"}},
        {"shown", [](FormControls& f) { f.Get("Label6").visible = true; }, {"visible Label6"}},
        {"timer started", [](FormControls& f) { f.Get("Timer1").enabled = true; }, {"timer Timer1"}},
        {"timer period", [](FormControls& f) { f.Get("Timer2").intervalMs = 1; }, {"timer Timer2"}},
        {"two at once",
         [](FormControls& f) {
             f.Get("Text4").text.pop_back();
             f.Get("Text4").enabled = false;
         },
         {"enabled Text4", "text Text4"}},
        {"timer added",
         [](FormControls& f) {
             Control timer = f.Get("Timer1");
             timer.index = 3;
             f.controls.push_back(timer);
         },
         {"made Timer1(3)", "timer Timer1(3)"}},
        {"control gone", [](FormControls& f) { f.Remove("Label1", 0); }, {}},
        {"caption", [](FormControls& f) { f.window.caption.clear(); }, {"caption"}},
        {"background", [](FormControls& f) { f.window.background = Colour::Rgb(kBlue); }, {"look"}},
        {"layered", [](FormControls& f) { f.window.layered = true; }, {"look"}},
        {"opacity", [](FormControls& f) { f.window.opacity = 230; }, {"look"}},
        {"size and visibility", [](FormControls& f) { f.window.maximised = true, f.window.visible = false; }, {}},
    };
    for (const auto& row : rows) {
        const FormControls shown = DesignedLayout();
        FormControls now = shown;
        row.change(now);
        EXPECT_EQ(List(ChangesToShow(shown, now)), row.expected) << row.what;
    }
}

// Each control is made, then given all its kind shows; a timer shows nothing.
TEST(FormChanges, NothingShownYetMakesEverything) {
    FormControls now;
    now.controls = {DesignedLayout().Get("Label6"), DesignedLayout().Get("Timer1")};
    EXPECT_EQ(List(ChangesToShow(std::nullopt, now)),
              (Listed{"made Label6", "place Label6", "font Label6", "enabled Label6", "background Label6",
                      "foreground Label6", "text Label6", "align Label6", "checked Label6", "visible Label6",
                      "made Timer1", "timer Timer1", "caption", "look"}));
}

}  // namespace
}  // namespace sentrel
