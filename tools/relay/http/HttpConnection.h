#pragma once

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/http/message.hpp>
#include <boost/beast/http/string_body.hpp>
#include <memory>
#include <optional>

#include "relay/http/ConnectionLimits.h"
#include "relay/http/RequestHead.h"
#include "relay/http/RequestLog.h"
#include "relay/http/RequestRouter.h"

namespace sentrel::service {

// One client connection, from accept to close, driven by the io thread
// through asynchronous operations only: waiting for a request costs a
// timer and a socket, never a thread. Every stage has its deadline
// (HttpLimits), and the request head is read into a buffer no larger than
// its limit, with at most one head and one reply held at a time.
class HttpConnection : public std::enable_shared_from_this<HttpConnection> {
public:
    HttpConnection(boost::asio::ip::tcp::socket socket, ConnectionLimits::Slot slot, RequestRouter& router,
                   RequestLog& log, ConnectionEnds ends);

    void Start();

private:
    enum class Stage { Idle, Head, Reply, Linger };

    void AwaitRequest();
    void BeginHead();
    void ParseBuffered();
    void ReadHead();
    void Send(HttpReply reply);
    void Linger();
    void Drain();
    void Close();
    void Arm(Stage stage, std::chrono::steady_clock::duration limit);
    void Expired();

    boost::asio::ip::tcp::socket socket_;
    boost::asio::steady_timer deadline_;
    boost::beast::flat_buffer buffer_;
    std::optional<RequestHead> head_;
    // Bytes of the current head the parser has already taken from buffer_.
    std::size_t headBytesParsed_ = 0;
    boost::beast::http::response<boost::beast::http::string_body> response_;
    ConnectionLimits::Slot slot_;
    RequestRouter& router_;
    RequestLog& log_;
    const ConnectionEnds ends_;
    Stage stage_ = Stage::Idle;
    bool headTimedOut_ = false;
    std::size_t lingered_ = 0;
};

}  // namespace sentrel::service
