#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QVariantMap>
#include <cstdint>
#include <functional>
#include <string>

namespace sentrel {

// Asks the desktop's screen-cast portal (org.freedesktop.portal.ScreenCast)
// for a PipeWire stream of one monitor, without ever waiting on the UI
// thread: each step's answer comes as a signal. The desktop asks the user
// once, in its own dialog; the token it then gives is kept in the user's
// config folder, and spares later starts the question.
class ScreenCastPortal : public QObject {
    Q_OBJECT

public:
    using Started = std::function<void(int remote, std::uint32_t node)>;
    using Failed = std::function<void(const std::string& why)>;

    // tokenFile: where the restore token is kept.
    ScreenCastPortal(QDBusConnection bus, QString tokenFile, Started started, Failed failed);
    // Whether the session offers the portal; asked once at start, blocking.
    static bool Offered(QDBusConnection bus);
    void Start();

private slots:
    void Response(uint response, const QVariantMap& results);

private:
    enum class Step { CreateSession, SelectSources, Start };
    void Call(Step step, const QString& method, QList<QVariant> arguments);
    void Fail(const std::string& why);
    void OpenRemote(std::uint32_t node);

    QDBusConnection bus_;
    QString tokenFile_;
    Started started_;
    Failed failed_;
    Step step_ = Step::CreateSession;
    QString session_;
    QString request_;
    int requests_ = 0;
};

}  // namespace sentrel
