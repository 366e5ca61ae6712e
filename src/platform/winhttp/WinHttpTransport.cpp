#include "platform/winhttp/WinHttpTransport.h"

#include <windows.h>
#include <winhttp.h>

#include <chrono>
#include <memory>

#include "client/WireUrl.h"
#include "platform/winhttp/WideText.h"

namespace sentrel {
namespace {

struct InternetCloser {
    void operator()(HINTERNET handle) const { WinHttpCloseHandle(handle); }
};
using Internet = std::unique_ptr<void, InternetCloser>;
using Clock = std::chrono::steady_clock;

struct Target {
    bool secure = false;
    std::wstring host;
    INTERNET_PORT port = 0;
    std::wstring pathAndQuery;
};

std::optional<Target> Split(const std::wstring& url) {
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof parts;
    parts.dwSchemeLength = parts.dwHostNameLength = parts.dwUrlPathLength = parts.dwExtraInfoLength =
        static_cast<DWORD>(-1);
    if (!WinHttpCrackUrl(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts)) return std::nullopt;
    if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS) return std::nullopt;
    Target target;
    target.secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
    target.host.assign(parts.lpszHostName, parts.dwHostNameLength);
    target.port = parts.nPort;
    target.pathAndQuery.assign(parts.lpszUrlPath, parts.dwUrlPathLength);
    target.pathAndQuery.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    if (target.pathAndQuery.empty()) target.pathAndQuery = L"/";
    return target;
}

// Where a redirect points, made absolute against the URL it came from.
std::wstring Resolve(const Target& from, const std::wstring& location) {
    if (location.find(L"://") != std::wstring::npos) return location;
    const std::wstring origin =
        std::wstring(from.secure ? L"https://" : L"http://") + from.host + L":" + std::to_wstring(from.port);
    if (!location.empty() && location.front() == L'/') return origin + location;
    const std::wstring path = from.pathAndQuery.substr(0, from.pathAndQuery.find(L'?'));
    return origin + path.substr(0, path.rfind(L'/') + 1) + location;
}

DWORD Milliseconds(std::chrono::milliseconds duration) { return static_cast<DWORD>(duration.count()); }

}  // namespace

WinHttpTransport::WinHttpTransport(TransportLimits limits) : limits_(limits) {}

std::optional<HttpReply> WinHttpTransport::Post(const std::string& url, const std::string& body) {
    return PostWithHeaders(url, body, {"Content-Type: application/x-www-form-urlencoded"});
}

std::optional<HttpReply> WinHttpTransport::PostWithHeaders(const std::string& url, const std::string& body,
                                                           const std::vector<std::string>& headerLines) {
    std::wstring headers;
    for (const std::string& line : headerLines) headers += Widen(line) + L"\r\n";
    const auto deadline = Clock::now() + limits_.totalTimeout;
    const Internet session(
        WinHttpOpen(L"Sentrel", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
    if (!session) return std::nullopt;
    WinHttpSetTimeouts(session.get(), Milliseconds(limits_.connectTimeout), Milliseconds(limits_.connectTimeout),
                       Milliseconds(limits_.totalTimeout), Milliseconds(limits_.totalTimeout));

    std::wstring current = Widen(WireUrl(url));
    for (long redirects = 0;; ++redirects) {
        const std::optional<Target> target = Split(current);
        if (!target) return std::nullopt;
        const Internet connection(WinHttpConnect(session.get(), target->host.c_str(), target->port, 0));
        if (!connection) return std::nullopt;
        // The path is already safe for the wire; WinHTTP must not escape it again.
        const Internet request(WinHttpOpenRequest(
            connection.get(), L"POST", target->pathAndQuery.c_str(), nullptr, WINHTTP_NO_REFERER,
            WINHTTP_DEFAULT_ACCEPT_TYPES, WINHTTP_FLAG_ESCAPE_DISABLE | (target->secure ? WINHTTP_FLAG_SECURE : 0)));
        if (!request) return std::nullopt;
        // The session's time-outs are not inherited everywhere (Wine's WinHTTP
        // reads them from the request), so the request gets its own.
        WinHttpSetTimeouts(request.get(), Milliseconds(limits_.connectTimeout), Milliseconds(limits_.connectTimeout),
                           Milliseconds(limits_.totalTimeout), Milliseconds(limits_.totalTimeout));
        DWORD receiveTimeout = Milliseconds(limits_.totalTimeout);
        WinHttpSetOption(request.get(), WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &receiveTimeout,
                         sizeof receiveTimeout);
        DWORD never = WINHTTP_OPTION_REDIRECT_POLICY_NEVER;
        WinHttpSetOption(request.get(), WINHTTP_OPTION_REDIRECT_POLICY, &never, sizeof never);
        DWORD noCookies = WINHTTP_DISABLE_COOKIES;
        WinHttpSetOption(request.get(), WINHTTP_OPTION_DISABLE_FEATURE, &noCookies, sizeof noCookies);

        if (!WinHttpSendRequest(request.get(), headers.c_str(), static_cast<DWORD>(-1L), const_cast<char*>(body.data()),
                                static_cast<DWORD>(body.size()), static_cast<DWORD>(body.size()), 0) ||
            !WinHttpReceiveResponse(request.get(), nullptr)) {
            return std::nullopt;
        }
        DWORD status = 0, size = sizeof status;
        if (!WinHttpQueryHeaders(request.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                                 WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX)) {
            return std::nullopt;
        }

        const bool redirect = status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
        if (redirect) {
            if (redirects >= limits_.maxRedirects) return std::nullopt;
            wchar_t location[2048];
            DWORD locationSize = sizeof location;
            if (!WinHttpQueryHeaders(request.get(), WINHTTP_QUERY_LOCATION, WINHTTP_HEADER_NAME_BY_INDEX, location,
                                     &locationSize, WINHTTP_NO_HEADER_INDEX)) {
                return std::nullopt;
            }
            current = Resolve(*target, std::wstring(location, locationSize / sizeof(wchar_t)));
            continue;
        }

        std::string reply;
        for (;;) {
            if (Clock::now() > deadline) return std::nullopt;
            DWORD available = 0;
            if (!WinHttpQueryDataAvailable(request.get(), &available)) return std::nullopt;
            if (available == 0) break;
            if (available > limits_.maxReplyBytes - reply.size()) return std::nullopt;
            const std::size_t offset = reply.size();
            reply.resize(offset + available);
            DWORD read = 0;
            if (!WinHttpReadData(request.get(), reply.data() + offset, available, &read)) return std::nullopt;
            reply.resize(offset + read);
        }
        return HttpReply{static_cast<long>(status), std::move(reply)};
    }
}

}  // namespace sentrel
