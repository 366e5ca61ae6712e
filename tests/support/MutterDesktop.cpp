#include "support/MutterDesktop.h"

#include <QCoreApplication>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QRect>

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

#include "support/BusCall.h"
#include "support/Waiting.h"

namespace sentrel::testing {
namespace {

const QString kRemote = "org.gnome.Mutter.RemoteDesktop", kCast = "org.gnome.Mutter.ScreenCast";
constexpr int kLeftButton = 0x110;  // BTN_LEFT

}  // namespace

MutterDesktop::MutterDesktop(const WaylandSession& mutter)
    : bus_(QDBusConnection::connectToBus(QString::fromStdString(mutter.BusAddress()),
                                         QString::fromStdString(mutter.BusAddress()))) {
    // mutter takes its names on the bus a little after its display is up.
    const auto created = [&] {
        session_ = ReturnedPath(BusCall(bus_, kRemote, "/org/gnome/Mutter/RemoteDesktop", kRemote, "CreateSession"));
        return !session_.isEmpty();
    };
    if (!WaitFor(created, std::chrono::seconds(10))) throw std::runtime_error("mutter offers no remote desktop");
    const QDBusMessage id = BusCall(bus_, kRemote, session_, "org.freedesktop.DBus.Properties", "Get",
                                    {kRemote + ".Session", QString("SessionId")});
    // The cast is the remote desktop's, so that pointer positions are its pixels.
    const QString cast = ReturnedPath(
        BusCall(bus_, kCast, "/org/gnome/Mutter/ScreenCast", kCast, "CreateSession",
                {QVariantMap{{"remote-desktop-session-id", id.arguments().value(0).value<QDBusVariant>().variant()}}}));
    stream_ = ReturnedPath(BusCall(bus_, kCast, cast, kCast + ".Session", "RecordMonitor",
                                   {QString(), QVariantMap{{"cursor-mode", QVariant::fromValue(0u)}}}));
    bus_.connect(kCast, stream_, kCast + ".Stream", "PipeWireStreamAdded", this, SLOT(StreamAdded(uint)));
    Call("Start");
    const bool added = WaitFor(
        [&] {
            QCoreApplication::processEvents();
            return node_ != 0;
        },
        std::chrono::seconds(10));
    if (!added) throw std::runtime_error("mutter's cast did not start");
    ::setenv("XDG_RUNTIME_DIR", mutter.RuntimeDir().c_str(), 1);  // where PipeWire listens
    frames_ = std::make_unique<PipeWireFrames>(-1, node_);
    // What follows looks at the screen: the first frame, before anything else starts.
    const std::vector<ScreenPoint> corner{{0, 0}};
    std::vector<std::int32_t> colour(1);
    const auto framed = [&] {
        frames_->Read(corner, colour);
        return colour[0] != ScreenPixels::kUnreadable;
    };
    if (!WaitFor(framed, std::chrono::seconds(20))) throw std::runtime_error("mutter's cast gave no frame");
}

MutterDesktop::~MutterDesktop() {
    frames_.reset();
    Call("Stop");
    QDBusConnection::disconnectFromBus(bus_.name());
}

std::vector<std::int32_t> MutterDesktop::Around(ScreenPoint at) {
    std::vector<ScreenPoint> points;
    for (int dx = -12; dx <= 12; ++dx) points.push_back({at.x + dx, at.y});
    std::vector<std::int32_t> colours(points.size());
    frames_->Read(points, colours);
    return colours;
}

bool MutterDesktop::Click(ScreenPoint at) {
    const std::vector<std::int32_t> before = Around(at);
    Move(at);
    if (!WaitFor([&] { return Around(at) != before; }, std::chrono::seconds(10))) return false;
    Drag(at, at);
    return true;
}

void MutterDesktop::Drag(ScreenPoint from, ScreenPoint to) {
    Move(from);
    Call("NotifyPointerButton", {kLeftButton, true});
    Move(to);
    Call("NotifyPointerButton", {kLeftButton, false});
    // Not the first corner: there GNOME Shell opens its Overview.
    Move({frames_->OutputPixelWidth() - 1, frames_->OutputPixelHeight() - 1});
}

void MutterDesktop::Type(const std::string& text) {
    for (const char c : text) Key(static_cast<unsigned char>(c));
}

void MutterDesktop::Key(std::uint32_t keysym) {
    for (const bool pressed : {true, false}) Call("NotifyKeyboardKeysym", {keysym, pressed});
}

std::optional<ShareDialog> MutterDesktop::AskingToShare() {
    const int width = frames_->OutputPixelWidth(), height = frames_->OutputPixelHeight();
    std::vector<ScreenPoint> points;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) points.push_back({x, y});
    }
    std::vector<std::int32_t> colours(points.size());
    frames_->Read(points, colours);
    // 0x00BBGGRR, and -1 where nothing was read. The dialog is what is light
    // far around (not text, such as GNOME Shell's clock or a notification's).
    // The blue "Share" button is on the right of the header bar along its
    // top (not the blue focus ring lower down), "Cancel" as far in from the
    // left; the monitor, the white row down its middle.
    const auto light = [&](int x, int y) {
        const std::int32_t c = x >= 0 && y >= 0 && x < width && y < height ? colours[y * width + x] : -1;
        return c >= 0 && std::min({c & 0xFF, (c >> 8) & 0xFF, c >> 16}) >= 0xD0;
    };
    const auto blue = [](std::int32_t c) { return c >= 0 && c >> 16 >= 0xD0 && c >> 16 >= (c & 0xFF) + 0x30; };
    constexpr int kFar = 20;
    QRect dialog, share, monitor;
    for (const ScreenPoint p : points) {
        if (light(p.x, p.y) && light(p.x - kFar, p.y) && light(p.x + kFar, p.y) && light(p.x, p.y - kFar) &&
            light(p.x, p.y + kFar)) {
            dialog |= QRect(p.x, p.y, 1, 1);
        }
    }
    if (dialog.isNull()) return std::nullopt;
    dialog.adjust(-kFar, -kFar, kFar, kFar);
    const int middle = dialog.center().x(), headerBar = dialog.top() + (dialog.bottom() - dialog.top()) / 4;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const ScreenPoint p = points[i];
        if (!dialog.contains(p.x, p.y)) continue;
        if (p.x > middle && p.y < headerBar && blue(colours[i])) share |= QRect(p.x, p.y, 1, 1);
        if (p.x == middle && colours[i] == 0xFFFFFF) monitor |= QRect(p.x, p.y, 1, 1);
    }
    if (share.isNull() || monitor.isNull()) return std::nullopt;
    const QPoint shareAt = share.center(), monitorAt = monitor.center();
    return ShareDialog{{monitorAt.x(), monitorAt.y()},
                       {shareAt.x(), shareAt.y()},
                       {dialog.left() + dialog.right() - shareAt.x(), shareAt.y()}};
}

bool MutterDesktop::Share(const ShareDialog& dialog, const std::function<bool()>& shared) {
    const std::vector<std::int32_t> unchosen = Around(dialog.share);
    return ClickUntil([&] { return Click(dialog.monitor); }, [&] { return Around(dialog.share) != unchosen; }) &&
           ClickUntil([&] { return Click(dialog.share); }, shared);
}

void MutterDesktop::Move(ScreenPoint to) {
    Call("NotifyPointerMotionAbsolute", {stream_, static_cast<double>(to.x), static_cast<double>(to.y)});
}

void MutterDesktop::Call(const QString& method, const QList<QVariant>& arguments) {
    BusCall(bus_, kRemote, session_, kRemote + ".Session", method, arguments);
}

}  // namespace sentrel::testing
