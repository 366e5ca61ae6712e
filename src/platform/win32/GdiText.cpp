#include "platform/win32/GdiText.h"

#include "app/ViewConventions.h"
#include "platform/winhttp/WideText.h"

namespace sentrel {

GdiObject<HFONT> CreateLayoutFont(const Font& font, int dpi) {
    return GdiObject<HFONT>(CreateFontW(-FontPixels(font.points, dpi), 0, 0, 0, font.bold ? FW_BOLD : FW_NORMAL, FALSE,
                                        FALSE, FALSE, static_cast<DWORD>(font.charset), OUT_DEFAULT_PRECIS,
                                        CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, Widen(font.face).c_str()));
}

void DrawCentredText(HDC dc, const Font& font, int dpi, const std::wstring& text, RECT area) {
    const GdiObject<HFONT> made = CreateLayoutFont(font, dpi);
    const Selection writeWith(dc, made.get());
    SetBkMode(dc, TRANSPARENT);
    RECT needed = area;
    DrawTextW(dc, text.c_str(), -1, &needed, DT_CENTER | DT_WORDBREAK | DT_CALCRECT);
    area.top += (area.bottom - area.top - (needed.bottom - needed.top)) / 2;
    DrawTextW(dc, text.c_str(), -1, &area, DT_CENTER | DT_WORDBREAK);
}

}  // namespace sentrel
