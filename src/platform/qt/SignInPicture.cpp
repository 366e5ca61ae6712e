#include "platform/qt/SignInPicture.h"

#include <qrencode.h>

#include <QImage>
#include <QPainter>
#include <memory>

#include "platform/qt/CjkFonts.h"

namespace sentrel {
namespace {

constexpr int kWidth = 251;
constexpr int kHeight = 307;
constexpr int kCodeSide = 211;

struct QrFree {
    void operator()(QRcode* code) const { QRcode_free(code); }
};

void DrawCode(QPainter& painter, const QString& text, const QRect& area) {
    const QByteArray bytes = text.toUtf8();
    const std::unique_ptr<QRcode, QrFree> code(QRcode_encodeString(bytes.constData(), 0, QR_ECLEVEL_M, QR_MODE_8, 1));
    if (!code) return;
    // Four modules of quiet zone on each side.
    const int modules = code->width + 8;
    const double module = static_cast<double>(area.width()) / modules;
    for (int y = 0; y < code->width; ++y) {
        for (int x = 0; x < code->width; ++x) {
            if ((code->data[y * code->width + x] & 1) == 0) continue;
            painter.fillRect(QRectF(area.left() + (x + 4) * module, area.top() + (y + 4) * module, module, module),
                             Qt::black);
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
