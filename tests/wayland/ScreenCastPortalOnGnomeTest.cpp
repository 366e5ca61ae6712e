#include <gtest/gtest.h>

#include <sys/stat.h>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusObjectPath>

#include <thread>

#include "support/BusCall.h"
#include "support/SentrelLayout.h"
#include "support/ServiceProcess.h"
#include "support/Waiting.h"
#include "support/WaylandSession.h"

namespace sentrel {
namespace {

using namespace std::chrono_literals;
using namespace testing;

// A pointer in the mutter session, through its remote-desktop interface.
class RemotePointer {
public:
    explicit RemotePointer(QDBusConnection bus) : bus_(std::move(bus)) {
        session_ = ReturnedPath(BusCall(bus_, kService, "/org/gnome/Mutter/RemoteDesktop", kService, "CreateSession"));
        Call("Start", {});
    }
    void Click(double x, double y) { Drag(x, y, x, y); }
    void Drag(double x1, double y1, double x2, double y2) {
        // Relative moves need no stream: first to the corner, then out.
        Call("NotifyPointerMotionRelative", {-10000.0, -10000.0});
        Call("NotifyPointerMotionRelative", {x1, y1});
        Call("NotifyPointerButton", {0x110, true});
        Call("NotifyPointerMotionRelative", {(x2 - x1) / 2, (y2 - y1) / 2});
        Call("NotifyPointerMotionRelative", {(x2 - x1) / 2, (y2 - y1) / 2});
        Call("NotifyPointerButton", {0x110, false});
    }
    // After a Shift: the first key of a keyboard new to the seat is lost.
    void Type(const std::string& text) {
        for (const uint key : QList<uint>{0xFFE1} + QList<uint>(text.begin(), text.end())) {
            for (const bool pressed : {true, false}) Call("NotifyKeyboardKeysym", {key, pressed});
        }
    }

private:
    void Call(const QString& method, const QList<QVariant>& arguments) {
        BusCall(bus_, kService, session_, kService + ".Session", method, arguments);
        std::this_thread::sleep_for(100ms);
    }
    inline static const QString kService = "org.gnome.Mutter.RemoteDesktop";
    QDBusConnection bus_;
    QString session_;
};

// On GNOME the desktop asks, in its "Screen Share" dialog, whether Sentrel
// may see the monitor; a refusal is told to the user; a yes, remembered
// through the token Sentrel keeps, spares every later start the question.
// Through the cast, Sentrel then watches what lies beneath its window.
TEST(ScreenCastPortalOnGnome, RefusalIsToldConsentIsKeptAndTheCastIsWatched) {
    const auto mutter = WaylandSession::Mutter(1920, 1080);
    ServiceProcess service({"--code", "4321"});
    const std::string url = "SENTREL_SERVICE_URL=" + service.Url();
    ChildProcess content(
        mutter->Inside({"QT_WAYLAND_DISABLE_WINDOWDECORATION=1", mutter->Staged(SENTREL_COLOUR_WINDOW)}));
    ASSERT_TRUE(content.Send("2040A0"));
    int argc = 0;
    QCoreApplication app(argc, nullptr);
    RemotePointer pointer(QDBusConnection::connectToBus(QString::fromStdString(mutter->BusAddress()),
                                                        QString::fromStdString(mutter->BusAddress())));
    const std::string sentrel = mutter->Staged(SENTREL_BINARY);
    const auto started = [](ChildProcess& tool) {
        return !tool.Lines(ChildProcess::Stream::Err).empty() &&
               tool.WaitForLine(ChildProcess::Stream::Err, Containing("the screen cast has started"), 0ms);
    };
    {
        // Refused: said so, and Sentrel runs on.
        ChildProcess refused(mutter->Inside({url, sentrel}));
        EXPECT_TRUE(WaitFor(
            [&] {
                pointer.Click(749, 413);  // "Cancel"
                return refused.WaitForLine(ChildProcess::Stream::Err, Containing("cannot see the screen"), 1s)
                    .has_value();
            },
            20s));
        EXPECT_TRUE(refused.Running());
    }
    {
        ChildProcess first(mutter->Inside({url, sentrel}));
        ASSERT_TRUE(first.WaitForLine(ChildProcess::Stream::Err, Containing("screen-cast portal")));
        // The monitor in the dialog's list, then its "Share" button.
        EXPECT_TRUE(WaitFor(
            [&] {
                pointer.Click(790, 565);
                pointer.Click(1172, 413);
                return WaitFor([&] { return started(first); }, 1s);
            },
            20s));
    }
    struct stat token {};
    ASSERT_EQ(stat((mutter->RuntimeDir() + "/.config/Sentrel/screencast-restore-token").c_str(), &token), 0);
    EXPECT_EQ(token.st_mode & 0777, 0600u) << "the token is its user's alone";

    ChildProcess again(mutter->Inside({url, sentrel}));
    EXPECT_TRUE(WaitFor([&] { return started(again); }, 10s)) << "started with no dialog answered";

    const Screen screen;
    const Spot codeBox = screen.InSignIn(kCodeBox), signIn = screen.InSignIn(kSignIn);
    pointer.Click(codeBox.x, codeBox.y);
    pointer.Type("4321");
    pointer.Click(signIn.x, signIn.y);
    ASSERT_TRUE(service.Process().WaitForLine(ChildProcess::Stream::Err, Containing("sign-in accepted")));
    pointer.Drag(400, 300, 600, 450);
    for (const Spot control : {screen.InToolbar(kChangeMode), screen.InToolbar(kStart)}) {
        pointer.Click(control.x, control.y);
    }
    std::this_thread::sleep_for(1500ms);
    ASSERT_TRUE(service.Process().Lines(ChildProcess::Stream::Out).empty()) << "no alert before the change";
    ASSERT_TRUE(content.Send("A0F000"));
    EXPECT_TRUE(service.Process().WaitForLine(ChildProcess::Stream::Out, Containing("\"area\":1"), 2500ms))
        << "an alert within 2.5 s of the change";
    QDBusConnection::disconnectFromBus(QString::fromStdString(mutter->BusAddress()));
}

}  // namespace
}  // namespace sentrel
