#include "platform/win32/SignInBitmap.h"

#include "app/ControlModel.h"
#include "app/ViewConventions.h"
#include "platform/qrencode/QrModules.h"

namespace sentrel {
namespace {

constexpr int kWidth = 251, kHeight = 307, kCodeSide = 211;
constexpr double kTextPoints = 10.5;  // the two lines under the code

}  // namespace

GdiObject<HBITMAP> SignInBitmap(HDC reference, int dpi, const std::string& codePageUrl) {
    const auto scaled = [dpi](int value) { return LayoutPixels(static_cast<float>(value), dpi); };
    const int width = scaled(kWidth), height = scaled(kHeight), codeSide = scaled(kCodeSide);
    GdiObject<HBITMAP> bitmap(CreateCompatibleBitmap(reference, width, height));
    const MemoryDc dc(CreateCompatibleDC(reference));
    const Selection drawOn(dc.get(), bitmap.get());
    RECT all{0, 0, width, height};
    FillRect(dc.get(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));

    const QrModules code = EncodeQr(codePageUrl);
    const int left = (width - codeSide) / 2, top = scaled(8);
    for (int y = 0; y < code.side; ++y) {
        for (int x = 0; x < code.side; ++x) {
            if (!code.Dark(x, y)) continue;
            RECT module{left + x * codeSide / code.side, top + y * codeSide / code.side,
                        left + (x + 1) * codeSide / code.side, top + (y + 1) * codeSide / code.side};
            FillRect(dc.get(), &module, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
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
