#include "client/ServiceClient.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "app/ToolOptions.h"
#include "client/HttpPost.h"
#include "client/PhonePageAddress.h"
#include "client/ServiceAddress.h"
#include "client/Sha1.h"
#include "client/WireUrl.h"
#include "support/ScriptedTransport.h"

namespace sentrel {
namespace {

using namespace std::string_literals;

// Lengths at the 55/56 and 63/64 byte edges, where the padding needs one more
// block or exactly fills one, of bytes spanning every value; then a length
// whose bit count needs three bytes.
TEST(Sha1, MatchesKnownDigests) {
    const std::pair<std::size_t, const char*> digests[] = {
        {0, "DA39A3EE5E6B4B0D3255BFEF95601890AFD80709"},  {55, "63AC9708FB581DD150D3647549F9E0CB51DCF1DF"},
        {56, "5A0C4D0EB2F15E05BBBFF6B8DADA9AE767FC03F0"}, {63, "D94FF3AD53F9B9327704B812EE9C1F3ABBBA3D48"},
        {64, "5F55A35E13F1865E7FFC22DCA1275B1A49B0FF56"}, {1000, "7461968A9EDB9B418224F1ACB305D2FEEAA10BA5"}};
    for (const auto& [length, digest] : digests) {
        std::string text(length, '\0');
        for (std::size_t i = 0; i < length; ++i) text[i] = static_cast<char>((i * 7 + length) % 256);
        EXPECT_EQ(SHA1(text), digest) << "length " << length;
    }
    EXPECT_EQ(SHA1(std::string(1000000, 'a')), "34AA973CD4C4DAA4F61EEB2BDBAD27316534016F");
}

TEST(ServiceAddress, KeepsSchemeHostAndPortAndDropsTrailingSlashes) {
    EXPECT_EQ(NormalizeServiceUrl("http://127.0.0.1:8731"), "http://127.0.0.1:8731");
    EXPECT_EQ(NormalizeServiceUrl("https://alerts.example.com:443//"), "https://alerts.example.com:443");
    EXPECT_EQ(NormalizeServiceUrl("http://[::1]:8080/"), "http://[::1]:8080");
    for (const char* bad :
         {"", "127.0.0.1:8731", "ftp://host", "http://", "http://host/alertdesk", "http://host?x=1", "http://ho st",
          "http://host:0", "http://host:65536", "http://host:80a", "http://host:", "http://[::1", "http://host\r\n"}) {
        EXPECT_EQ(NormalizeServiceUrl(bad), std::nullopt) << bad;
    }
    // The command line's address wins over the environment's, which wins
    // over the built-in one; an empty one counts as none.
    EXPECT_EQ(ResolveServiceUrl(std::nullopt, "", "http://a:1/"), "http://a:1");
    EXPECT_EQ(ResolveServiceUrl(std::nullopt, "https://b/", "http://a:1"), "https://b");
    EXPECT_EQ(ResolveServiceUrl("http://c:3", "https://b/", "http://a:1"), "http://c:3");
    EXPECT_EQ(ResolveServiceUrl("", "https://b/", "http://a:1"), "https://b");
    EXPECT_THROW(ResolveServiceUrl(std::nullopt, "b:9", "http://a:1"), std::invalid_argument);
    EXPECT_THROW(ResolveServiceUrl("c:3", "https://b/", "http://a:1"), std::invalid_argument);
}

// A phone that follows the QR code must reach the page: never a loopback or
// unspecified host, which on the phone is the phone itself.
TEST(PhonePageAddress, LeadsAPhoneOnlyWhereAPhoneCanGo) {
    const struct {
        const char* service;
        const char* variable;
        std::optional<std::string> page;
    } rows[] = {
        {"http://127.0.0.1:8731", nullptr, std::nullopt},
        {"http://127.20.3.4", "", std::nullopt},
        {"http://LocalHost:8731", nullptr, std::nullopt},
        {"http://desk.localhost", nullptr, std::nullopt},
        {"http://0.0.0.0:8731", nullptr, std::nullopt},
        {"http://[::1]:8731", nullptr, std::nullopt},
        {"http://[0:0:0:0:0:0:0:0001]", nullptr, std::nullopt},
        {"http://[::]", nullptr, std::nullopt},
        {"http://[::ffff:127.0.0.1]:8731", nullptr, std::nullopt},
        {"http://192.168.1.20:8731", nullptr, "http://192.168.1.20:8731/"},
        {"https://alerts.example.com", nullptr, "https://alerts.example.com/"},
        {"http://127.example.com", nullptr, "http://127.example.com/"},
        {"http://[2001:db8::1]:8731", nullptr, "http://[2001:db8::1]:8731/"},
        {"http://[1::]", nullptr, "http://[1::]/"},
        {"http://127.0.0.1:8731", "http://192.168.1.20:8731/", "http://192.168.1.20:8731/"},
        {"http://192.168.1.20:8731", "http://user@127.0.0.1:8731/", std::nullopt},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(PhonePageUrl(row.service, row.variable), row.page)
            << row.service << " " << (row.variable != nullptr ? row.variable : "(unset)");
    }
}

TEST(ToolOptions, TakesTheServiceAddressInEitherSpelling) {
    EXPECT_EQ(ParseToolOptions({"--service", "http://c:3"}).service, "http://c:3");
    EXPECT_EQ(ParseToolOptions({"--screen", "1", "--service=http://c:3"}).service, "http://c:3");
    EXPECT_EQ(ParseToolOptions({"--service"}).notUnderstood, std::vector<std::string>{"--service"});
}

// On the wire, the bytes that would end or split the request line, and '#',
// are percent-encoded; the rest, delimiters and '%' included, stays.
TEST(WireUrl, EncodesOnlyWhatWouldBreakTheRequestLine) {
    EXPECT_EQ(WireUrl("?code=x\r\nHost: evil"), "?code=x%0D%0AHost:%20evil");
    EXPECT_EQ(WireUrl("?c=\x01\x1F\x7F\t\0#中"s), "?c=%01%1F%7F%09%00%23%E4%B8%AD");
    const std::string url = "https://h:1/a.asp?openid=o-_A9&sjs=12345&code=ABC&str=3%41+~!$'()*,;:@[]";
    EXPECT_EQ(WireUrl(url), url);
}

class ServiceClientTest : public ::testing::Test {
protected:
    testing::ScriptedTransport transport;
    ServiceClient client{transport, ServiceRequests("http://svc")};
};

// Past its two replies the transport throws.
TEST_F(ServiceClientTest, HttpPostReturnsAnyBodyAndEmptyOnFailure) {
    transport.Reply(500, "<h1>Internal error</h1>");
    transport.NoReply();
    EXPECT_EQ(HttpPost(transport, "http://svc/x", ""), "<h1>Internal error</h1>");
    EXPECT_EQ(HttpPost(transport, "http://svc/x", ""), "");
    EXPECT_EQ(HttpPost(transport, "http://svc/x", ""), "");
    EXPECT_NO_THROW(client.KeepAlive(""));
    EXPECT_NO_THROW(client.SignOff(""));
}

TEST_F(ServiceClientTest, SignInTakesOnlyARealAnswerAsOpenIdAndKeepsItExactly) {
    const std::pair<std::optional<HttpReply>, std::optional<std::string>> cases[] = {
        {HttpReply{200, "ERR01"}, "ERR01"},
        {HttpReply{200, ""}, std::nullopt},
        {HttpReply{500, "<html>"}, std::nullopt},
        {HttpReply{302, "moved"}, std::nullopt},
        {std::nullopt, std::nullopt}};
    for (const auto& [reply, openId] : cases) {
        reply ? transport.Reply(reply->status, reply->body) : transport.NoReply();
        EXPECT_EQ(client.SignIn("1234"), openId) << (reply ? reply->body : "no reply");
    }
}

}  // namespace
}  // namespace sentrel
