#pragma once

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusVariant>
#include <QObject>
#include <QString>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

#include "platform/wayland/PipeWireFrames.h"
#include "support/BusCall.h"
#include "support/Waiting.h"
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
    explicit MutterDesktop(const WaylandSession& mutter)
        : bus_(QDBusConnection::connectToBus(QString::fromStdString(mutter.BusAddress()),
                                             QString::fromStdString(mutter.BusAddress()))) {
        // mutter takes its names on the bus a little after its display is up.
        const auto created = [&] {
            session_ =
                ReturnedPath(BusCall(bus_, kRemote, "/org/gnome/Mutter/RemoteDesktop", kRemote, "CreateSession"));
            return !session_.isEmpty();
        };
        if (!WaitFor(created, std::chrono::seconds(10))) throw std::runtime_error("mutter offers no remote desktop");
        const QDBusMessage id = BusCall(bus_, kRemote, session_, "org.freedesktop.DBus.Properties", "Get",
                                        {kRemote + ".Session", QString("SessionId")});
        // The cast is the remote desktop's, so that pointer positions are its pixels.
        const QString cast = ReturnedPath(BusCall(
            bus_, kCast, "/org/gnome/Mutter/ScreenCast", kCast, "CreateSession",
            {QVariantMap{{"remote-desktop-session-id", id.arguments().value(0).value<QDBusVariant>().variant()}}}));
        stream_ = ReturnedPath(BusCall(bus_, kCast, cast, kCast + ".Session", "RecordMonitor",
                                       {QString(), QVariantMap{{"cursor-mode", QVariant::fromValue(0u)}}}));
        bus_.connect(kCast, stream_, kCast + ".Stream", "PipeWireStreamAdded", this, SLOT(StreamAdded(uint)));
        Call("Start");
        if (!WaitFor([&] { return QCoreApplication::processEvents(), node_ != 0; }, std::chrono::seconds(10))) {
            throw std::runtime_error("mutter's cast did not start");
        }
        ::setenv("XDG_RUNTIME_DIR", mutter.RuntimeDir().c_str(), 1);  // where PipeWire listens
        frames_ = std::make_unique<PipeWireFrames>(-1, node_);
    }
    ~MutterDesktop() override {
        frames_.reset();
        Call("Stop");
        QDBusConnection::disconnectFromBus(bus_.name());
    }

    PipeWireFrames& Screen() { return *frames_; }
    // The colours of a short line of pixels through a point.
    std::vector<std::int32_t> Around(ScreenPoint at) {
        std::vector<ScreenPoint> points;
        for (int dx = -12; dx <= 12; ++dx) points.push_back({at.x + dx, at.y});
        std::vector<std::int32_t> colours(points.size());
        frames_->Read(points, colours);
        return colours;
    }
    // Clicks a control that shows when the pointer is over it, once it shows:
    // mutter passes a move on with its next frame, and a press sent before
    // that lands where the pointer was. The pointer then leaves for the
    // screen's far corner, so that a click here again shows its coming too.
    // False when the control never showed it.
    bool Click(ScreenPoint at) {
        const std::vector<std::int32_t> before = Around(at);
        Move(at);
        if (!WaitFor([&] { return Around(at) != before; }, std::chrono::seconds(10))) return false;
        Drag(at, at);
        return true;
    }
    // Pressed at one point, let go at another (the same for a click on what
    // shows no hover); then the pointer leaves for the screen's far corner.
    void Drag(ScreenPoint from, ScreenPoint to) {
        Move(from);
        Call("NotifyPointerButton", {kLeftButton, true});
        Move(to);
        Call("NotifyPointerButton", {kLeftButton, false});
        // Not the first corner: there GNOME Shell opens its Overview.
        Move({frames_->OutputPixelWidth() - 1, frames_->OutputPixelHeight() - 1});
    }
    // One key, pressed and let go (ASCII characters are their own keysyms).
    void Key(std::uint32_t keysym) {
        for (const bool pressed : {true, false}) Call("NotifyKeyboardKeysym", {keysym, pressed});
    }

    // GNOME's "Screen Share" dialog, centred on a 1920x1080 output, answered
    // once it shows until `answered`: the monitor chosen and Share pressed,
    // or Cancel.
    bool AnswerShare(bool share, const std::function<bool()>& answered) {
        // The dialog's white monitor row shows it; Share greys until the row is chosen.
        constexpr ScreenPoint kMonitor{960, 582}, kShare{1172, 428}, kCancel{750, 428};
        const auto shown = [&] { return Around(kMonitor) == std::vector<std::int32_t>(25, 0xFFFFFF); };
        if (!WaitFor(shown, std::chrono::seconds(20))) return false;
        if (!share) return ClickUntil([&] { return Click(kCancel); }, answered);
        const std::vector<std::int32_t> unchosen = Around(kShare);
        return ClickUntil([&] { return Click(kMonitor); }, [&] { return Around(kShare) != unchosen; }) &&
               ClickUntil([&] { return Click(kShare); }, answered);
    }

private slots:
    void StreamAdded(uint node) { node_ = node; }

private:
    static constexpr int kLeftButton = 0x110;  // BTN_LEFT
    inline static const QString kRemote = "org.gnome.Mutter.RemoteDesktop", kCast = "org.gnome.Mutter.ScreenCast";

    void Move(ScreenPoint to) {
        Call("NotifyPointerMotionAbsolute", {stream_, static_cast<double>(to.x), static_cast<double>(to.y)});
    }
    void Call(const QString& method, const QList<QVariant>& arguments = {}) {
        BusCall(bus_, kRemote, session_, kRemote + ".Session", method, arguments);
    }

    QDBusConnection bus_;
    QString session_, stream_;
    std::uint32_t node_ = 0;
    std::unique_ptr<PipeWireFrames> frames_;
};

}  // namespace sentrel::testing
