#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace sentrel::service {

// "2026-12-06T19:14:19Z"
std::string UtcTimestamp(std::chrono::system_clock::time_point when);

// Milliseconds since the Unix epoch, as the store keeps times.
std::int64_t EpochMilliseconds(std::chrono::system_clock::time_point when = std::chrono::system_clock::now());

}  // namespace sentrel::service
