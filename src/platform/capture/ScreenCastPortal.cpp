#include "platform/capture/ScreenCastPortal.h"

#include <fcntl.h>
#include <QDBusArgument>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusUnixFileDescriptor>
#include <QDBusVariant>
#include <QFile>
#include <cerrno>
#include <cstring>

#include "log/ToolLog.h"
#include "platform/capture/RestoreTokenFile.h"

namespace sentrel {
namespace {

const QString kService = "org.freedesktop.portal.Desktop";
const QString kPath = "/org/freedesktop/portal/desktop";
const QString kScreenCast = "org.freedesktop.portal.ScreenCast";
const QString kRequest = "org.freedesktop.portal.Request";
const QString kSession = "org.freedesktop.portal.Session";
constexpr uint kMonitor = 1;
constexpr uint kCursorHidden = 1;
// Kept until the user revokes it, not only while Sentrel runs.
constexpr uint kPersistUntilRevoked = 2;
// The first version that keeps a consent: older portals know neither
// persist_mode nor restore_token.
constexpr std::uint32_t kKeepsConsent = 4;
// The portal's answer when the user says no.
constexpr uint kCancelled = 1;
// How long Sentrel's end may wait for the desktop to close the session.
constexpr int kCloseWaitMs = 1000;

// The node of the last stream in Start's results: KDE's portal can list
// more than the one asked for, the one chosen last.
std::uint32_t LastNode(const QVariant& streams) {
    if (!streams.canConvert<QDBusArgument>()) return 0;
    const QDBusArgument list = streams.value<QDBusArgument>();
    std::uint32_t node = 0;
    list.beginArray();
    while (!list.atEnd()) {
        QVariantMap properties;
        list.beginStructure();
        list >> node >> properties;
        list.endStructure();
    }
    list.endArray();
    return node;
}

}  // namespace

ScreenCastPortal::ScreenCastPortal(QDBusConnection bus, QString tokenFile, Started started, Failed failed,
                                   Closed closed)
    : bus_(std::move(bus)),
      tokenFile_(std::move(tokenFile)),
      started_(std::move(started)),
      failed_(std::move(failed)),
      closed_(std::move(closed)) {}

ScreenCastPortal::~ScreenCastPortal() { Leave(QDBus::Block); }

bool ScreenCastPortal::Offered(QDBusConnection bus) {
    QDBusMessage get = QDBusMessage::createMethodCall(kService, kPath, "org.freedesktop.DBus.Properties", "Get");
    get << kScreenCast << QString("version");
    return bus.call(get, QDBus::Block, 5000).type() == QDBusMessage::ReplyMessage;
}

void ScreenCastPortal::Start() {
    Leave(QDBus::NoBlock);
    step_ = Step::Version;
    QDBusMessage get = QDBusMessage::createMethodCall(kService, kPath, "org.freedesktop.DBus.Properties", "Get");
    get << kScreenCast << QString("version");
    OnReply(get, [this](const QDBusMessage& reply) {
        if (reply.type() != QDBusMessage::ReplyMessage) {
            Fail("the screen-cast portal gave no version: " + reply.errorMessage().toStdString());
            return;
        }
        version_ = reply.arguments().value(0).value<QDBusVariant>().variant().toUInt();
        Call(Step::CreateSession, "CreateSession",
             {QVariantMap{{"session_handle_token", QString("sentrel%1").arg(++requests_)}}});
    });
}

void ScreenCastPortal::Close() { Leave(QDBus::NoBlock); }

template <typename Answer>
void ScreenCastPortal::OnReply(const QDBusMessage& call, Answer answer) {
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, ask = ask_, answer](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        if (ask == ask_) answer(w->reply());
    });
}

void ScreenCastPortal::Call(Step step, const QString& method, QList<QVariant> arguments) {
    step_ = step;
    // The answer comes on a request object whose path the token fixes;
    // listening there before asking cannot miss it.
    const QString token = QString("sentrel%1").arg(++requests_);
    QString sender = bus_.baseService().mid(1);
    sender.replace('.', '_');
    request_ = QString("%1/request/%2/%3").arg(kPath, sender, token);
    bus_.connect(kService, request_, kRequest, "Response", this, SLOT(Response(uint, QVariantMap, QDBusMessage)));
    QVariantMap options = arguments.takeLast().toMap();
    options["handle_token"] = token;
    arguments.append(options);
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kScreenCast, method);
    call.setArguments(arguments);
    OnReply(call, [this, method](const QDBusMessage& reply) {
        if (reply.type() != QDBusMessage::ReplyMessage) {
            Fail(method.toStdString() + " failed: " + reply.errorMessage().toStdString());
        }
    });
}

