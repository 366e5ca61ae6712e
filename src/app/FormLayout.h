#pragma once

#include "app/ControlModel.h"

namespace sentrel {

// The window as designed: every control with its place, text, font,
// colours and initial state, before the window loads.
FormControls DesignedLayout();

}  // namespace sentrel
