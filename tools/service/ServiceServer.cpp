#include "ServiceServer.h"

#include <sys/socket.h>

#include <chrono>
#include <cstdio>

#include "TextEscapes.h"
#include "UtcTimestamp.h"

namespace sentrel::service {
namespace {

constexpr std::size_t kMaxBodyBytes = 64 * 1024;
constexpr std::size_t kMaxLoggedTarget = 300;
constexpr std::size_t kKeepAliveRequests = 100;

// The note of the request this worker thread has just served, for the
// logger, which runs on the same thread once the reply is out.
thread_local std::optional<std::string> servedNote;

void LogRequest(const httplib::Request& request, int status, const std::string& note) {
    std::string target = Printable(request.target);
    if (target.size() > kMaxLoggedTarget) target = target.substr(0, kMaxLoggedTarget) + "...";
    std::string line = UtcTimestamp(std::chrono::system_clock::now()) + " " + std::to_string(status) + " " +
                       Printable(request.method) + " " + target;
    if (!note.empty()) line += " (" + note + ")";
    std::fprintf(stderr, "%s\n", line.c_str());
}

// HTTP/1.1: a request carries a body only when it says how long it is.
bool SaysItHasABody(const httplib::Request& request) {
    return request.has_header("Transfer-Encoding") ||
           (request.has_header("Content-Length") && request.get_header_value("Content-Length") != "0");
}

}  // namespace

ServiceServer::ServiceServer(AlertDesk& desk, AlertIntake& intake) : desk_(desk), intake_(intake) {
    const auto serve = [this](const httplib::Request& request, httplib::Response& response) {
        Serve(request, response);
    };
    // Requests without a body are served before the HTTP layer would read
    // one: for a POST without Content-Length it would otherwise wait for the
    // connection's end. Those with a body are read (within the limits below)
    // and then refused; other methods are the HTTP layer's to refuse.
    server_.set_pre_routing_handler([serve](const httplib::Request& request, httplib::Response& response) {
        const bool routed = request.method == "GET" || request.method == "POST" || request.method == "HEAD";
        if (!routed || SaysItHasABody(request)) return httplib::Server::HandlerResponse::Unhandled;
        serve(request, response);
        return httplib::Server::HandlerResponse::Handled;
    });
    server_.Get(".*", serve);
    server_.Post(".*", serve);
    server_.set_payload_max_length(kMaxBodyBytes);
    server_.set_read_timeout(kTimeoutSeconds, 0);
    server_.set_write_timeout(kTimeoutSeconds, 0);
    server_.set_keep_alive_timeout(kTimeoutSeconds);
    server_.set_keep_alive_max_count(kKeepAliveRequests);
    // A reply goes out as a head and a body; with Nagle's algorithm the body
    // waits for the client to acknowledge the head, some 40 ms on Linux.
    server_.set_tcp_nodelay(true);
    server_.new_task_queue = [] { return new httplib::ThreadPool(kMaxConnections); };
    // Not the HTTP layer's default, which adds SO_REUSEPORT: a second
    // service on the same port would then start without a word, and the
    // two would share the requests between them.
    server_.set_socket_options([this](int socket) {
        const int yes = 1;
        ::setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        listener_ = socket;
    });
    server_.set_logger([](const httplib::Request& request, const httplib::Response& response) {
        LogRequest(request, response.status, servedNote.value_or("refused by the HTTP layer"));
        servedNote.reset();
    });
}

std::optional<int> ServiceServer::Bind(const std::string& address, int port) {
    if (port == 0) {
        port = server_.bind_to_any_port(address);
        if (port <= 0) return std::nullopt;
    } else if (!server_.bind_to_port(address, port)) {
        return std::nullopt;
    }
    // The HTTP layer listens with a backlog of 5; a burst of connections
    // beyond it would wait a second for the kernel to retry them.
    ::listen(listener_, SOMAXCONN);
    return port;
}

bool ServiceServer::Listen() { return server_.listen_after_bind(); }

DeskReply ServiceServer::Reply(const httplib::Request& request) {
    // The scripts have effects (a code used up, an alert logged), which a
    // HEAD request must not trigger.
    if (request.method == "HEAD") return DeskReply{.status = 405, .note = "HEAD is not served"};
    // Parameters travel in the query string only; the HTTP layer would
    // otherwise mix in those of a form body.
    if (SaysItHasABody(request)) {
        return DeskReply{.status = 400, .body = "parameters go in the query string", .note = "refused a request body"};
    }
    const DeskRequest deskRequest{request.path, {request.params.begin(), request.params.end()}, request.remote_addr};
    DeskReply reply = desk_.Handle(deskRequest, AlertDesk::Clock::now());
    if (reply.alert && !intake_.Take(*reply.alert)) {
        return DeskReply{
            .status = 503, .body = "alert not recorded, send it again", .note = reply.note + ", not recorded"};
    }
    return reply;
}

void ServiceServer::Serve(const httplib::Request& request, httplib::Response& response) {
    const DeskReply reply = Reply(request);
    response.status = reply.status;
    response.set_header("Cache-Control", "no-store");
    response.set_content(reply.body, reply.contentType.c_str());
    servedNote = reply.note;
}

}  // namespace sentrel::service
