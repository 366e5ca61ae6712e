#include "AlertDesk.h"

#include <gtest/gtest.h>

#include "AlertJournal.h"
#include "TextEscapes.h"
#include "service/AlertSignature.h"

namespace sentrel::service {
namespace {

const AlertDesk::Clock::time_point kNow{};

class AlertDeskTest : public ::testing::Test {
protected:
    DeskReply Call(std::string path, std::multimap<std::string, std::string> params = {}) {
        return desk.Handle(DeskRequest{std::move(path), std::move(params)}, kNow);
    }

    std::string SignedIn() {
        const DeskReply reply = Call("/alertdesk/yzm_check.asp", {{"code", "2468"}});
        EXPECT_EQ(reply.status, 200);
        return reply.body;
    }

    DeskReply Alert(const std::string& openId, const std::string& sjs, const std::string& code,
                    const std::string& area) {
        return Call("/alertdesk/sndmsg.asp", {{"openid", openId}, {"sjs", sjs}, {"code", code}, {"str", area}});
    }

    AlertDesk desk{VerificationCodes(std::string("2468"), 5), Subscribers(6)};
};

TEST_F(AlertDeskTest, SignInHandsOutFreshOpenIdsAndRefusesWithErr01) {
    const std::string first = SignedIn();
    const std::string second = SignedIn();
    EXPECT_EQ(first.size(), 28u);
    EXPECT_EQ(first.front(), 'o');
    EXPECT_NE(first, second);

    const DeskReply wrong = Call("/alertdesk/yzm_check.asp", {{"code", "1111"}});
    EXPECT_EQ(wrong.status, 200);
    EXPECT_EQ(wrong.body, "err01");

    const std::string issued = desk.IssueCode(kNow);
    EXPECT_EQ(Call("/alertdesk/yzm_check.asp", {{"code", issued}}).body.size(), 28u);
    EXPECT_EQ(Call("/alertdesk/yzm_check.asp", {{"code", issued}}).body, "err01");
}

TEST_F(AlertDeskTest, AcceptsOnlyAProperlySignedAlertFromAKnownOpenId) {
    const std::string openId = SignedIn();
    const DeskReply accepted = Alert(openId, "12345", AlertSignature(12345), "20");
    EXPECT_EQ(accepted.status, 200);
    ASSERT_TRUE(accepted.alert.has_value());
    EXPECT_EQ(accepted.alert->area, 20);
    EXPECT_EQ(accepted.alert->sjs, 12345);
    EXPECT_EQ(accepted.alert->openId, openId);

    struct Case {
        std::string openId, sjs, code, area;
        int status;
    };
    const Case refused[] = {
        {"oNobody", "12345", AlertSignature(12345), "1", 403},
        {"", "12345", AlertSignature(12345), "1", 403},
        {openId, "12345", AlertSignature(12346), "1", 403},
        {openId, "12345", "forged", "1", 403},
        {openId, "11110", AlertSignature(11110), "1", 400},
        {openId, "21111", AlertSignature(21111), "1", 400},
        {openId, "012345", AlertSignature(12345), "1", 400},
        {openId, "+12345", AlertSignature(12345), "1", 400},
        {openId, "12345", AlertSignature(12345), "0", 400},
        {openId, "12345", AlertSignature(12345), "21", 400},
        {openId, "12345", AlertSignature(12345), "03", 400},
        {openId, "12345", AlertSignature(12345), "99999999999999999999", 400},
    };
    for (const Case& c : refused) {
        const DeskReply reply = Alert(c.openId, c.sjs, c.code, c.area);
        EXPECT_EQ(reply.status, c.status) << c.openId << " " << c.sjs << " " << c.area;
        EXPECT_FALSE(reply.alert.has_value());
        EXPECT_FALSE(reply.note.empty());
    }
}

TEST_F(AlertDeskTest, MissingRepeatedAndUnknownInputIsRefused) {
    const std::string openId = SignedIn();
    const DeskReply repeated =
        Call("/alertdesk/sndmsg.asp",
             {{"openid", openId}, {"sjs", "12345"}, {"code", AlertSignature(12345)}, {"str", "1"}, {"str", "2"}});
    EXPECT_EQ(repeated.status, 400);
    EXPECT_FALSE(repeated.alert.has_value());
    EXPECT_EQ(Call("/alertdesk/sndmsg.asp", {{"openid", openId}}).status, 400);
    EXPECT_EQ(Call("/alertdesk/yzm_check.asp").status, 400);
    EXPECT_EQ(Call("/alertdesk/yzm_check.asp", {{"code", "1"}, {"code", "2468"}}).status, 400);
    EXPECT_EQ(Call("/alertdesk/vers.asp").status, 400);
    EXPECT_EQ(Call("/alertdesk/other.asp").status, 404);
    EXPECT_EQ(Call("/alertdesk/checkon.asp", {{"openid", "o\xE4\xB8\xAD\r\n"}}).status, 404);
}

TEST_F(AlertDeskTest, KeepAliveAndSignOffTrackWhoIsOnline) {
    EXPECT_EQ(Call("/alertdesk/checkon.asp", {{"openid", ""}}).body, "ok");
    EXPECT_EQ(Call("/alertdesk/checkoff.asp", {{"openid", ""}}).body, "ok");
    EXPECT_EQ(Call("/status").body, "{\"signedIn\":0,\"online\":0}");
    const std::string openId = SignedIn();
    SignedIn();
    EXPECT_EQ(Call("/status").body, "{\"signedIn\":2,\"online\":2}");
    EXPECT_EQ(Call("/alertdesk/checkoff.asp", {{"openid", openId}}).status, 200);
    EXPECT_EQ(Call("/status").body, "{\"signedIn\":2,\"online\":1}");
    EXPECT_EQ(Call("/alertdesk/checkon.asp", {{"openid", openId}}).status, 200);
    EXPECT_EQ(Call("/status").body, "{\"signedIn\":2,\"online\":2}");
}

TEST_F(AlertDeskTest, VersionNoticeAndCodePage) {
    EXPECT_NE(Call("/alertdesk/vers.asp", {{"vers", "5.0.2"}}).body.find("5.0.2"), std::string::npos);
    const DeskReply page = Call("/");
    EXPECT_EQ(page.contentType, "text/html; charset=utf-8");
    const std::string code = page.note.substr(page.note.size() - 6);
    EXPECT_NE(page.body.find(code), std::string::npos);
    EXPECT_EQ(Call("/alertdesk/yzm_check.asp", {{"code", code}}).body.size(), 28u);
}

TEST(ServiceText, LogAndJsonEscapes) {
    EXPECT_EQ(Printable("a\r\n\"\\中"), "a\\x0D\\x0A\\\"\\\\\\xE4\\xB8\\xAD");
    EXPECT_EQ(JsonEscaped("a\"\\\n"), "a\\\"\\\\\\u000a");
    EXPECT_EQ(AlertJournal::JsonLine(AcceptedAlert{"oX", 3, 12345}, "2026-12-06T19:14:19Z"),
              "{\"time\":\"2026-12-06T19:14:19Z\",\"openid\":\"oX\",\"area\":3,\"sjs\":12345}\n");
}

}  // namespace
}  // namespace sentrel::service
