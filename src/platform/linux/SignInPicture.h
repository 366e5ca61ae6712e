#pragma once

#include <QPixmap>
#include <QString>

namespace sentrel {

// The sign-in panel's 251 x 307 picture: a QR code for the service's code
// page and two lines on how to get a verification code.
QPixmap SignInPicture(const QString& codePageUrl);

}  // namespace sentrel
