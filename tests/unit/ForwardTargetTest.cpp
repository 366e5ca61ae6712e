#include "relay/outbox/ForwardTarget.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "relay/outbox/ForwardsFile.h"
#include "support/TempDatabase.h"

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
    for (const char* written :
         {"ntfy:ftp://x/t", "ntfy:", "webhook:http://", "webhook:https:///path", "smtp:http://x/", "https://ntfy.sh/t",
          "command:", "Ntfy:https://x/", "webhook:http://a\nb/", "gotify:https://a b/"}) {
        EXPECT_FALSE(ForwardTarget::Parse(written)) << written;
    }
}

// The alert's time comes from the database, so the JSON must stay valid
// whatever it holds: quotes, a backslash and a line break are escaped, UTF-8
// passes as it is. ntfy takes the text itself. No request carries the
// OpenId.
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
          R"j({"id":42,"time":"\"noon\"\u000a中午","area":7,"sjs":12345,"text":")j" + text + R"j(","content":")j" +
              text + R"j("})j",
          {json}}}};
    for (const auto& [written, expected] : cases) {
        const OutgoingRequest request = ForwardTarget::Parse(written)->RequestFor(alert);
        EXPECT_EQ(std::tie(request.url, request.body, request.headers),
                  std::tie(expected.url, expected.body, expected.headers));
    }
}

// Refused unless it is a regular file only its owner may read and write, and every line that
// is not blank or a comment is a forward; an error names the line, never
// its text, which may hold a token.
TEST(ForwardsFile, TakesOnlyAFileOfForwardsThatOthersCannotRead) {
    const std::tuple<std::string, mode_t, std::string> cases[] = {
        {" # mine\n\nntfy:https://ntfy.sh/t \r\n\twebhook:http://h/x\n", 0600, ""},
        {"\xEF\xBB\xBF# mine\r\nntfy:https://ntfy.sh/t\r\nwebhook:http://h/x\r\n", 0600, ""},
        {"ntfy:https://ntfy.sh/t\n", 0640, "may be read or written by others (mode 0640)"},
        {"ntfy:https://ntfy.sh/t\n", 0602, "may be read or written by others (mode 0602)"},
        {"", S_IFIFO | 0600, "is not a regular file"},
        {"ntfy:https://ntfy.sh/t\ncommand:rm -rf ~\n", 0400, "line 2 is not"}};
    for (const auto& [text, mode, refusal] : cases) {
        const testing::TempDatabase file;
        if (!S_ISFIFO(mode) || ::mkfifo(file.Path().c_str(), mode) != 0) std::ofstream(file.Path()) << text;
        ::chmod(file.Path().c_str(), mode);
        try {
            std::vector<std::string> written;
            for (const ForwardTarget& target : ReadForwardsFile(file.Path())) written.push_back(target.Written());
            EXPECT_EQ(written, (std::vector<std::string>{"ntfy:https://ntfy.sh/t", "webhook:http://h/x"}));
            EXPECT_EQ(refusal, "");
        } catch (const std::runtime_error& error) {
            EXPECT_NE(std::string(error.what()).find(refusal), std::string::npos) << error.what();
            EXPECT_NE(refusal, "") << error.what();
            EXPECT_EQ(std::string(error.what()).find("rm -rf"), std::string::npos);
        }
    }
}

}  // namespace
}  // namespace sentrel::service
