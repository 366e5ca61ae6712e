#pragma once

#include <windows.h>

#include <string_view>

namespace sentrel {

// The QR code of the text, quiet zone included, in black on what the area
// already shows (white, for a code a phone can read), filling the square
// area module for module.
void DrawQrCode(HDC dc, std::string_view text, const RECT& area);

}  // namespace sentrel
