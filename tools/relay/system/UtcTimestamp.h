#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace sentrel::service {

// "2026-12-06T19:14:19Z"
std::string UtcTimestamp(std::chrono::system_clock::time_point when);

// "14:05": the hour and minute on the relay's own clock, as a person near it
// reads the time.
std::string LocalHourMinute(std::int64_t epochMs);

// Milliseconds since the Unix epoch, as the store keeps times.
std::int64_t EpochMilliseconds(std::chrono::system_clock::time_point when = std::chrono::system_clock::now());

}  // namespace sentrel::service
