#include "app/ShownForm.h"

#include <gtest/gtest.h>

#include "app/FormLayout.h"
#include "support/FormHarness.h"

namespace sentrel {
namespace {

using Listed = std::vector<std::string>;

// Each change as "what control(index)", then the window's own.
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

// Only what differs, each control's in the model's order; a new control is
// made, then given all its kind shows (a timer shows nothing, it only runs).
TEST(FormChanges, OnlyWhatDiffersFromTheWindowShown) {
    const FormControls shown = DesignedLayout();
    FormControls now = shown;
    now.Get("Label1", 0).text.clear();
    now.Get("Label2").foreground = Colour::Rgb(kRed);
    now.Get("Frame2").visible = false;
    now.Get("Label4").font.bold = false;
    now.Get("Label5").align = TextAlign::Left;
    now.Get("Frame1").height = 75;
    now.Get("Text4").enabled = false;
    now.Get("Option2").checked = true;
    now.Get("Label6").background = {};
    now.Get("Timer1").enabled = true;
    now.Get("Timer2").intervalMs = 1;
    now.controls.emplace_back(shown.Get("Timer1")).index = 3;
    now.window.caption.clear();
    now.window.opacity = 230;
    EXPECT_EQ(List(ChangesToShow(shown, now)),
              (Listed{"text Label1(0)", "foreground Label2", "visible Frame2", "font Label4", "align Label5",
                      "place Frame1", "enabled Text4", "checked Option2", "background Label6", "timer Timer1",
                      "timer Timer2", "made Timer1(3)", "timer Timer1(3)", "caption", "look"}));
}

// Nothing shown yet, the window too is to be shown. Typed text reaches the
// form and is not set again, until a handler sets it.
TEST(ShownForm, ShowsAllFirstThenWhatTheUserHasNotTyped) {
    testing::FormHarness h;
    ShownForm shown;
    EXPECT_EQ(List(shown.Show(h.form.Controls())).back(), "look") << "nothing shown yet";
    shown.Typed(h.form, "Text4", "305");
    EXPECT_EQ(List(shown.Show(h.form.Controls())), Listed{});
    h.form.Option1_Click();
    EXPECT_EQ(List(shown.Show(h.form.Controls())), (Listed{"text Text4", "checked Option1"}));
}

}  // namespace
}  // namespace sentrel
