#pragma once

#include <QPixmap>
#include <optional>
#include <string>

namespace sentrel {

// The sign-in panel's 251 x 307 picture. With an address a phone can open:
// its QR code and two lines on how to get a verification code. Without one:
// no code, which would lead the phone nowhere, but how to reach the page
// through this desktop's browser, which a click on the picture opens.
QPixmap SignInPicture(const std::optional<std::string>& phonePageUrl);

}  // namespace sentrel
