#pragma once

#include <windows.h>

namespace sentrel {

// The sign-in panel's 251 x 307 picture: the QR code of the service's code
// page (its modules laid out at build time by qrencode) and two lines on how
// to get a verification code. The caller owns the bitmap.
HBITMAP SignInBitmap(HDC reference);

}  // namespace sentrel
