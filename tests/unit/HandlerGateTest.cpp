#include "app/HandlerGate.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace sentrel {
namespace {

// Events that arrive while a handler runs (during a request or a modal
// box) wait for it to finish; a timer due several times runs once.
TEST(HandlerGate, EventsDuringAHandlerRunAfterItAndTimersOnlyOnce) {
    HandlerGate gate;
    std::vector<std::string> ran;
    gate.Run([&] {
        ran.push_back("click start");
        gate.Run([&] { ran.push_back("mouse up"); });
        for (int tick = 0; tick < 3; ++tick) gate.RunOnce("Timer1", [&] { ran.push_back("pass"); });
        gate.RunOnce("Timer2", [&] { ran.push_back("keep-alive"); });
        ran.push_back("click end");
    });
    EXPECT_EQ(ran, (std::vector<std::string>{"click start", "click end", "mouse up", "pass", "keep-alive"}));

    ran.clear();
    gate.RunOnce("Timer1", [&] {
        ran.push_back("pass");
        // Falling due again while running: runs once more afterwards.
        gate.RunOnce("Timer1", [&] { ran.push_back("next pass"); });
    });
    EXPECT_EQ(ran, (std::vector<std::string>{"pass", "next pass"}));
}

}  // namespace
}  // namespace sentrel
