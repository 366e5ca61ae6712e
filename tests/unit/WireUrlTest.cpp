#include "service/WireUrl.h"

#include <gtest/gtest.h>

#include <string>

namespace sentrel {
namespace {

TEST(WireUrl, EncodesBytesThatWouldBreakTheRequestLine) {
    EXPECT_EQ(WireUrl("http://h/a.asp?code=a b"), "http://h/a.asp?code=a%20b");
    EXPECT_EQ(WireUrl("http://h/a.asp?code=x\r\nHost: evil"), "http://h/a.asp?code=x%0D%0AHost:%20evil");
    EXPECT_EQ(WireUrl(std::string("?c=\x01\x1F\x7F\t", 7)), "?c=%01%1F%7F%09");
    EXPECT_EQ(WireUrl(std::string("?c=a\0b", 6)), "?c=a%00b");
    EXPECT_EQ(WireUrl("?code=中"), "?code=%E4%B8%AD");
    EXPECT_EQ(WireUrl("?code=1#2"), "?code=1%232");
}

TEST(WireUrl, LeavesDelimitersAndPrintableAsciiAlone) {
    const std::string url =
        "https://host:8731/alertdesk/sndmsg.asp?openid=o-_A9&sjs=12345&code=ABC&str=3%41+~!$'()*,;:@[]";
    EXPECT_EQ(WireUrl(url), url);
}

}  // namespace
}  // namespace sentrel
