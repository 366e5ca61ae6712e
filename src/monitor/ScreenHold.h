#pragma once

#include <optional>
#include <set>
#include <vector>

#include "monitor/Clock.h"

namespace sentrel {

// The areas whose judgement waits because the screen could not be seen: the
// session locked or blanked where the windows beneath cannot be read, or a
// capture that failed as a whole. What such a pass read says nothing about
// what lies beneath, so a held area compares and counts nothing, and the
// next sample that sees the screen becomes its reference. An area the run
// has not yet judged has no reference to keep: its first seen pass is an
// ordinary first pass.
class ScreenHold {
public:
    // A time the screen could not be seen, and the areas held meanwhile.
    struct Span {
        Clock::TimePoint from, to;
        std::vector<int> areas;
    };

    explicit ScreenHold(Clock& clock) : clock_(clock) {}

    bool IsHeld(int n) const { return held_.contains(n); }
    bool WasJudged(int n) const { return judged_.contains(n); }
    void Hold(int n);
    // A pass judged area n on a screen it saw.
    void Saw(int n);
    // While some area is held: since when, and which areas are held now.
    std::optional<Span> Current() const;
    // Once no area is held any more: the span just ended, told once.
    std::optional<Span> Ended();
    void Clear();

private:
    Clock& clock_;
    std::set<int> held_;
    std::set<int> heldInSpan_;
    std::set<int> judged_;
    Clock::TimePoint from_;
};

}  // namespace sentrel
