#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QVariantMap>

namespace sentrel {

// Whether the desktop says the session is locked or its screen blanked:
// logind's LockedHint for this session, which lockers and desktops set, and
// the ActiveChanged signals of the freedesktop and GNOME screen savers. A bus
// or a service that is not there announces nothing.
class SessionLockWatch : public QObject {
    Q_OBJECT

public:
    // system: where logind is; session: where the screen savers are.
    SessionLockWatch(QDBusConnection system, QDBusConnection session);

    bool Announced() const { return lockedHint_ || freedesktopActive_ || gnomeActive_; }

private slots:
    void SessionChanged(const QString& interface, const QVariantMap& changed);
    void FreedesktopActiveChanged(bool active) { freedesktopActive_ = active; }
    void GnomeActiveChanged(bool active) { gnomeActive_ = active; }

private:
    QDBusConnection system_;
    bool lockedHint_ = false;
    bool freedesktopActive_ = false;
    bool gnomeActive_ = false;
};

}  // namespace sentrel
