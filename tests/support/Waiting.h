#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <iostream>
#include <string>
#include <string_view>
#include <thread>

#include "support/ChildProcess.h"

namespace sentrel::testing {

template <typename Condition>
bool WaitFor(Condition condition, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return condition();
}

// A click made again, as a busy desktop may drop one, until `done` holds;
// false when it never did.
template <typename Click, typename Done>
bool ClickUntil(Click click, Done done) {
    using namespace std::chrono_literals;
    return WaitFor([&] { return done() || (click() && WaitFor(done, 5s)); }, 40s);
}

inline ChildProcess::LineTest Containing(std::string_view text) {
    return [text = std::string(text)](const std::string& line) { return line.find(text) != std::string::npos; };
}

// What a tool said, printed when the test that ran it has failed.
struct SaidOnFailure {
    ChildProcess& tool;
    ~SaidOnFailure() {
        if (!::testing::Test::HasFailure()) return;
        for (const std::string& line : tool.Lines(ChildProcess::Stream::Err)) std::cerr << "tool: " << line << "\n";
    }
};

}  // namespace sentrel::testing
