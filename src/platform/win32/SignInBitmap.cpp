#include "platform/win32/SignInBitmap.h"

#include <string_view>
#include <vector>

#include "platform/win32/SignInQrModules.h"

namespace sentrel {
namespace {

constexpr int kWidth = 251, kHeight = 307, kCodeSide = 211;

// The rows of the code, '#' for a dark module, as qrencode drew them in
// ASCII (two characters a module).
std::vector<std::string_view> Rows() {
    std::vector<std::string_view> rows;
    std::string_view text = kSignInQrModules;
    while (!text.empty()) {
        const auto end = text.find('\n');
        const std::string_view row = text.substr(0, end);
        if (!row.empty()) rows.push_back(row);
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return rows;
}

}  // namespace

HBITMAP SignInBitmap(HDC reference) {
    HDC dc = CreateCompatibleDC(reference);
    HBITMAP bitmap = CreateCompatibleBitmap(reference, kWidth, kHeight);
    const HGDIOBJ previous = SelectObject(dc, bitmap);
    RECT all{0, 0, kWidth, kHeight};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));

    const std::vector<std::string_view> rows = Rows();
    if (!rows.empty()) {
        const int modules = static_cast<int>(rows.size());
        const int left = (kWidth - kCodeSide) / 2, top = 8;
        for (int y = 0; y < modules; ++y) {
            for (int x = 0; x * 2 < static_cast<int>(rows[y].size()); ++x) {
                if (rows[y][static_cast<std::size_t>(x * 2)] != '#') continue;
                RECT module{left + x * kCodeSide / modules, top + y * kCodeSide / modules,
                            left + (x + 1) * kCodeSide / modules, top + (y + 1) * kCodeSide / modules};
                FillRect(dc, &module, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
            }
        }
    }

    HFONT font = CreateFontW(-14, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"宋体");
    const HGDIOBJ previousFont = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    RECT first{8, 232, kWidth - 8, 262}, second{8, 264, kWidth - 8, 294};
    DrawTextW(dc, L"1. 用手机扫描二维码，打开通知服务", -1, &first, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    DrawTextW(dc, L"2. 在打开的页面上获取验证码", -1, &second, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    SelectObject(dc, previousFont);
    DeleteObject(font);
    SelectObject(dc, previous);
    DeleteDC(dc);
    return bitmap;
}

}  // namespace sentrel
