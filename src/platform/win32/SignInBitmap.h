#pragma once

#include <windows.h>

#include <string>

#include "platform/win32/GdiHandles.h"

namespace sentrel {

// The sign-in panel's picture, 251 x 307 layout pixels drawn at the given
// density: the QR code of the service's code page and two lines on how to
// get a verification code.
GdiObject<HBITMAP> SignInBitmap(HDC reference, int dpi, const std::string& codePageUrl);

}  // namespace sentrel
