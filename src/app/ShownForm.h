#pragma once

#include <optional>
#include <string>

#include "app/ControlModel.h"
#include "app/Form1.h"
#include "app/FormChanges.h"

namespace sentrel {

// The window as a view last showed it, kept so that the view applies only
// what changed: the model is reflected after every once-a-second pass, and
// setting every property of every control again costs time even where the
// toolkit then finds nothing to redraw.
class ShownForm {
public:
    // What to apply, in order, for the window to show `now`. It is taken as
    // shown before it is applied: a resize while it is applied reflects
    // again, and only what that handler changed is then to be applied.
    FormChanges Show(const FormControls& now);
    // The user typed in a text box, which shows `text` now: the form takes
    // it, and the box is not set to it again, which would move the cursor.
    void Typed(Form1& form, const std::string& name, const std::string& text);
    // A control the view no longer shows.
    void Remove(const std::string& name, int index);
    // A control as last shown.
    const Control& Get(const std::string& name, int index) const;

private:
    std::optional<FormControls> shown_;
};

}  // namespace sentrel
