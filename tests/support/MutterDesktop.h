#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/wayland/PipeWireFrames.h"
#include "support/WaylandSession.h"

namespace sentrel::testing {

// A test's hands and eyes on a mutter or GNOME Shell session, through
// mutter's own remote-desktop and screen-cast interfaces, which ask nobody:
// a pointer that clicks at output pixels, a keyboard, and the monitor's
// frames, read as Sentrel reads a portal's cast. Needs a QCoreApplication.
class MutterDesktop : public QObject {
    Q_OBJECT
public:
    // Throws std::runtime_error when the cast does not start.
    explicit MutterDesktop(const WaylandSession& mutter);
    ~MutterDesktop() override;

    PipeWireFrames& Screen() { return *frames_; }
    // The colours of a short line of pixels through a point.
    std::vector<std::int32_t> Around(ScreenPoint at);
    // Clicks a control that shows when the pointer is over it, once it shows:
    // mutter passes a move on with its next frame, and a press sent before
    // that lands where the pointer was. The pointer then leaves for the
    // screen's far corner, so that a click here again shows its coming too.
    // False when the control never showed it.
    bool Click(ScreenPoint at);
    // Pressed at one point, let go at another (the same for a click on what
    // shows no hover); then the pointer leaves for the screen's far corner.
    void Drag(ScreenPoint from, ScreenPoint to);
    // One key, pressed and let go (ASCII characters are their own keysyms).
    void Key(std::uint32_t keysym);

    // GNOME's "Screen Share" dialog, centred on a 1920x1080 output, answered
    // once it shows until `answered`: the monitor chosen and Share pressed,
    // or Cancel.
    bool AnswerShare(bool share, const std::function<bool()>& answered);

private slots:
    void StreamAdded(uint node) { node_ = node; }

private:
    void Move(ScreenPoint to);
    void Call(const QString& method, const QList<QVariant>& arguments = {});

    QDBusConnection bus_;
    QString session_, stream_;
    std::uint32_t node_ = 0;
    std::unique_ptr<PipeWireFrames> frames_;
};

}  // namespace sentrel::testing
