#include <gtest/gtest.h>

#include <set>

#include "relay/desk/AlertDesk.h"
#include "relay/desk/StopLine.h"
#include "relay/options/ServiceOptions.h"
#include "relay/outbox/ForwardTarget.h"
#include "relay/system/UtcTimestamp.h"
#include "support/TempDatabase.h"

namespace sentrel::service {
namespace {

const std::string kNtfy = "http://ntfy.test";
const std::string kOwner = "webhook:http://owner.test/";
const VerificationCodes::Clock::time_point kStart{};

class PhoneBindingTest : public ::testing::Test {
protected:
    struct Person {
        std::string openId, target, code;
    };

    DeskReply Get(const std::string& path, std::multimap<std::string, std::string> params = {},
                  const std::string& client = "10.0.0.9") {
        return desk->Handle(DeskRequest{path, std::move(params), client}, kStart);
    }
    // Opens the page as a phone would, takes its topic, signs in with its code.
    Person FromPage(const std::string& client = "10.0.0.9") {
        const DeskReply page = Get("/", {}, client);
        const std::size_t at = page.body.find(kNtfy + "/");
        EXPECT_NE(at, std::string::npos) << page.body;
        Person person{"", "ntfy:" + page.body.substr(at, kNtfy.size() + 1 + PhoneBinding::kIdLength),
                      page.note.substr(page.note.size() - 6)};
        const DeskReply signedIn = Get("/alertdesk/yzm_check.asp", {{"code", person.code}}, client);
        person.openId = signedIn.body;
        EXPECT_EQ(signedIn.owedTo, std::vector<std::string>{person.target});
        return person;
    }
    // Who an alert from the OpenId is owed to.
    std::set<std::string> Owed(const std::string& openId) {
        const RecordedAlert alert = store->RecordAlert({openId, 3, 12345}, "t", EpochMilliseconds(), {kOwner});
        std::set<std::string> targets;
        for (const DeliveryState& delivery : store->Deliveries(alert.id)) targets.insert(delivery.target);
        return targets;
    }
    std::string TopicOf(const Person& person) { return person.target.substr(person.target.rfind('/') + 1); }

