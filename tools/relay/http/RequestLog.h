#pragma once

#include <boost/asio/any_io_executor.hpp>
#include <boost/asio/ip/address.hpp>
#include <boost/asio/steady_timer.hpp>
#include <map>
#include <string>
#include <string_view>

namespace sentrel::service {

// The lines requests get on standard error, bounded whatever clients do,
// so that no flood fills a disk or pushes the lines that matter past a
// journal's rate limit. A request's line has its time, status, method,
// target (OpenIds masked, MaskedTarget) and what the service made of it
// (the note, printable already); each field is made printable and cut
// short; "-" stands for what never arrived. Within a second each client
// gets a few lines, and all clients together a few more; the requests left
// over, and every refused connection, are counted and told once the second
// is over, in a line per client for the clients with the most, and one line
// for the rest. Used from the io thread alone.
class RequestLog {
public:
    explicit RequestLog(const boost::asio::any_io_executor& executor) : secondEnd_(executor) {}

    void Request(const boost::asio::ip::address& client, int status, std::string_view method, std::string_view target,
                 std::string_view note);
    void Refused(const boost::asio::ip::address& client);

private:
    struct Untold {
        int requests = 0;
        int refused = 0;
    };
    struct Counts {
        int told = 0;
        Untold untold;
    };

    // The client's counts this second, or none once too many
    // clients are counted one by one; starts the second with the first.
    Counts* CountsFor(const boost::asio::ip::address& client);
    void TellUntold();
    // "refused 3 connections and left 5 requests out of the log", without
    // what is none.
    static std::string Told(const Untold& untold);

    boost::asio::steady_timer secondEnd_;
    bool counting_ = false;
    int told_ = 0;
    std::map<boost::asio::ip::address, Counts> clients_;
    Untold untoldOfOthers_;
};

}  // namespace sentrel::service