void ScreenCastPortal::Response(uint response, const QVariantMap& results, const QDBusMessage& message) {
    // An answer to an ask given up, which may have been on its way.
    if (message.path() != request_) return;
    bus_.disconnect(kService, request_, kRequest, "Response", this, SLOT(Response(uint, QVariantMap, QDBusMessage)));
    request_.clear();
    if (response == kCancelled) {
        Fail("the screen cast was not allowed");
        return;
    }
    if (response != 0) {
        Fail("the screen-cast portal gave up");
        return;
    }
    switch (step_) {
        case Step::CreateSession: {
            session_ = results.value("session_handle").toString();
            bus_.connect(kService, session_, kSession, "Closed", this, SLOT(SessionClosed(QDBusMessage)));
            QVariantMap options{{"types", kMonitor}, {"multiple", false}, {"cursor_mode", kCursorHidden}};
            if (version_ >= kKeepsConsent) {
                options["persist_mode"] = kPersistUntilRevoked;
                QFile saved(tokenFile_);
                if (saved.open(QIODevice::ReadOnly))
                    options["restore_token"] = QString::fromUtf8(saved.readAll()).trimmed();
            }
            Call(Step::SelectSources, "SelectSources", {QVariant::fromValue(QDBusObjectPath(session_)), options});
            break;
        }
        case Step::SelectSources:
            Call(Step::Start, "Start", {QVariant::fromValue(QDBusObjectPath(session_)), QString(), QVariantMap{}});
            break;
        case Step::Start: {
            const QString token = results.value("restore_token").toString();
            if (!token.isEmpty()) KeepRestoreToken(QFile::encodeName(tokenFile_).toStdString(), token.toStdString());
            const std::uint32_t node = LastNode(results.value("streams"));
            if (node == 0) {
                Fail("the screen-cast portal gave no stream");
                return;
            }
            OpenRemote(node);
            break;
        }
        case Step::Version:
        case Step::OpenRemote:
        case Step::Done:
            break;
    }
}

void ScreenCastPortal::SessionClosed(const QDBusMessage& message) {
    if (message.path() != session_) return;
    bus_.disconnect(kService, session_, kSession, "Closed", this, SLOT(SessionClosed(QDBusMessage)));
    session_.clear();
    Say("the desktop has closed the screen-cast session");
    if (step_ == Step::Done) {
        closed_();
    } else {
        Fail("the desktop closed the screen-cast session");
    }
}

void ScreenCastPortal::OpenRemote(std::uint32_t node) {
    step_ = Step::OpenRemote;
    QDBusMessage open = QDBusMessage::createMethodCall(kService, kPath, kScreenCast, "OpenPipeWireRemote");
    open << QVariant::fromValue(QDBusObjectPath(session_)) << QVariantMap{};
    OnReply(open, [this, node](const QDBusMessage& reply) {
        const auto remote = reply.arguments().value(0).value<QDBusUnixFileDescriptor>();
        if (reply.type() != QDBusMessage::ReplyMessage || !remote.isValid()) {
            Fail("the screen-cast portal gave no PipeWire connection");
            return;
        }
        // The descriptor object closes its own copy; this one must not pass
        // to the programs that an alert may start.
        const int fd = ::fcntl(remote.fileDescriptor(), F_DUPFD_CLOEXEC, 3);
        if (fd < 0) {
            Fail(std::string("the PipeWire connection could not be kept: ") + std::strerror(errno));
            return;
        }
        step_ = Step::Done;
        started_(fd, node);
    });
}

void ScreenCastPortal::Fail(const std::string& why) {
    Leave(QDBus::NoBlock);
    failed_(why);
}

void ScreenCastPortal::Leave(QDBus::CallMode mode) {
    ++ask_;
    step_ = Step::Done;
    if (!request_.isEmpty()) {
        bus_.disconnect(kService, request_, kRequest, "Response", this,
                        SLOT(Response(uint, QVariantMap, QDBusMessage)));
        // Takes the desktop's dialog away, if it still shows.
        bus_.call(QDBusMessage::createMethodCall(kService, request_, kRequest, "Close"), QDBus::NoBlock);
        request_.clear();
    }
    if (!session_.isEmpty()) {
        bus_.disconnect(kService, session_, kSession, "Closed", this, SLOT(SessionClosed(QDBusMessage)));
        bus_.call(QDBusMessage::createMethodCall(kService, session_, kSession, "Close"), mode, kCloseWaitMs);
        session_.clear();
    }
}

}  // namespace sentrel
