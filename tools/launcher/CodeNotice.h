#pragma once

#include "relay/system/ReadyRecord.h"

namespace sentrel::launcher {

// The sign-in code of the service the launcher started, in a window of its
// own thread's, so that the Sentrel window starts beside it: above the
// code, when the service gave one, the QR code a phone follows to receive
// that code's alerts; below, when the port the service was meant to take
// (takenPort, else 0) was taken by another program, that it took another.
// Topmost until closed with its button, Enter or Escape.
void ShowCodeNotice(const service::ReadyRecord& ready, int takenPort);

}  // namespace sentrel::launcher
