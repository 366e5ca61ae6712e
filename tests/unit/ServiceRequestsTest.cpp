#include "service/ServiceRequests.h"

#include <gtest/gtest.h>

#include "service/AlertSignature.h"
#include "support/ReferenceSha1.h"

namespace sentrel {
namespace {

const ServiceRequests kRequests("http://svc:81");

TEST(ServiceRequests, BuildsEachUrlPieceByPieceInOrder) {
    EXPECT_EQ(kRequests.VersionNotice(), "http://svc:81/alertdesk/vers.asp?vers=5.0.2");
    EXPECT_EQ(kRequests.SignIn("4711"), "http://svc:81/alertdesk/yzm_check.asp?code=4711");
    EXPECT_EQ(kRequests.KeepAlive("oAbc"), "http://svc:81/alertdesk/checkon.asp?openid=oAbc");
    EXPECT_EQ(kRequests.SignOff("oAbc"), "http://svc:81/alertdesk/checkoff.asp?openid=oAbc");
    EXPECT_EQ(kRequests.Alert("oAbc", 12345, 7),
              "http://svc:81/alertdesk/sndmsg.asp?openid=oAbc&sjs=12345&code=" + AlertSignature(12345) + "&str=7");
}

TEST(ServiceRequests, ValuesGoInUnchanged) {
    EXPECT_EQ(kRequests.KeepAlive(""), "http://svc:81/alertdesk/checkon.asp?openid=");
    EXPECT_EQ(kRequests.SignOff(""), "http://svc:81/alertdesk/checkoff.asp?openid=");
    EXPECT_EQ(kRequests.SignIn("a b&c=d\r\n验证"), "http://svc:81/alertdesk/yzm_check.asp?code=a b&c=d\r\n验证");
    EXPECT_EQ(kRequests.KeepAlive(" id\n"), "http://svc:81/alertdesk/checkon.asp?openid= id\n");
}

TEST(ServiceRequests, AlertsForTwoAreasCarryTheirOwnNumberAndSignature) {
    const std::string third = kRequests.Alert("o1", 11111, 3);
    const std::string twelfth = kRequests.Alert("o1", 21110, 12);
    EXPECT_TRUE(third.ends_with("&sjs=11111&code=" + AlertSignature(11111) + "&str=3"));
    EXPECT_TRUE(twelfth.ends_with("&sjs=21110&code=" + AlertSignature(21110) + "&str=12"));
    EXPECT_NE(AlertSignature(11111), AlertSignature(21110));
}

// The signature is SHA-1 of the ten characters "38kfm" and r, checked
// against an independent digest.
TEST(ServiceRequests, SignatureIsSha1OfSaltAndNumber) {
    EXPECT_EQ(AlertSignature(12345), testing::ReferenceSha1("38kfm12345"));
}

}  // namespace
}  // namespace sentrel
