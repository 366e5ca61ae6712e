#pragma once

#include <string_view>
#include <vector>

namespace sentrel {

// A QR code as squares to draw: `side` modules a row and as many rows,
// quiet zone included, true where a module is dark.
struct QrModules {
    int side = 0;
    std::vector<bool> dark;

    bool Dark(int x, int y) const { return dark[static_cast<std::size_t>(y * side + x)]; }
};

// The text as 8-bit data at error correction level M, with the four light
// modules of quiet zone the standard asks for on each side; no modules at
// all when it does not fit in a QR code.
QrModules EncodeQr(std::string_view text);

}  // namespace sentrel
