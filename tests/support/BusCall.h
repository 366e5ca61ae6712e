#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QList>
#include <QString>
#include <QVariant>

namespace sentrel::testing {

// A blocking call on a D-Bus connection, without the introspection that
// QDBusInterface does, whose cache outlives the connection.
inline QDBusMessage BusCall(const QDBusConnection& bus, const QString& service, const QString& path,
                            const QString& interface, const QString& method, const QList<QVariant>& arguments = {}) {
    QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, method);
    call.setArguments(arguments);
    return bus.call(call);
}

// The object path a call answered with, empty when it failed.
inline QString ReturnedPath(const QDBusMessage& reply) {
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()
               ? reply.arguments().first().value<QDBusObjectPath>().path()
               : QString();
}

}  // namespace sentrel::testing
