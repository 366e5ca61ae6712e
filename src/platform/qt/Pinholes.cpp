#include "platform/qt/Pinholes.h"

#include <QPaintEvent>
#include <QPainter>
#include <cmath>

#include "monitor/SampleArea.h"
#include "platform/qt/BgrColour.h"
#include "platform/windowkind/CornerMark.h"

namespace sentrel {

Pinholes::Pinholes(QWidget& window, std::function<double()> pixelsPerUnit)
    : QWidget(&window), pixelsPerUnit_(std::move(pixelsPerUnit)) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setGeometry(window.rect());
    window.installEventFilter(this);
}

bool Pinholes::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize) setGeometry(static_cast<QWidget*>(watched)->rect());
    if (event->type() == QEvent::ChildAdded) raise();
    return false;
}

void Pinholes::Add(const Outline& outline) {
    const std::vector<ScreenPoint> grid = SampleGrid(outline.x1, outline.y1, outline.x2, outline.y2);
    points_.insert(points_.end(), grid.begin(), grid.end());
    update();
}

void Pinholes::Clear() {
    points_.clear();
    update();
}

void Pinholes::paintEvent(QPaintEvent* event) {
    const double ratio = pixelsPerUnit_();
    const int margin = ratio == std::floor(ratio) ? 0 : 1;
    QPainter painter(this);
    painter.setClipRegion(event->region());
    painter.setCompositionMode(QPainter::CompositionMode_Clear);
    for (const ScreenPoint& p : points_) {
        painter.fillRect(p.x - margin, p.y - margin, 1 + 2 * margin, 1 + 2 * margin, Qt::transparent);
    }
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    constexpr int block = CornerMark::kBlockUnits;
    for (std::size_t i = 0; i < CornerMark::kColours.size(); ++i) {
        painter.fillRect(static_cast<int>(i) * block, 0, block, block, ToQColor(CornerMark::kColours[i]));
    }
}

}  // namespace sentrel
