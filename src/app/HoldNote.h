#pragma once

#include <string>

#include "monitor/ScreenHold.h"

namespace sentrel {

// What the window tells the user who comes back to a screen that was locked
// (or could not be captured): from when to when, in local time, and which
// areas were held. now: the clock's present, to place the span on the wall
// clock.
std::string HoldNote(const ScreenHold::Span& span, Clock::TimePoint now);

}  // namespace sentrel
