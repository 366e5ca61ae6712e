#include "platform/capture/SessionLockWatch.h"

#include <unistd.h>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace sentrel {
namespace {

const QString kLogin = "org.freedesktop.login1";
const QString kSession = "org.freedesktop.login1.Session";

}  // namespace

SessionLockWatch::SessionLockWatch(QDBusConnection system, QDBusConnection session) : system_(std::move(system)) {
    // Any path: KDE tells on two.
    session.connect("org.freedesktop.ScreenSaver", "", "org.freedesktop.ScreenSaver", "ActiveChanged", this,
                    SLOT(FreedesktopActiveChanged(bool)));
    session.connect("org.gnome.ScreenSaver", "", "org.gnome.ScreenSaver", "ActiveChanged", this,
                    SLOT(GnomeActiveChanged(bool)));
    // The session the desktop was started in, else the one this process is
    // in; asked without waiting, since a system bus may be slow to answer.
    const QByteArray id = qgetenv("XDG_SESSION_ID");
    QDBusMessage find =
        QDBusMessage::createMethodCall(kLogin, "/org/freedesktop/login1", "org.freedesktop.login1.Manager",
                                       id.isEmpty() ? "GetSessionByPID" : "GetSession");
    find << (id.isEmpty() ? QVariant(static_cast<uint>(getpid())) : QVariant(QString::fromUtf8(id)));
    auto* watcher = new QDBusPendingCallWatcher(system_.asyncCall(find), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* answer) {
        const QDBusPendingReply<QDBusObjectPath> path = *answer;
        answer->deleteLater();
        if (path.isError()) return;
        system_.connect(kLogin, path.value().path(), "org.freedesktop.DBus.Properties", "PropertiesChanged", this,
                        SLOT(SessionChanged(QString, QVariantMap)));
    });
}

void SessionLockWatch::SessionChanged(const QString& interface, const QVariantMap& changed) {
    if (interface == kSession && changed.contains("LockedHint")) lockedHint_ = changed.value("LockedHint").toBool();
}

}  // namespace sentrel
