#include "service/ServiceAddress.h"

#include "support/Environment.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace sentrel {
namespace {

TEST(ServiceAddress, AcceptsSchemeHostAndPortAndDropsTrailingSlashes) {
    EXPECT_EQ(NormalizeServiceUrl("http://127.0.0.1:8731"), "http://127.0.0.1:8731");
    EXPECT_EQ(NormalizeServiceUrl("http://alerts.example.com/"), "http://alerts.example.com");
    EXPECT_EQ(NormalizeServiceUrl("https://alerts.example.com:443//"), "https://alerts.example.com:443");
    EXPECT_EQ(NormalizeServiceUrl("http://[::1]:8080"), "http://[::1]:8080");
}

TEST(ServiceAddress, RefusesWhatIsNotJustAnAddress) {
    for (const char* bad :
         {"", "127.0.0.1:8731", "ftp://host", "http://", "http://host/alertdesk", "http://host?x=1", "http://ho st",
          "http://host:0", "http://host:65536", "http://host:80a", "http://host:", "http://[::1", "http://host\r\n"}) {
        EXPECT_EQ(NormalizeServiceUrl(bad), std::nullopt) << bad;
    }
}

TEST(ServiceAddress, OverrideWinsUnlessEmptyAndBadTextIsReported) {
    EXPECT_EQ(ResolveServiceUrl(nullptr, "http://a:1"), "http://a:1");
    EXPECT_EQ(ResolveServiceUrl("", "http://a:1"), "http://a:1");
    EXPECT_EQ(ResolveServiceUrl("https://b/", "http://a:1"), "https://b");
    try {
        ResolveServiceUrl("b:9", "http://a:1");
        FAIL() << "a bad override was accepted";
    } catch (const std::invalid_argument& error) {
        EXPECT_NE(std::string(error.what()).find("SENTREL_SERVICE_URL"), std::string::npos);
        EXPECT_NE(std::string(error.what()).find("\"b:9\""), std::string::npos);
    }
    EXPECT_TRUE(NormalizeServiceUrl(BuiltInServiceUrl()).has_value());
}

TEST(ServiceAddress, EnvironmentVariableOverridesTheBuiltInAddress) {
    testing::SetEnvironment(kServiceUrlVariable, "https://alerts.example.org:8443/");
    EXPECT_EQ(ServiceUrlFromEnvironment(), "https://alerts.example.org:8443");
    testing::SetEnvironment(kServiceUrlVariable, "alerts.example.org");
    EXPECT_THROW(ServiceUrlFromEnvironment(), std::invalid_argument);
    testing::SetEnvironment(kServiceUrlVariable, nullptr);
    EXPECT_EQ(ServiceUrlFromEnvironment(), NormalizeServiceUrl(BuiltInServiceUrl()));
}

}  // namespace
}  // namespace sentrel
