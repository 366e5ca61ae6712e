#pragma once

#include <string>
#include <string_view>

namespace sentrel {

// The one way the tool tells anything on standard error: a whole line a
// call, after "sentrel: ". The events that users, tests and launchers look for are worded
// below, once and alike on every platform; whoever looks for one matches
// its lead here rather than a copy of the sentence.
void Say(std::string_view line);

namespace said {

inline constexpr std::string_view kLocked = "the screen is locked";
inline constexpr std::string_view kUnlocked = "the screen is unlocked";
inline constexpr std::string_view kLockGuessed = "the screen looks locked";
inline constexpr std::string_view kShownAgain = "the screen shows again";
inline constexpr std::string_view kBlanked = "the screen is blanked";
inline constexpr std::string_view kUnblanked = "the screen is no longer blanked";
inline constexpr std::string_view kCastStarted = "the screen cast has started";
inline constexpr std::string_view kNativeWayland = "native Wayland window";

// how: what tells of the lock. watchedBeneath: whether the windows beneath
// are still read (X11 with Composite), else judgement waits.
std::string Locked(std::string_view how, bool watchedBeneath);
std::string Blanked(std::string_view how, bool watchedBeneath);
// why: what the screen showed that looked like a lock nobody announced.
std::string LockGuessed(std::string_view why);

}  // namespace said
}  // namespace sentrel