    testing::TempDatabase database;
    std::optional<ServiceStore> store{database.Path()};
    std::optional<AlertDesk> desk{std::in_place, VerificationCodes(std::string("2468")), *store, kNtfy};
};

TEST_F(PhoneBindingTest, EachPersonsAlertsReachTheirOwnPhoneAndTheOwnersForwardsAlsoAfterARestart) {
    const Person a = FromPage(), b = FromPage("10.0.0.8");
    const std::string unbound = Get("/alertdesk/yzm_check.asp", {{"code", "2468"}}).body;
    for (int start = 0; start < 2; ++start) {
        EXPECT_EQ(Owed(a.openId), (std::set<std::string>{kOwner, a.target}));
        EXPECT_EQ(Owed(b.openId), (std::set<std::string>{kOwner, b.target}));
        EXPECT_EQ(Owed(unbound), std::set<std::string>{kOwner});
        desk.reset();
        store.emplace(database.Path());
        desk.emplace(VerificationCodes(std::nullopt), *store, kNtfy);
    }
}

TEST_F(PhoneBindingTest, ThePhoneHearsOnceOfTheSignInAndNothingOnceItStops) {
    const Person a = FromPage();
    const std::vector<RecordedAlert> owed = store->OwedTo(a.target, 10);
    ASSERT_EQ(owed.size(), 1u);
    StopLine stopLine(*store);
    stopLine.SetPage("http://192.168.1.5:8731");
    const std::string text = ForwardTarget::Parse(a.target)->RequestFor(owed[0], stopLine.For(a.target)).body;
    EXPECT_TRUE(text.starts_with("Sentrel 已登录 (")) << text;
    EXPECT_TRUE(text.ends_with("\n停止接收：http://192.168.1.5:8731/phone?id=" + TopicOf(a))) << text;
    EXPECT_EQ(stopLine.For(kOwner), "");
    EXPECT_TRUE(store->Alerts(0, 10).empty()) << "the notice is no alert";
    EXPECT_EQ(Get("/alertdesk/yzm_check.asp", {{"code", a.code}}).body, "err01") << "nor is it owed again";

    EXPECT_EQ(Get("/phone", {{"id", TopicOf(a)}}).status, 200);
    EXPECT_EQ(Get("/unbind", {{"id", TopicOf(a)}}).status, 200);
    EXPECT_EQ(store->Deliveries(owed[0].id)[0].stage, DeliveryState::Stage::Failed);
    EXPECT_EQ(Owed(a.openId), std::set<std::string>{kOwner});
    for (const char* path : {"/unbind", "/phone"}) EXPECT_EQ(Get(path, {{"id", TopicOf(a)}}).status, 404);
}

TEST_F(PhoneBindingTest, ACodeTakesATargetOfOnesOwnButNoCommandAndGuessesCount) {
    const DeskReply page = Get("/");
    const std::string code = page.note.substr(page.note.size() - 6);
    const std::pair<std::string, int> binds[] = {
        {"command:touch /tmp/x", 400}, {"webhook:file:///etc", 400}, {"webhook:https://mine.test/hook", 200}};
    for (const auto& [target, status] : binds)
        EXPECT_EQ(Get("/bind", {{"code", code}, {"target", target}}).status, status);
    const DeskReply signedIn = Get("/alertdesk/yzm_check.asp", {{"code", code}});
    EXPECT_EQ(signedIn.owedTo, std::vector<std::string>{"webhook:https://mine.test/hook"});

    const std::string live = Get("/").note.substr(page.note.size() - 6);
    for (int miss = 0; miss < AlertDesk::kMaxMisses; ++miss) {
        EXPECT_EQ(Get("/bind", {{"code", "000000"}, {"target", "webhook:https://thief.test/"}}).status, 404);
    }
    EXPECT_EQ(Get("/bind", {{"code", live}, {"target", "webhook:https://thief.test/"}}).status, 429);
    EXPECT_EQ(Get("/alertdesk/yzm_check.asp", {{"code", live}}, "10.0.0.1").owedTo.front().rfind("ntfy:", 0), 0u);
}

TEST_F(PhoneBindingTest, TopicsAreLongRandomAndSafeInAUrl) {
    std::set<std::string> ids;
    for (int i = 0; i < 1000; ++i) {
        const PhoneBinding binding = PhoneBinding::Ntfy("https://ntfy.example//");
        EXPECT_EQ(binding.id.size(), PhoneBinding::kIdLength);
        EXPECT_EQ(binding.id.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_-"),
                  std::string::npos);
        EXPECT_EQ(binding.SubscribeUrl(), "https://ntfy.example/" + binding.id);
        ids.insert(binding.id);
    }
    EXPECT_EQ(ids.size(), 1000u);
}

TEST_F(PhoneBindingTest, EveryonesAlertsAreShownOnThisMachineOnly) {
    const std::pair<std::string, int> clients[] = {
        {"127.0.0.1", 200}, {"::1", 200}, {"10.0.0.1", 403}, {"::ffff:10.0.0.1", 403}};
    for (const auto& [client, status] : clients) EXPECT_EQ(Get("/status", {}, client).status, status) << client;
}

TEST(ServiceOptions, APhoneIsGivenThePageOnlyAtAnAddressItCanReach) {
    const std::pair<std::vector<const char*>, std::string> cases[] = {
        {std::vector<const char*>{}, ""},
        {std::vector<const char*>{"--bind=0.0.0.0"}, ""},
        {std::vector<const char*>{"--bind=::"}, ""},
        {std::vector<const char*>{"--bind=192.168.1.5"}, "http://192.168.1.5:8731"},
        {std::vector<const char*>{"--bind=0.0.0.0", "--public-url=http://desk.lan:8731/"}, "http://desk.lan:8731"}};
    for (const auto& [args, page] : cases) {
        const ServiceOptions options = *ParseServiceOptions(args).options;
        EXPECT_EQ(PhonePageAddress(options, "http://" + options.bind + ":8731"), page);
    }
    EXPECT_EQ(ParseServiceOptions(std::vector<const char*>{"--public-url=http://[fd00::5]:80"}).options->allowHosts,
              std::vector<std::string>{"fd00::5"});
    for (const char* bad : {"--ntfy-server=ftp://x", "--public-url=http://a/?q", "--ntfy-server=http://a/\"x"}) {
        EXPECT_FALSE(ParseServiceOptions(std::span(&bad, 1)).options) << bad;
    }
}

}  // namespace
}  // namespace sentrel::service
