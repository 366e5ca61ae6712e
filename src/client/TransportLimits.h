#pragma once

#include <chrono>
#include <cstddef>

namespace sentrel {

// Limits that keep one request from holding the window or its memory
// hostage; every transport applies them.
struct TransportLimits {
    std::chrono::milliseconds connectTimeout{5000};
    std::chrono::milliseconds totalTimeout{15000};
    std::size_t maxReplyBytes = 1024 * 1024;
    long maxRedirects = 5;
};

}  // namespace sentrel
