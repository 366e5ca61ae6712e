// What the tool takes from outside: replies from the service, and the
// service address.
//
// The input is a scripted reply, "STATUS\nBODY": a status that does not
// parse means no reply came, and "throw" a transport that throws. The same
// bytes also serve as the verification code and OpenId the client sends,
// as a URL for the wire, and as a service address.

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

#include "client/ServiceAddress.h"
#include "client/ServiceClient.h"
#include "client/Transport.h"
#include "client/WireUrl.h"

namespace {

using namespace sentrel;

constexpr std::string_view kServiceUrl = "http://127.0.0.1:8731";

void Check(bool holds, const char* what) {
    if (!holds) {
        std::fprintf(stderr, "invariant violated: %s\n", what);
        std::abort();
    }
}

// Every byte that cannot stand in a request line is encoded, and only those.
void CheckWireUrl(std::string_view url) {
    const std::string wire = WireUrl(url);
    std::size_t unfit = 0;
    for (const char c : url)
        unfit += static_cast<unsigned char>(c) <= 0x20 || static_cast<unsigned char>(c) >= 0x7F || c == '#';
    Check(wire.size() == url.size() + 2 * unfit, "only unfit bytes are encoded, each as three");
    for (const char c : wire) {
        const auto byte = static_cast<unsigned char>(c);
        Check(byte >= 0x21 && byte < 0x7F && c != '#', "the wire URL fits a request line");
    }
}

// Replies with what the input says, and checks on the way that what the
// client sends is a request to the service that fits on the wire.
class ScriptedTransport : public Transport {
public:
    enum class Mode { Reply, NoReply, Throw };

    ScriptedTransport(Mode mode, HttpReply reply) : mode_(mode), reply_(std::move(reply)) {}

    std::optional<HttpReply> Post(const std::string& url, const std::string& body) override {
        Check(url.starts_with(std::string(kServiceUrl) + "/alertdesk/"), "requests go to the service's scripts");
        Check(body.empty(), "parameters travel in the URL");
        CheckWireUrl(url);
        switch (mode_) {
            case Mode::NoReply:
                return std::nullopt;
            case Mode::Throw:
                throw std::runtime_error("scripted failure");
            case Mode::Reply:
                break;
        }
        return reply_;
    }

private:
    Mode mode_;
    HttpReply reply_;
};

void FuzzClient(std::string_view input) {
    const std::size_t newline = input.find('\n');
    const std::string_view statusText = input.substr(0, newline);
    const std::string body(newline == std::string_view::npos ? std::string_view{} : input.substr(newline + 1));

    long status = 0;
    const auto [end, error] = std::from_chars(statusText.data(), statusText.data() + statusText.size(), status);
    const bool parsed = error == std::errc() && end == statusText.data() + statusText.size();
    const ScriptedTransport::Mode mode = statusText == "throw" ? ScriptedTransport::Mode::Throw
                                         : parsed              ? ScriptedTransport::Mode::Reply
                                                               : ScriptedTransport::Mode::NoReply;
    const HttpReply reply{status, body};
    const bool replied = mode == ScriptedTransport::Mode::Reply;

    ScriptedTransport transport(mode, reply);
    ServiceClient client(transport, ServiceRequests(std::string(kServiceUrl)));

    const std::string notice = client.VersionNotice();
    Check(notice == (replied ? body : std::string()), "the notice is the reply body whatever its status");

    const std::optional<std::string> openId = client.SignIn(body);
    if (openId) {
        Check(!openId->empty() && *openId != "err01", "a sign-in never yields an empty OpenId or err01");
        Check(replied && reply.IsSuccess() && *openId == body, "an OpenId is a successful reply's body, as is");
    } else {
        Check(!replied || !reply.IsSuccess() || body.empty() || body == "err01", "a good reply signs in");
    }

    const ServiceClient::Delivery delivery = client.SendAlert(body, 11111 + static_cast<int>(input.size() % 10000), 3);
    Check((delivery == ServiceClient::Delivery::Accepted) == (replied && reply.IsSuccess()),
          "an alert is accepted exactly when the reply is a success");
    Check((delivery == ServiceClient::Delivery::NoReply) == !replied, "no reply is told from a refusal");

    client.KeepAlive(body);
    client.SignOff(body);
}

void FuzzServiceAddress(std::string_view input) {
    const std::optional<std::string> url = NormalizeServiceUrl(input);
    if (!url) return;
    Check(url->starts_with("http://") || url->starts_with("https://"), "a service address keeps its scheme");
    Check(!url->ends_with('/'), "a service address has no trailing slash");
    Check(NormalizeServiceUrl(*url) == url, "a normalized service address stays as it is");
    Check(WireUrl(*url) == *url, "a service address needs no encoding");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    CheckWireUrl(input);
    FuzzClient(input);
    FuzzServiceAddress(input);
    return 0;
}
