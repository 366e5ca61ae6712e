#pragma once

#include <string>

#include "monitor/ScreenHold.h"

namespace sentrel {

// What the window says of a time the screen could not be seen (locked,
// blanked, covered by a full-screen surface, or a capture that failed): from
// when, in local time, and which areas wait. now: the clock's present, to
// place the span on the wall clock.
std::string OngoingHoldNote(const ScreenHold::Span& span, Clock::TimePoint now);
// The same once the screen is seen again, for the user who comes back.
std::string EndedHoldNote(const ScreenHold::Span& span, Clock::TimePoint now);

}  // namespace sentrel
