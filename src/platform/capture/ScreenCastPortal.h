#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
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
// config folder, and spares later starts the question, where the portal is
// recent enough to give one (version 4).
class ScreenCastPortal : public QObject {
    Q_OBJECT

public:
    // remote: a PipeWire connection's file descriptor, the receiver's to close.
    using Started = std::function<void(int remote, std::uint32_t node)>;
    using Failed = std::function<void(const std::string& why)>;
    using Closed = std::function<void()>;

    // tokenFile: where the restore token is kept. closed: the desktop has
    // ended the session of a stream it started.
    ScreenCastPortal(QDBusConnection bus, QString tokenFile, Started started, Failed failed, Closed closed);
    // Closes the session, so that the desktop no longer shows the screen as
    // shared.
    ~ScreenCastPortal() override;
    // Whether the session offers the portal; asked once at start, blocking.
    static bool Offered(QDBusConnection bus);
    // Asks for a stream in a session of its own, after closing the last one.
    // An ask ends in `started` or `failed`, once, unless closed before.
    void Start();
    // Gives up the ask under way, whose answer then goes unheard, with the
    // desktop's dialog; closes the session.
    void Close();

private slots:
    void Response(uint response, const QVariantMap& results, const QDBusMessage& message);
    void SessionClosed(const QDBusMessage& message);

private:
    enum class Step { Version, CreateSession, SelectSources, Start, OpenRemote, Done };
    void Call(Step step, const QString& method, QList<QVariant> arguments);
    void Answered(std::uint32_t version);
    void Fail(const std::string& why);
    void OpenRemote(std::uint32_t node);
    void Leave(QDBus::CallMode mode);
    // Runs `answer` with a pending call's reply unless the ask has changed.
    template <typename Answer>
    void OnReply(const QDBusMessage& call, Answer answer);

    QDBusConnection bus_;
    QString tokenFile_;
    Started started_;
    Failed failed_;
    Closed closed_;
    Step step_ = Step::Done;
    std::uint32_t version_ = 0;
    // Counts asks and closes: a reply to an older one is dropped.
    int ask_ = 0;
    QString session_;
    QString request_;
    int requests_ = 0;
};

}  // namespace sentrel
