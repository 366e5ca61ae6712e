#pragma once

#include <string>

#include "app/Form1.h"

namespace sentrel {

// Runs the click handler of the button or option with this name; false when
// the control has none.
bool RunClickHandler(Form1& form, const std::string& name);

// Runs the handler of the timer with this name; false when there is none.
bool RunTimerHandler(Form1& form, const std::string& name);

}  // namespace sentrel
