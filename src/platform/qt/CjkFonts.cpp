#include "platform/qt/CjkFonts.h"

#include <QStringList>

#include "app/ViewConventions.h"

namespace sentrel {

QFont CjkFont(double points, bool bold) {
    QFont font;
    font.setFamilies(QStringList{QStringLiteral("SimSun"), QString::fromUtf8("宋体"), QStringLiteral("NSimSun"),
                                 QStringLiteral("WenQuanYi Zen Hei"), QStringLiteral("Noto Sans CJK SC")});
    // The layout is in pixels at 96 dpi; pixel sizes keep text in its boxes
    // whatever dpi the display reports.
    font.setPixelSize(FontPixels(points));
    font.setBold(bold);
    return font;
}

}  // namespace sentrel
