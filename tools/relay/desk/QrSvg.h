#pragma once

#include <string>
#include <string_view>

namespace sentrel::service {

// The text as a QR code in SVG, quiet zone included, scaled by whoever
// places it; empty when the text does not fit in a QR code.
std::string QrSvg(std::string_view text);

}  // namespace sentrel::service
