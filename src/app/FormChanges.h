#pragma once

#include <optional>
#include <vector>

#include "app/ControlModel.h"

namespace sentrel {

// One kind of change a view applies to one control, in the order a view
// applies them: a control is made before anything is set on it, and shown
// or hidden last, once it is in place.
enum class Change { Made, Place, Font, Timer, Enabled, Background, Foreground, Text, Align, Checked, Visible };

struct ControlChange {
    Change what;
    const Control* control;  // in the model now
};

// What a view changes for the window it last showed to show the model now.
// The window's size and visibility are not among them: the monitor, the
// density and the desktop change those beneath the model, so a view
// compares them with the window itself.
struct FormChanges {
    std::vector<ControlChange> controls;
    bool caption = false;
    // The window's background colour or its opacity.
    bool look = false;
};

// Every control new since `shown` (everything, when nothing was shown yet)
// gets every change that applies to its kind; the others get those whose
// properties differ. Controls gone from the model are left out: the view
// removes those when told to.
FormChanges ChangesToShow(const std::optional<FormControls>& shown, const FormControls& now);

}  // namespace sentrel
