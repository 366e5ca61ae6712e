#pragma once

#include <QLabel>
#include <QPixmap>
#include <QUrl>

class QMouseEvent;

namespace sentrel {

// A picture that opens a page in the desktop's browser when clicked: the
// sign-in picture opens the code page, for whoever sits at the desktop
// rather than holding a phone.
class LinkedPicture : public QLabel {
public:
    LinkedPicture(const QPixmap& picture, QUrl link, QWidget* parent);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QUrl link_;
    bool pressed_ = false;
};

}  // namespace sentrel
