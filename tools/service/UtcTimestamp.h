#pragma once

#include <chrono>
#include <string>

namespace sentrel::service {

// "2026-12-06T19:14:19Z"
std::string UtcTimestamp(std::chrono::system_clock::time_point when);

}  // namespace sentrel::service
