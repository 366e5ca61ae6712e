#pragma once

#include <cstdint>

#include "monitor/ScreenPixels.h"

namespace sentrel {

struct PixelSize {
    std::int32_t width = 0, height = 0;

    friend bool operator==(const PixelSize&, const PixelSize&) = default;
};

// How a picture of an output lies in the buffer the compositor copies it
// into: turned and flipped as the output's wl_output transform says (90 is a
// quarter turn counter-clockwise, 4 to 7 the same turns after a flip about
// the vertical axis), as grim undoes it before showing a single pixel.
class OutputTransform {
public:
    explicit OutputTransform(std::int32_t transform = 0) : transform_(transform & 7) {}

    // Whether width and height trade places between buffer and screen.
    bool QuarterTurn() const { return (transform_ & 1) != 0; }
    // The size on the screen of a buffer of this size, and back.
    PixelSize Swapped(PixelSize size) const { return QuarterTurn() ? PixelSize{size.height, size.width} : size; }
    // The buffer pixel that shows as pixel `seen` of a picture whose size on
    // the screen is `size`.
    ScreenPoint ToBuffer(ScreenPoint seen, PixelSize size) const;

private:
    std::int32_t transform_;
};

}  // namespace sentrel
