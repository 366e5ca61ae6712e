#pragma once

#include <cstdint>
#include <span>

namespace sentrel {

struct ScreenPoint {
    std::int32_t x = 0;
    std::int32_t y = 0;

    friend bool operator==(const ScreenPoint&, const ScreenPoint&) = default;
};

// Reads the colours of a batch of screen pixels in one call, so a backend can
// use one round trip to the display instead of one per pixel.
class ScreenPixels {
public:
    // The colour reported for a point that cannot be read (off the screen, say).
    static constexpr std::int32_t kUnreadable = -1;

    virtual ~ScreenPixels() = default;
    // Fills colours[i] with the colour of points[i] as 0x00BBGGRR, or
    // kUnreadable. Both spans have the same length.
    virtual void Read(std::span<const ScreenPoint> points, std::span<std::int32_t> colours) = 0;
    // Whether the last Read saw the screen at all. Not while the session is
    // locked or blanked where the windows beneath cannot be read, nor when a
    // whole capture failed: those colours say nothing of what lies beneath.
    // A single point that cannot be read (off the screen) is no such case.
    virtual bool Seen() const { return true; }
    // A monitoring pass begins: what holds for the whole pass, such as
    // where Sentrel's window lies, is settled now rather than at every read.
    virtual void BeginPass() {}
};

}  // namespace sentrel
