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
        if (!WaitFor([&] { return Taken() == 1; }, std::chrono::seconds(10))) {
            throw std::runtime_error("the compositor gave no virtual pointer");
        }
    }

    // The pointer to a point, the left button down or up; false when the
    // compositor did not take it.
    bool Move(int x, int y) { return Do("move " + std::to_string(x) + " " + std::to_string(y)); }
    bool Press() { return Do("press"); }
    bool Release() { return Do("release"); }
    bool Click(int x, int y) { return Move(x, y) && Press() && Release(); }

private:
    bool Do(const std::string& step) {
        const std::size_t taken = Taken();
        return input_.Send(step) && WaitFor([&] { return Taken() > taken; }, std::chrono::seconds(5));
    }
    // virtual_input answers "ok" to each step the compositor has taken.
    std::size_t Taken() const {
        const std::vector<std::string> answers = input_.Lines(ChildProcess::Stream::Out);
        return static_cast<std::size_t>(std::count(answers.begin(), answers.end(), "ok"));
    }

    ChildProcess input_;
};

}  // namespace sentrel::testing
