#include "platform/linux/ResponsiveTransport.h"

#include <QEventLoop>
#include <QMetaObject>
#include <thread>

#include "client/HttpPost.h"

namespace sentrel {

std::optional<HttpReply> ResponsiveTransport::Post(const std::string& url, const std::string& body) {
    std::optional<HttpReply> reply;
    QEventLoop waiting;
    std::thread worker([&] {
        reply = PostQuietly(inner_, url, body);
        QMetaObject::invokeMethod(&waiting, &QEventLoop::quit, Qt::QueuedConnection);
    });
    waiting.exec(QEventLoop::ExcludeUserInputEvents);
    worker.join();
    return reply;
}

}  // namespace sentrel
