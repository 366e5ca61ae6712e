#include "platform/win32/SignInBitmap.h"

#include <string_view>
#include <vector>

#include "app/ControlModel.h"
#include "app/ViewConventions.h"
#include "platform/win32/SignInQrModules.h"

namespace sentrel {
namespace {

constexpr int kWidth = 251, kHeight = 307, kCodeSide = 211;
constexpr double kTextPoints = 10.5;  // the two lines under the code

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

GdiObject<HBITMAP> SignInBitmap(HDC reference, int dpi) {
    const auto scaled = [dpi](int value) { return LayoutPixels(static_cast<float>(value), dpi); };
    const int width = scaled(kWidth), height = scaled(kHeight), codeSide = scaled(kCodeSide);
    GdiObject<HBITMAP> bitmap(CreateCompatibleBitmap(reference, width, height));
    const MemoryDc dc(CreateCompatibleDC(reference));
    const Selection drawOn(dc.get(), bitmap.get());
    RECT all{0, 0, width, height};
    FillRect(dc.get(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));

    const std::vector<std::string_view> rows = Rows();
    if (!rows.empty()) {
        const int modules = static_cast<int>(rows.size());
        const int left = (width - codeSide) / 2, top = scaled(8);
        for (int y = 0; y < modules; ++y) {
            for (int x = 0; x * 2 < static_cast<int>(rows[y].size()); ++x) {
                if (rows[y][static_cast<std::size_t>(x * 2)] != '#') continue;
                RECT module{left + x * codeSide / modules, top + y * codeSide / modules,
                            left + (x + 1) * codeSide / modules, top + (y + 1) * codeSide / modules};
                FillRect(dc.get(), &module, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
            }
        }
    }

    const GdiObject<HFONT> font(CreateFontW(-FontPixels(kTextPoints, dpi), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                            kGb2312Charset, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                            DEFAULT_PITCH, L"宋体"));
    const Selection writeWith(dc.get(), font.get());
    SetBkMode(dc.get(), TRANSPARENT);
    RECT first{scaled(8), scaled(232), width - scaled(8), scaled(262)};
    RECT second{scaled(8), scaled(264), width - scaled(8), scaled(294)};
    DrawTextW(dc.get(), L"1. 用手机扫描二维码，打开通知服务", -1, &first, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    DrawTextW(dc.get(), L"2. 在打开的页面上获取验证码", -1, &second, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    return bitmap;
}

}  // namespace sentrel
