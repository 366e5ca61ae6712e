#pragma once

#include <boost/beast/http/basic_parser.hpp>
#include <optional>
#include <string>

namespace sentrel::service {

// The head of one request, parsed as it arrives. Only what the service
// looks at is kept, so a head costs no more memory than its bytes, however
// many fields it has; past HttpLimits::kMaxFields it is refused.
class RequestHead : public boost::beast::http::basic_parser<true> {
public:
    RequestHead();

    // These are empty until the request line has been read.
    const std::string& Method() const { return method_; }
    const std::string& Target() const { return target_; }
    boost::beast::http::verb Verb() const { return verb_; }
    int Version() const { return version_; }

    // The first Host field, and how many there were.
    const std::optional<std::string>& Host() const { return host_; }
    int HostCount() const { return hostCount_; }
    bool HasOrigin() const { return hasOrigin_; }
    const std::optional<std::string>& SecFetchSite() const { return secFetchSite_; }
    // Once the head is done: whether a body follows it. Any
    // Transfer-Encoding counts, whatever its value.
    bool AnnouncesBody() const;

private:
    using error_code = boost::beast::error_code;
    using string_view = boost::beast::string_view;

    void on_request_impl(boost::beast::http::verb method, string_view methodText, string_view target, int version,
                         error_code& ec) override;
    void on_response_impl(int, string_view, int, error_code& ec) override;
    void on_field_impl(boost::beast::http::field name, string_view nameText, string_view value,
                       error_code& ec) override;
    void on_header_impl(error_code&) override {}
    // A body is never read: the service refuses a request with one.
    void on_body_init_impl(const boost::optional<std::uint64_t>&, error_code& ec) override;
    std::size_t on_body_impl(string_view, error_code& ec) override;
    void on_chunk_header_impl(std::uint64_t, string_view, error_code& ec) override;
    std::size_t on_chunk_body_impl(std::uint64_t, string_view, error_code& ec) override;
    void on_finish_impl(error_code&) override {}

    std::string method_;
    std::string target_;
    boost::beast::http::verb verb_ = boost::beast::http::verb::unknown;
    int version_ = 11;
    std::optional<std::string> host_;
    int hostCount_ = 0;
    bool hasOrigin_ = false;
    std::optional<std::string> secFetchSite_;
    bool hasTransferEncoding_ = false;
    int fields_ = 0;
};

}  // namespace sentrel::service
