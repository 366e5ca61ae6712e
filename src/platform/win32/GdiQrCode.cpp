#include "platform/win32/GdiQrCode.h"

#include "platform/qrencode/QrModules.h"

namespace sentrel {

void DrawQrCode(HDC dc, std::string_view text, const RECT& area) {
    const QrModules code = EncodeQr(text);
    const int side = area.right - area.left;
    for (int y = 0; y < code.side; ++y) {
        for (int x = 0; x < code.side; ++x) {
            if (!code.Dark(x, y)) continue;
            RECT module{area.left + x * side / code.side, area.top + y * side / code.side,
                        area.left + (x + 1) * side / code.side, area.top + (y + 1) * side / code.side};
            FillRect(dc, &module, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        }
    }
}

}  // namespace sentrel
