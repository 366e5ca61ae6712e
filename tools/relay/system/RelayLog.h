#pragma once

#include <string_view>

namespace sentrel::service {

// The one way the relay tells anything on standard error: a whole line a
// call, after "sentrel-service: ". The events that launchers, tests and
// users look for are worded below once; whoever looks for one matches its
// lead here rather than a copy of the sentence.
void Tell(std::string_view line);

namespace told {

inline constexpr std::string_view kStateIn = "keeps its state in ";
inline constexpr std::string_view kListening = "listening on ";
inline constexpr std::string_view kForwarding = "forwarding alerts to ";
inline constexpr std::string_view kCode = "verification code: ";
inline constexpr std::string_view kStandingCode = "standing code: ";
inline constexpr std::string_view kDelivered = "delivered ";
inline constexpr std::string_view kNotDelivered = "could not deliver ";
inline constexpr std::string_view kStopped = "stopped";

}  // namespace told
}  // namespace sentrel::service
