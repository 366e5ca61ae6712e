#include "relay/http/HttpConnection.h"

#include <boost/beast/http/error.hpp>
#include <boost/beast/http/write.hpp>

#include "relay/http/HttpLimits.h"

namespace sentrel::service {

namespace asio = boost::asio;
namespace http = boost::beast::http;
using boost::beast::error_code;

HttpConnection::HttpConnection(asio::ip::tcp::socket socket, ConnectionLimits::Slot slot, RequestRouter& router,
                               RequestLog& log, ConnectionEnds ends)
    : socket_(std::move(socket)),
      deadline_(socket_.get_executor()),
      buffer_(HttpLimits::kHeadBytes),
      slot_(std::move(slot)),
      router_(router),
      log_(log),
      ends_(ends) {}

void HttpConnection::Start() {
    slot_.WhenEvicted([weak = weak_from_this()] {
        if (const auto self = weak.lock()) self->Close();
    });
    AwaitRequest();
}

void HttpConnection::AwaitRequest() {
    head_.reset();
    // Requests sent without waiting for the last reply are already here.
    if (buffer_.size() > 0) return BeginHead();
    // An idle connection holds no buffer.
    buffer_.shrink_to_fit();
    Arm(Stage::Idle, HttpLimits::kIdleTimeout);
    socket_.async_wait(asio::socket_base::wait_read, [self = shared_from_this()](const error_code& error) {
        if (error) return self->Close();
        self->BeginHead();
    });
}

void HttpConnection::BeginHead() {
    head_.emplace();
    headBytesParsed_ = 0;
    Arm(Stage::Head, HttpLimits::kHeadDeadline);
    if (buffer_.size() == 0) return ReadHead();
    ParseBuffered();
}

void HttpConnection::ParseBuffered() {
    error_code error;
    const std::size_t parsed = head_->put(buffer_.data(), error);
    buffer_.consume(parsed);
    headBytesParsed_ += parsed;
    if (error == http::error::need_more) {
        if (headBytesParsed_ + buffer_.size() >= HttpLimits::kHeadBytes) {
            return Send(RequestRouter::Unreadable(*head_, http::error::header_limit));
        }
        return ReadHead();
    }
    if (error) return Send(RequestRouter::Unreadable(*head_, error));
    Send(router_.Answer(*head_, ends_));
}

void HttpConnection::ReadHead() {
    const std::size_t room = HttpLimits::kHeadBytes - headBytesParsed_ - buffer_.size();
    socket_.async_read_some(buffer_.prepare(room),
                            [self = shared_from_this()](const error_code& error, std::size_t count) {
                                if (self->headTimedOut_) return self->Send(RequestRouter::TooSlow());
                                // A client gone in the middle of a head has nobody left to answer.
                                if (error) return self->Close();
                                self->buffer_.commit(count);
                                self->ParseBuffered();
                            });
}

void HttpConnection::Send(HttpReply reply) {
    const RequestHead& head = *head_;
    log_.Request(ends_.client, reply.desk.status, head.Method(), head.Target(), reply.desk.note);
    const bool headDone = head.is_header_done();
    const bool keepAlive = !reply.close && headDone && head.keep_alive();
    response_ = {};
    response_.version(head.Method().empty() ? 11 : head.Version());
    response_.result(static_cast<unsigned>(reply.desk.status));
    response_.set(http::field::content_type, reply.desk.contentType);
    response_.set(http::field::cache_control, "no-store");
    if (reply.desk.status == 405) response_.set(http::field::allow, "GET, POST");
    response_.body() = std::move(reply.desk.body);
    response_.keep_alive(keepAlive);
    response_.prepare_payload();
    Arm(Stage::Reply, HttpLimits::kWriteTimeout);
    http::async_write(socket_, response_, [self = shared_from_this(), keepAlive](const error_code& error, std::size_t) {
        self->response_ = {};
        if (error) return self->Close();
        if (keepAlive) return self->AwaitRequest();
        self->Linger();
    });
}

void HttpConnection::Linger() {
    error_code ignored;
    socket_.shutdown(asio::ip::tcp::socket::shutdown_send, ignored);
    Arm(Stage::Linger, HttpLimits::kLingerTime);
    buffer_.clear();
    Drain();
}

void HttpConnection::Drain() {
    socket_.async_read_some(buffer_.prepare(HttpLimits::kHeadBytes),
                            [self = shared_from_this()](const error_code& error, std::size_t count) {
                                self->lingered_ += count;
                                if (error || self->lingered_ >= HttpLimits::kLingerBytes) return self->Close();
                                self->Drain();
                            });
}

void HttpConnection::Close() {
    error_code ignored;
    deadline_.cancel();
    socket_.close(ignored);
}

void HttpConnection::Arm(Stage stage, std::chrono::steady_clock::duration limit) {
    stage_ = stage;
    slot_.Busy(stage == Stage::Head || stage == Stage::Reply);
    deadline_.expires_after(limit);
    // The timer alone does not keep the connection: once nothing else is
    // under way, it goes.
    deadline_.async_wait([weak = weak_from_this()](const error_code& error) {
        if (const auto self = weak.lock(); self && !error) self->Expired();
    });
}

void HttpConnection::Expired() {
    // Re-armed for the next stage after this wait had already ended.
    if (deadline_.expiry() > asio::steady_timer::clock_type::now()) return;
    error_code ignored;
    if (stage_ != Stage::Head) return Close();
    // The pending read ends, and its handler answers 408.
    headTimedOut_ = true;
    socket_.cancel(ignored);
}

}  // namespace sentrel::service
