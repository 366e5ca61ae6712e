#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "platform/win32/GdiHandles.h"

namespace sentrel {

// The sign-in panel's picture, 251 x 307 layout pixels drawn at the given
// density. With an address a phone can open: its QR code and two lines on
// how to get a verification code. Without one: no code, which would lead
// the phone nowhere, but how to reach the page through this desktop's
// browser, which a click on the picture opens.
GdiObject<HBITMAP> SignInBitmap(HDC reference, int dpi, const std::optional<std::string>& phonePageUrl);

}  // namespace sentrel
