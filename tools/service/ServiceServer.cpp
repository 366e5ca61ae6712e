#include "ServiceServer.h"

#include <chrono>
#include <cstdio>

#include "TextEscapes.h"
#include "UtcTimestamp.h"

namespace sentrel::service {
namespace {

constexpr std::size_t kMaxBodyBytes = 64 * 1024;
constexpr std::size_t kMaxLoggedTarget = 300;

void LogRequest(const httplib::Request& request, int status, const std::string& note) {
    std::string target = Printable(request.target);
    if (target.size() > kMaxLoggedTarget) target = target.substr(0, kMaxLoggedTarget) + "...";
    std::string line = UtcTimestamp(std::chrono::system_clock::now()) + " " + std::to_string(status) + " " +
                       Printable(request.method) + " " + target;
    if (!note.empty()) line += " (" + note + ")";
    std::fprintf(stderr, "%s\n", line.c_str());
}

}  // namespace

ServiceServer::ServiceServer(AlertDesk& desk, AlertJournal& journal, std::optional<AlertCommand> command)
    : desk_(desk), journal_(journal), command_(std::move(command)) {
    const auto serve = [this](const httplib::Request& request, httplib::Response& response) {
        Serve(request, response);
    };
    server_.Get(".*", serve);
    server_.Post(".*", serve);
    server_.set_payload_max_length(kMaxBodyBytes);
    server_.set_logger([](const httplib::Request& request, const httplib::Response& response) {
        // Routed requests were logged with the desk's note; this catches the rest.
        if (request.matches.empty()) LogRequest(request, response.status, "refused by the HTTP layer");
    });
}

std::optional<int> ServiceServer::Bind(const std::string& address, int port) {
    if (port == 0) {
        const int bound = server_.bind_to_any_port(address);
        if (bound <= 0) return std::nullopt;
        return bound;
    }
    if (!server_.bind_to_port(address, port)) return std::nullopt;
    return port;
}

bool ServiceServer::Listen() { return server_.listen_after_bind(); }

void ServiceServer::Stop() { server_.stop(); }

DeskReply ServiceServer::Reply(const httplib::Request& request) {
    // The scripts have effects (a code used up, an alert logged), which a
    // HEAD request must not trigger.
    if (request.method == "HEAD") return DeskReply{405, "", "text/plain", "HEAD is not served", std::nullopt};
    // Parameters travel in the query string only; the HTTP layer would
    // otherwise mix in those of a form body.
    if (!request.body.empty()) {
        return DeskReply{400, "parameters go in the query string", "text/plain; charset=utf-8",
                         "refused a request body", std::nullopt};
    }
    const DeskRequest deskRequest{request.path, {request.params.begin(), request.params.end()}};
    return desk_.Handle(deskRequest, AlertDesk::Clock::now());
}

void ServiceServer::Serve(const httplib::Request& request, httplib::Response& response) {
    const DeskReply reply = Reply(request);
    response.status = reply.status;
    response.set_header("Cache-Control", "no-store");
    response.set_content(reply.body, reply.contentType.c_str());
    LogRequest(request, reply.status, reply.note);

    if (reply.alert) {
        const std::string time = UtcTimestamp(std::chrono::system_clock::now());
        journal_.Record(*reply.alert, time);
        if (command_ && !command_->Run(*reply.alert, time)) {
            std::fprintf(stderr, "could not start the --on-alert command\n");
        }
    }
}

}  // namespace sentrel::service
