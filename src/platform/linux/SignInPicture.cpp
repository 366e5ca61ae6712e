#include "platform/linux/SignInPicture.h"

#include <QImage>
#include <QPainter>

#include "platform/qrencode/QrModules.h"
#include "platform/qt/CjkFonts.h"

namespace sentrel {
namespace {

constexpr int kWidth = 251;
constexpr int kHeight = 307;
constexpr int kCodeSide = 211;
const QRect kCodeArea((kWidth - kCodeSide) / 2, 8, kCodeSide, kCodeSide);

void DrawCode(QPainter& painter, const std::string& text) {
    const QrModules code = EncodeQr(text);
    const double module = static_cast<double>(kCodeArea.width()) / code.side;
    for (int y = 0; y < code.side; ++y) {
        for (int x = 0; x < code.side; ++x) {
            if (!code.Dark(x, y)) continue;
            painter.fillRect(QRectF(kCodeArea.left() + x * module, kCodeArea.top() + y * module, module, module),
                             Qt::black);
        }
    }
}

void DrawSteps(QPainter& painter) {
    painter.setFont(CjkFont(10.5, false));
    painter.drawText(QRect(8, 232, kWidth - 16, 30), Qt::AlignLeft | Qt::AlignVCenter,
                     QString::fromUtf8("1. 用手机扫描二维码，打开通知服务"));
    painter.drawText(QRect(8, 264, kWidth - 16, 30), Qt::AlignLeft | Qt::AlignVCenter,
                     QString::fromUtf8("2. 在打开的页面上获取验证码"));
}

// In the code's place, a frame that reads as something to click.
void DrawClickInstead(QPainter& painter) {
    painter.setPen(QPen(Qt::gray, 2, Qt::DashLine));
    painter.drawRect(kCodeArea.adjusted(1, 1, -1, -1));
    painter.setPen(Qt::black);
    painter.setFont(CjkFont(14, true));
    painter.drawText(kCodeArea, Qt::AlignCenter, QString::fromUtf8("点击此处，\n在浏览器中打开\n验证码页面"));
    painter.setFont(CjkFont(10.5, false));
    painter.drawText(QRect(8, 232, kWidth - 16, 62), Qt::AlignCenter,
                     QString::fromUtf8("用手机扫描页面上的二维码，\n然后输入验证码"));
}

}  // namespace

QPixmap SignInPicture(const std::optional<std::string>& phonePageUrl) {
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    if (phonePageUrl) {
        DrawCode(painter, *phonePageUrl);
        painter.setPen(Qt::black);
        DrawSteps(painter);
    } else {
        DrawClickInstead(painter);
    }
    return QPixmap::fromImage(image);
}

}  // namespace sentrel
