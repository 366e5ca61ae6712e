#pragma once

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/ChildProcess.h"
#include "support/Waiting.h"
#include "support/WaylandSession.h"

namespace sentrel::testing {

// A pointer on a test's sway, held for the whole run by the virtual_input
// helper. Each step returns once the compositor has taken it: keys typed
// next through another client must not overtake the click that focuses
// where they go.
class VirtualPointer {
public:
    // width, height: the output's logical size, in which points are given.
    VirtualPointer(const WaylandSession& sway, int width, int height)
        : input_(sway.Inside({sway.Staged(SENTREL_VIRTUAL_INPUT), std::to_string(width), std::to_string(height)})) {
        if (!Answered()) throw std::runtime_error("the compositor gave no virtual pointer");
    }

    // The pointer to a point, the left button down or up; false when the
    // compositor did not take it.
    bool Move(int x, int y) { return Do("move " + std::to_string(x) + " " + std::to_string(y)); }
    bool Press() { return Do("press"); }
    bool Release() { return Do("release"); }
    bool Click(int x, int y) { return Move(x, y) && Press() && Release(); }

private:
    bool Do(const std::string& step) { return input_.Send(step) && Answered(); }
    // virtual_input answers "ok" once it holds the pointer, then to each step
    // the compositor has taken.
    bool Answered() {
        const auto oks = [&] { return std::ranges::count(input_.Lines(ChildProcess::Stream::Out), "ok"); };
        return WaitFor([&, wanted = ++answers_] { return oks() >= wanted; }, std::chrono::seconds(10));
    }

    ChildProcess input_;
    std::ptrdiff_t answers_ = 0;
};

}  // namespace sentrel::testing
