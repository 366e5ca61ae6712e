#pragma once

#include <windows.h>

#include <string>

#include "app/ControlModel.h"
#include "platform/win32/GdiHandles.h"

namespace sentrel {

// The model's font at the given density.
GdiObject<HFONT> CreateLayoutFont(const Font& font, int dpi);

// Lines (split at '\n', and wrapped where too wide) in the font, centred
// across and down the area, transparent over what it shows.
void DrawCentredText(HDC dc, const Font& font, int dpi, const std::wstring& text, RECT area);

}  // namespace sentrel
