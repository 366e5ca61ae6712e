#pragma once

#include <windows.h>

#include "monitor/ScreenPixels.h"
#include "platform/win32/SessionLock.h"

namespace sentrel {

// Reads screen pixels through GDI: BitBlt copies the screen into a DIB
// section and the points are read from memory. BitBlt without CAPTUREBLT
// leaves layered windows out, Sentrel's own translucent veil among them, so
// what is read is the screen under it; GetPixel on the screen makes no such
// promise and is never used. The points are copied by the rectangles of
// their copy plan, so the screen between distant areas is never copied.
class GdiScreenReader : public ScreenPixels {
public:
    explicit GdiScreenReader(const SessionLock& session) : session_(session) {}

    void Read(std::span<const ScreenPoint> points, std::span<std::int32_t> colours) override;
    // Not while the session is out of sight, nor after a read that copied
    // none of its points on the screen: every copy fails once the desktop
    // has switched to the secure one (a UAC prompt, a lock Windows did not
    // announce), as GetPixel then gives CLR_INVALID everywhere.
    bool Seen() const override { return !failedWhole_ && !session_.Hidden(); }

private:
    const SessionLock& session_;
    bool failedWhole_ = false;
};

}  // namespace sentrel
