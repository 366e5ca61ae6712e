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

void DrawCode(QPainter& painter, const QString& text, const QRect& area) {
    const QrModules code = EncodeQr(text.toStdString());
    const double module = static_cast<double>(area.width()) / code.side;
    for (int y = 0; y < code.side; ++y) {
        for (int x = 0; x < code.side; ++x) {
            if (!code.Dark(x, y)) continue;
            painter.fillRect(QRectF(area.left() + x * module, area.top() + y * module, module, module), Qt::black);
        }
    }
}

}  // namespace

QPixmap SignInPicture(const QString& codePageUrl) {
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    DrawCode(painter, codePageUrl, QRect((kWidth - kCodeSide) / 2, 8, kCodeSide, kCodeSide));
    painter.setPen(Qt::black);
    painter.setFont(CjkFont(10.5, false));
    painter.drawText(QRect(8, 232, kWidth - 16, 30), Qt::AlignLeft | Qt::AlignVCenter,
                     QString::fromUtf8("1. 用手机扫描二维码，打开通知服务"));
    painter.drawText(QRect(8, 264, kWidth - 16, 30), Qt::AlignLeft | Qt::AlignVCenter,
                     QString::fromUtf8("2. 在打开的页面上获取验证码"));
    return QPixmap::fromImage(image);
}

}  // namespace sentrel
