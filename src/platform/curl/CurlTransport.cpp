#include "platform/curl/CurlTransport.h"

#include <curl/curl.h>

#include <memory>
#include <mutex>

#include "client/WireUrl.h"

namespace sentrel {
namespace {

struct EasyDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct HeaderListDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

using EasyHandle = std::unique_ptr<CURL, EasyDeleter>;
using HeaderList = std::unique_ptr<curl_slist, HeaderListDeleter>;

// libcurl's global set-up is not thread-safe and must happen once per process.
void InitCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct ReplySink {
    std::string body;
    std::size_t limit = 0;
};

// Returning less than was offered makes libcurl fail the transfer, which is
// how a reply over the limit becomes a failure rather than an allocation of
// whatever the server chooses to send.
std::size_t CollectBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto* sink = static_cast<ReplySink*>(user);
    const std::size_t bytes = size * count;
    if (bytes > sink->limit - sink->body.size()) return 0;
    // No exception may unwind through libcurl's C frames.
    try {
        sink->body.append(data, bytes);
    } catch (...) {
        return 0;
    }
    return bytes;
}

}  // namespace

CurlTransport::CurlTransport(TransportLimits limits) : limits_(limits) { InitCurlOnce(); }

std::optional<HttpReply> CurlTransport::Post(const std::string& url, const std::string& body) {
    return PostWithHeaders(url, body, {"Content-Type: application/x-www-form-urlencoded"});
}

std::optional<HttpReply> CurlTransport::PostWithHeaders(const std::string& url, const std::string& body,
                                                        const std::vector<std::string>& headerLines) {
    EasyHandle handle(curl_easy_init());
    if (!handle) return std::nullopt;
    CURL* curl = handle.get();

    // A body must not make libcurl wait for a 100-continue.
    HeaderList headers(curl_slist_append(nullptr, "Expect:"));
    if (!headers) return std::nullopt;
    // Appending keeps the list's head, so the holder above owns all of it.
    for (const std::string& line : headerLines) {
        if (curl_slist_append(headers.get(), line.c_str()) == nullptr) return std::nullopt;
    }

    ReplySink sink{{}, limits_.maxReplyBytes};
    const std::string wireUrl = WireUrl(url);

    curl_easy_setopt(curl, CURLOPT_URL, wireUrl.c_str());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_POST, 1L);
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.data());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, limits_.maxRedirects);
    curl_easy_setopt(curl, CURLOPT_POSTREDIR, static_cast<long>(CURL_REDIR_POST_ALL));
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(limits_.connectTimeout.count()));
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, static_cast<long>(limits_.totalTimeout.count()));
    curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(limits_.maxReplyBytes));
    // Time-outs must not rely on signals: the window's thread owns those.
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, CollectBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);

    if (curl_easy_perform(curl) != CURLE_OK) return std::nullopt;

    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    return HttpReply{status, std::move(sink.body)};
}

}  // namespace sentrel
