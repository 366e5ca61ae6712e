#include "platform/win32/SignInBitmap.h"

#include "app/ViewConventions.h"
#include "platform/win32/GdiQrCode.h"
#include "platform/win32/GdiText.h"

namespace sentrel {
namespace {

constexpr int kWidth = 251, kHeight = 307, kCodeSide = 211;
const Font kTextFont{"宋体", 10.5, false, kGb2312Charset};
const Font kClickFont{"宋体", 14, true, kGb2312Charset};

int Scaled(int value, int dpi) { return LayoutPixels(static_cast<float>(value), dpi); }

void DrawSteps(HDC dc, int dpi, int width) {
    const GdiObject<HFONT> font = CreateLayoutFont(kTextFont, dpi);
    const Selection writeWith(dc, font.get());
    SetBkMode(dc, TRANSPARENT);
    RECT first{Scaled(8, dpi), Scaled(232, dpi), width - Scaled(8, dpi), Scaled(262, dpi)};
    RECT second{Scaled(8, dpi), Scaled(264, dpi), width - Scaled(8, dpi), Scaled(294, dpi)};
    DrawTextW(dc, L"1. 用手机扫描二维码，打开通知服务", -1, &first, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    DrawTextW(dc, L"2. 在打开的页面上获取验证码", -1, &second, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
}

// In the code's place, a frame that reads as something to click.
void DrawClickInstead(HDC dc, int dpi, int width, const RECT& codeArea) {
    const GdiObject<HPEN> dashes(CreatePen(PS_DASH, 1, RGB(128, 128, 128)));
    const Selection frameWith(dc, dashes.get());
    const Selection hollow(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, codeArea.left, codeArea.top, codeArea.right, codeArea.bottom);
    DrawCentredText(dc, kClickFont, dpi, L"点击此处，\n在浏览器中打开\n验证码页面", codeArea);
    DrawCentredText(dc, kTextFont, dpi, L"用手机扫描页面上的二维码，\n然后输入验证码",
                    RECT{Scaled(8, dpi), Scaled(232, dpi), width - Scaled(8, dpi), Scaled(294, dpi)});
}

}  // namespace

GdiObject<HBITMAP> SignInBitmap(HDC reference, int dpi, const std::optional<std::string>& phonePageUrl) {
    const int width = Scaled(kWidth, dpi), height = Scaled(kHeight, dpi), codeSide = Scaled(kCodeSide, dpi);
    GdiObject<HBITMAP> bitmap(CreateCompatibleBitmap(reference, width, height));
    const MemoryDc dc(CreateCompatibleDC(reference));
    const Selection drawOn(dc.get(), bitmap.get());
    RECT all{0, 0, width, height};
    FillRect(dc.get(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));

    const int left = (width - codeSide) / 2, top = Scaled(8, dpi);
    const RECT codeArea{left, top, left + codeSide, top + codeSide};
    if (phonePageUrl) {
        DrawQrCode(dc.get(), *phonePageUrl, codeArea);
        DrawSteps(dc.get(), dpi, width);
    } else {
        DrawClickInstead(dc.get(), dpi, width, codeArea);
    }
    return bitmap;
}

}  // namespace sentrel
