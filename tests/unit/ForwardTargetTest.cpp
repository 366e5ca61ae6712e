#include "ForwardTarget.h"

#include <gtest/gtest.h>

namespace sentrel::service {
namespace {

TEST(ForwardTarget, TakesHttpTargetsOfKnownKindsAndNamesThemWithoutSecrets) {
    const std::pair<const char*, const char*> valid[] = {
        {"ntfy:https://ntfy.sh/my-topic", "ntfy ntfy.sh"},
        {"gotify:http://push.lan:8080/message?token=SECRET", "gotify push.lan:8080"},
        {"gotify:http://push.lan?token=SECRET", "gotify push.lan"},
        {"webhook:https://user:pw@hooks.example/x#y", "webhook hooks.example"}};
    for (const auto& [written, name] : valid) {
        const auto target = ForwardTarget::Parse(written);
        ASSERT_TRUE(target) << written;
        EXPECT_EQ(target->Written(), written);
        EXPECT_EQ(target->PublicName(), name);
    }
    for (const char* written : {"ntfy:ftp://x/t", "ntfy:", "webhook:http://", "webhook:https:///path", "smtp:http://x/",
                                "https://ntfy.sh/t", "command:", "Ntfy:https://x/"}) {
        EXPECT_FALSE(ForwardTarget::Parse(written)) << written;
    }
}

// The alert's time and OpenId come from the database, so the JSON must stay
// valid whatever they hold: quotes, a backslash and a line break are
// escaped, UTF-8 passes as it is. ntfy takes the text itself.
TEST(ForwardTarget, BuildsTheRequestEachKindOfServiceTakes) {
    const RecordedAlert alert{42, "\"noon\"\n中午", AcceptedAlert{"o\\Id", 7, 12345}};
    const std::string json = "Content-Type: application/json";
    const std::string text = R"j(Sentrel 区域 7 提醒 (\"noon\"\u000a中午, #42))j";
    const std::pair<std::string, OutgoingRequest> cases[] = {
        {"ntfy:https://ntfy.sh/topic",
         {"https://ntfy.sh/topic",
          "Sentrel 区域 7 提醒 (\"noon\"\n中午, #42)",
          {"Content-Type: text/plain; charset=utf-8", "Title: Sentrel", "Tags: bell", "X-Sentrel-Alert-Id: 42"}}},
        {"gotify:http://push.lan:8080/message?token=T",
         {"http://push.lan:8080/message?token=T",
          R"j({"title":"Sentrel","message":")j" + text +
              R"j(","priority":5,"extras":{"sentrel::alert":{"id":42,"area":7}}})j",
          {json}}},
        {"webhook:https://hooks.example/x",
         {"https://hooks.example/x",
          R"j({"id":42,"time":"\"noon\"\u000a中午","openid":"o\\Id","area":7,"text":")j" + text + R"j(","content":")j" +
              text + R"j("})j",
          {json}}}};
    for (const auto& [written, expected] : cases) {
        const OutgoingRequest request = ForwardTarget::Parse(written)->RequestFor(alert);
        EXPECT_EQ(std::tie(request.url, request.body, request.headers),
                  std::tie(expected.url, expected.body, expected.headers));
    }
}

}  // namespace
}  // namespace sentrel::service
