#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "monitor/SampleArea.h"
#include "support/ChildProcess.h"
#include "support/SentrelLayout.h"
#include "support/Waiting.h"

namespace sentrel::testing {

// The points the tool samples in an area dragged between two points.
inline std::vector<ScreenPoint> SamplePoints(Spot from, Spot to) {
    return SampleGrid(static_cast<float>(from.x), static_cast<float>(from.y), static_cast<float>(to.x),
                      static_cast<float>(to.y));
}

// A desktop Sentrel runs on, as a user meets it: hands that click, drag and
// type at points of Sentrel's window, eyes on what the screen shows there,
// and a window of content beneath Sentrel's, in bands of colour from top to
// bottom. Each kind of desktop drives these its own way.
class Desktop {
public:
    explicit Desktop(Screen monitor) : screen(monitor) {}
    virtual ~Desktop() = default;
    Desktop(const Desktop&) = delete;
    Desktop& operator=(const Desktop&) = delete;

    // Sentrel, started here against the service at `url` and shown; env:
    // more of its environment, as NAME=VALUE.
    virtual std::unique_ptr<ChildProcess> Start(const std::string& url, const std::vector<std::string>& env) = 0;
    virtual bool Click(Spot at) = 0;
    // Pressed at one point and let go at another, through the points between.
    virtual bool Drag(Spot from, Spot to) = 0;
    // What a text box at that point holds, replaced with ASCII typed there.
    virtual bool Replace(Spot box, const std::string& text) = 0;
    // What the screen shows at points of the window, 0x00BBGGRR, in one look.
    virtual std::vector<std::int32_t> Colours(const std::vector<Spot>& at) = 0;
    // Whether the area dragged between two points shows as drawn, over
    // content of this colour: where the window is read through, its sample
    // points show that content.
    virtual bool ShowsArea(Spot from, Spot to, std::int32_t beneath) {
        std::vector<Spot> samples;
        for (const ScreenPoint unit : SamplePoints(from, to)) samples.push_back({unit.x, unit.y});
        return std::ranges::all_of(Colours(samples), [&](std::int32_t colour) { return colour == beneath; });
    }
    // Sentrel's window hidden, with what a user of this desktop would use.
    virtual bool Hide() = 0;
    // The content beneath, in as many equal bands as colours, once painted.
    virtual bool Paint(const std::vector<std::int32_t>& bands) = 0;

    std::int32_t Colour(Spot at) { return Colours({at})[0]; }
    template <typename Done>
    bool ClickUntil(Spot at, Done done) {
        return testing::ClickUntil([&] { return Click(at); }, done);
    }

    // The monitor the window covers, in window units.
    const Screen screen;
};

}  // namespace sentrel::testing
