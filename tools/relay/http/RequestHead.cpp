#include "relay/http/RequestHead.h"

#include <boost/beast/core/string.hpp>
#include <boost/beast/http/error.hpp>

#include "relay/http/HttpLimits.h"

namespace sentrel::service {

namespace http = boost::beast::http;

RequestHead::RequestHead() { header_limit(HttpLimits::kHeadBytes); }

bool RequestHead::AnnouncesBody() const {
    return hasTransferEncoding_ || chunked() || content_length().value_or(0) > 0;
}

void RequestHead::on_request_impl(http::verb method, string_view methodText, string_view target, int version,
                                  error_code&) {
    verb_ = method;
    method_ = std::string(methodText);
    target_ = std::string(target);
    version_ = version;
}

void RequestHead::on_response_impl(int, string_view, int, error_code& ec) { ec = http::error::bad_method; }

void RequestHead::on_field_impl(http::field name, string_view nameText, string_view value, error_code& ec) {
    if (++fields_ > HttpLimits::kMaxFields) {
        ec = http::error::header_limit;
        return;
    }
    if (name == http::field::host) {
        if (hostCount_++ == 0) host_ = std::string(value);
    } else if (name == http::field::origin) {
        hasOrigin_ = true;
    } else if (name == http::field::transfer_encoding) {
        hasTransferEncoding_ = true;
    } else if (boost::beast::iequals(nameText, "Sec-Fetch-Site")) {
        secFetchSite_ = std::string(value);
    }
}

void RequestHead::on_body_init_impl(const boost::optional<std::uint64_t>&, error_code& ec) {
    ec = http::error::unexpected_body;
}

std::size_t RequestHead::on_body_impl(string_view, error_code& ec) {
    ec = http::error::unexpected_body;
    return 0;
}

void RequestHead::on_chunk_header_impl(std::uint64_t, string_view, error_code& ec) {
    ec = http::error::unexpected_body;
}

std::size_t RequestHead::on_chunk_body_impl(std::uint64_t, string_view, error_code& ec) {
    ec = http::error::unexpected_body;
    return 0;
}

}  // namespace sentrel::service
