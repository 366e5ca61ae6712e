#include "platform/qt/LinkedPicture.h"

#include <QDesktopServices>
#include <QMouseEvent>
#include <utility>

namespace sentrel {

LinkedPicture::LinkedPicture(const QPixmap& picture, QUrl link, QWidget* parent)
    : QLabel(parent), link_(std::move(link)) {
    setPixmap(picture);
    setCursor(Qt::PointingHandCursor);
}

void LinkedPicture::mousePressEvent(QMouseEvent* event) {
    // Other buttons go on to the window, which starts no area over a
    // child; the left one is taken here so that its release comes back.
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    pressed_ = true;
    event->accept();
}

void LinkedPicture::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    // As with a button, a press dragged off the picture before release
    // opens nothing.
    const bool clicked = pressed_ && rect().contains(event->position().toPoint());
    pressed_ = false;
    event->accept();
    if (clicked && link_.isValid()) QDesktopServices::openUrl(link_);
}

}  // namespace sentrel
