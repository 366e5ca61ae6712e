#include "relay/desk/AlertDesk.h"

#include <gtest/gtest.h>

#include <functional>
#include <regex>
#include <set>

#include "client/AlertSignature.h"
#include "relay/desk/ClientNetwork.h"
#include "relay/desk/StopLine.h"
#include "relay/http/RequestTarget.h"
#include "relay/options/ServiceOptions.h"
#include "relay/outbox/AlertJournal.h"
#include "relay/system/TextEscapes.h"
#include "relay/system/UtcTimestamp.h"
#include "support/TempDatabase.h"

namespace sentrel::service {
namespace {

using namespace std::chrono_literals;
using Params = std::multimap<std::string, std::string>;
const VerificationCodes::Clock::time_point kStart{};
const std::string kNtfy = "http://ntfy.test";
const std::string kOwner = "webhook:http://owner.test/";

class AlertDeskTest : public ::testing::Test {
protected:
    DeskReply Get(const std::string& path, Params params = {}, const std::string& client = "") {
        return desk->Handle(DeskRequest{path, std::move(params), client}, kStart);
    }
    DeskReply Call(const std::string& script, Params params = {}) { return Get("/alertdesk/" + script, params); }
    DeskReply Attempt(const std::string& code, std::chrono::seconds after, const std::string& client,
                      bool fromWebPage = false) {
        return desk->Handle(DeskRequest{"/alertdesk/yzm_check.asp", {{"code", code}}, client, fromWebPage},
                            kStart + after);
    }
    std::string SignIn(const std::string& code, std::chrono::seconds after = 0s, const std::string& client = "",
                       bool fromWebPage = false) {
        return Attempt(code, after, client, fromWebPage).body;
    }

    testing::TempDatabase database;
    // Optional, to be made again as a restart would.
    std::optional<ServiceStore> store{database.Path()};
    std::optional<AlertDesk> desk{std::in_place, VerificationCodes(std::string("2468")), *store, kNtfy};
};

// Issued codes are single-use and live ten minutes; the standing code does not.
TEST_F(AlertDeskTest, SignInHandsOutFreshOpenIdsForLiveCodesAndErr01Otherwise) {
    const std::string first = SignIn("2468");
    EXPECT_TRUE(first.starts_with('o')) << first;
    EXPECT_NE(first, SignIn("2468"));
    const std::string early = desk->IssueCode(kStart).code, late = desk->IssueCode(kStart).code;
    EXPECT_EQ(SignIn(early, 10min - 1s).size(), 28u);
    EXPECT_EQ(SignIn(early, 10min - 1s), "err01");
    EXPECT_EQ(SignIn(late, 10min), "err01");
    EXPECT_EQ(Attempt("1111", 0s, "").status, 200) << "a wrong code is an answer";
}

TEST_F(AlertDeskTest, WrongCodesAreLimitedPerAddress) {
    for (int miss = 0; miss < 4; ++miss) EXPECT_EQ(SignIn("111111", 1s * miss, "10.0.0.1"), "err01");
    EXPECT_EQ(SignIn("2468", 5s, "10.0.0.1").size(), 28u) << "four misses leave the right code working";
    EXPECT_EQ(SignIn("111111", 6s, "10.0.0.1"), "err01");
    EXPECT_EQ(SignIn("2468", 7s, "10.0.0.1"), "err01");
    EXPECT_EQ(SignIn("2468", 6s + 10min - 1s, "10.0.0.1"), "err01");
    EXPECT_EQ(SignIn("2468", 8s, "10.0.0.2").size(), 28u);
    EXPECT_EQ(SignIn("2468", 6s + 10min, "10.0.0.1").size(), 28u);
}

// A full wrong-code count refuses new addresses rather than forget any.
TEST_F(AlertDeskTest, WrongCodesFromTooManyAddressesShutOutNewOnesNotCountedOnes) {
    for (std::size_t i = 0; i < ClientQuota::kCapacity; ++i) SignIn("111111", 0s, "10." + std::to_string(i));
    EXPECT_EQ(Attempt("2468", 1s, "10.new").status, 503);
    EXPECT_EQ(SignIn("2468", 1s, "10.0").size(), 28u);
    EXPECT_EQ(SignIn("2468", 10min, "10.new").size(), 28u);
}

// Sign-ins and codes count per address, alerts per OpenId: each client of
// a row sends as its own OpenId.
TEST_F(AlertDeskTest, SignInsAndCodesAreLimitedPerAddressAndAlertsPerOpenId) {
    const std::pair<std::function<int(const std::string&, bool, std::chrono::seconds)>, int> requests[] = {
        {[this](const std::string& client, bool page, auto at) { return Attempt("2468", at, client, page).status; },
         AlertDesk::kMaxPerMinute},
        {[this](const std::string& client, bool page, auto at) {
             return desk->Handle(DeskRequest{"/", {}, client, page}, kStart + at).status;
         },
         AlertDesk::kMaxPerMinute},
        {[this, openIds = std::map<std::string, std::string>()](const std::string& client, bool page, auto at) mutable {
             std::string& openId = openIds[client + (page ? " page" : "")];
             if (openId.empty()) openId = SignIn("2468");
             const Params alert = {{"openid", openId}, {"sjs", "12345"}, {"code", AlertSignature(12345)}, {"str", "1"}};
             return desk->Handle(DeskRequest{"/alertdesk/sndmsg.asp", alert, client, page}, kStart + at).status;
         },
         AlertDesk::kMaxAlertsPerMinute}};
    for (const auto& [request, limit] : requests) {
        for (int i = 0; i < limit; ++i) EXPECT_EQ(request("10.0.0.1", false, 9s * i / (limit - 1)), 200);
        EXPECT_EQ(request("10.0.0.1", false, 10s), 429);
        EXPECT_EQ(request("10.0.0.1", false, 9s + 1min - 1s), 429);
        EXPECT_EQ(request("10.0.0.1", true, 10s), 200);
        EXPECT_EQ(request("10.0.0.2", false, 10s), 200);
        EXPECT_EQ(request("10.0.0.1", false, 9s + 1min), 200);
    }
}

// Page loads push out only the page's own codes, and a code that left is a
// late try, never a miss.
TEST_F(AlertDeskTest, PageLoadsNeitherTakeTheStartsCodeNorTurnALateTryIntoAMiss) {
    const auto pageCode = [this](std::size_t i) {
        return desk->Handle(DeskRequest{"/", {}, "10." + std::to_string(i)}, kStart + 1ms * i).note.substr(22);
    };
    const std::string started = desk->IssueCode(kStart).code, pushedOut = pageCode(0);
    for (std::size_t i = 1; i <= VerificationCodes::kMaxLive; ++i) pageCode(i);
    for (int i = 0; i <= AlertDesk::kMaxMisses; ++i) EXPECT_EQ(SignIn(pushedOut, 2s, "10.0.0.9"), "err01");
    EXPECT_EQ(SignIn(started, 2s, "10.0.0.9").size(), 28u);
}

// Full, a sign-in makes way only by forgetting the OpenId least lately seen
// of those unseen for a day; a sign-in, a keep-alive, a sign-off and an
// alert each count as seeing it.
TEST_F(AlertDeskTest, ASignInNeverPushesOutAnOpenIdSeenWithinADay) {
    const std::string first = SignIn("2468");
    const auto run = [this](const std::string& sql) {
        sqlite3* db = nullptr;
        sqlite3_open(database.Path().c_str(), &db);
        EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
        sqlite3_close(db);
    };
    run("WITH RECURSIVE n(i) AS (SELECT 2 UNION ALL SELECT i + 1 FROM n WHERE i < " +
        std::to_string(Subscribers::kMaxKnown) + ") INSERT INTO subscribers(openid, seen_ms) SELECT 'o' || i, " +
        std::to_string(EpochMilliseconds()) + " FROM n");
    const std::string code = desk->IssueCode(kStart).code;
    EXPECT_EQ(Attempt(code, 0s, "").status, 503);
    run("UPDATE subscribers SET seen_ms = seen_ms - (CASE openid WHEN 'o5' THEN 25 ELSE 26 END) * 3600 * 1000"
        " WHERE openid IN ('o2', 'o3', 'o4', 'o5')");
    EXPECT_EQ(Call("checkon.asp", {{"openid", "o2"}}).status, 200);
    EXPECT_EQ(Call("checkoff.asp", {{"openid", "o3"}}).status, 200);
    store->RecordAlert({"o4", 1, 12345}, "t", EpochMilliseconds(), {});
    EXPECT_EQ(SignIn(code).size(), 28u) << "a sign-in refused for want of room keeps its code";
    EXPECT_TRUE(store->KnowsSubscriber(first));
    for (const char* seen : {"o2", "o3", "o4"}) EXPECT_TRUE(store->KnowsSubscriber(seen)) << seen;
    EXPECT_FALSE(store->KnowsSubscriber("o5"));
}

TEST_F(AlertDeskTest, AcceptsOnlyAProperlySignedAlertFromAKnownOpenId) {
    const std::string id = SignIn("2468"), code = AlertSignature(12345);
    const std::tuple<std::string, std::string, std::string, std::string, int> alerts[] = {
        {id, "12345", code, "20", 200},
        {"oNobody", "12345", code, "1", 403},
        {"", "12345", code, "1", 403},
        {id, "12345", AlertSignature(12346), "1", 403},
        {id, "11110", AlertSignature(11110), "1", 400},
        {id, "21111", AlertSignature(21111), "1", 400},
        {id, "012345", code, "1", 400},
        {id, "+12345", code, "1", 400},
        {id, "12345", code, "0", 400},
        {id, "12345", code, "21", 400},
        {id, "12345", code, "03", 400},
        {id, "12345", code, "99999999999999999999", 400}};
    for (const auto& [openId, sjs, signature, area, status] : alerts) {
        const DeskReply reply =
            Call("sndmsg.asp", {{"openid", openId}, {"sjs", sjs}, {"code", signature}, {"str", area}});
        EXPECT_EQ(reply.status, status) << openId << " " << sjs << " " << area;
        EXPECT_EQ(reply.alert.has_value(), status == 200);
    }
}

TEST_F(AlertDeskTest, MissingAndRepeatedParametersAreRefusedByName) {
    const std::string id = SignIn("2468"), code = AlertSignature(12345);
    const std::tuple<std::string, Params, std::string> cases[] = {
        {"vers.asp", {}, "missing parameter vers"},
        {"yzm_check.asp", {{"code", "1"}, {"code", "2468"}}, "repeated parameter code"},
        {"sndmsg.asp", {{"openid", id}}, "missing parameter sjs"},
        {"sndmsg.asp", {{"sjs", "12345"}, {"code", code}, {"str", "1"}}, "missing parameter openid"},
        {"sndmsg.asp", {{"openid", id}, {"sjs", "12345"}, {"str", "1"}}, "missing parameter code"},
        {"sndmsg.asp", {{"openid", id}, {"sjs", "12345"}, {"code", code}}, "missing parameter str"},
        {"sndmsg.asp", {{"openid", id}, {"sjs", "1"}, {"sjs", "12345"}}, "repeated parameter sjs"},
        {"checkon.asp", {}, "missing parameter openid"},
        {"checkoff.asp", {{"openid", ""}, {"openid", id}}, "repeated parameter openid"}};
    for (const auto& [script, params, refusal] : cases) {
        const DeskReply reply = Call(script, params);
        EXPECT_EQ(std::tie(reply.status, reply.body), std::make_tuple(400, refusal));
        EXPECT_FALSE(reply.alert.has_value());
    }
    EXPECT_EQ(Call("yzm_check.asp").body, "missing parameter code");
    EXPECT_EQ(Call("other.asp").status, 404);
}

TEST_F(AlertDeskTest, VersionNoticeSaysUpToDateOnlyForTheCurrentVersion) {
    EXPECT_EQ(Call("vers.asp", {{"vers", "5.0.2"}}).body, "本地通知服务已连接，当前版本 5.0.2 是最新版本。");
    for (const char* other : {"5.0.1", "4.9", "5.0.10", "10.0", ""}) {
        EXPECT_EQ(Call("vers.asp", {{"vers", other}}).body, "本地通知服务已连接，最新版本为 5.0.2。") << other;
    }
}

// Who is online is shown on this machine only.
TEST_F(AlertDeskTest, KeepAliveAndSignOffTrackWhoIsOnline) {
    const auto status = [this] { return desk->Handle(DeskRequest{"/status", {}, "127.0.0.1"}, {}).body; };
    EXPECT_EQ(Get("/status", {}, "::ffff:10.0.0.1").status, 403);
    EXPECT_EQ(Call("checkon.asp", {{"openid", ""}}).body, "ok");
    EXPECT_EQ(Call("checkoff.asp", {{"openid", ""}}).body, "ok");
    EXPECT_EQ(Call("checkon.asp", {{"openid", "oNobody"}}).status, 404);
    const std::string id = SignIn("2468");
    SignIn("2468");
    const std::string emptyOutbox = ",\"outbox\":{\"pending\":0,\"delivered\":0,\"failed\":0},\"latest\":[]}";
    EXPECT_EQ(status(), "{\"signedIn\":2,\"online\":2" + emptyOutbox);
    EXPECT_EQ(Call("checkoff.asp", {{"openid", id}}).status, 200);
    EXPECT_EQ(status(), "{\"signedIn\":2,\"online\":1" + emptyOutbox);
    EXPECT_EQ(Call("checkon.asp", {{"openid", id}}).status, 200);
    EXPECT_EQ(status(), "{\"signedIn\":2,\"online\":2" + emptyOutbox);
}

TEST(ServiceText, LogAndJsonEscapes) {
    // Well-formed UTF-8 stays; a C1 control, a lone or overlong byte do not.
    EXPECT_EQ(Printable("a\r\n\"\\中\xC2\x85\xE4\xC0\xAF"), "a\\x0D\\x0A\\\"\\\\中\\xC2\\x85\\xE4\\xC0\\xAF");
    const std::pair<const char*, const char*> targets[] = {
        {"/alertdesk/sndmsg.asp?openid=oSecret123&sjs=1", "/alertdesk/sndmsg.asp?openid=oSec...&sjs=1"},
        {"/x?sjs=1&openid=o12&openid=", "/x?sjs=1&openid=o12...&openid="},
        {"/openid=oSecret?xopenid=oSecret", "/openid=oSecret?xopenid=oSecret"},
        {"/x?%6Fpenid=oSecret&open%69d=o%53ecret", "/x?openid=oSec...&openid=oSec..."}};
    for (const auto& [target, masked] : targets) EXPECT_EQ(MaskedTarget(target), masked);
    EXPECT_EQ(AlertJournal::JsonLine(RecordedAlert{17, "2026-12-06T19:14:19Z", AcceptedAlert{"oX", 3, 12345}}),
              "{\"id\":17,\"time\":\"2026-12-06T19:14:19Z\",\"openid\":\"oX\",\"area\":3,\"sjs\":12345}\n");
}

TEST(ClientNetwork, IsAnIPv4AddressItselfAndAnIPv6AddressItsSlash64) {
    const std::pair<const char*, const char*> networks[] = {{"10.1.2.3", "10.1.2.3"},
                                                            {"::ffff:10.1.2.3", "10.1.2.3"},
                                                            {"2001:DB8:0:1:aa::1", "2001:db8:0:1::/64"},
                                                            {"2001:db8::1:2:3:4", "2001:db8:0:0::/64"},
                                                            {"fe80::1%eth0", "fe80:0:0:0::/64"}};
    for (const auto& [address, network] : networks) EXPECT_EQ(ClientNetwork(address), network);
}

TEST(ServiceOptions, DefaultsToThisMachineAndExplainsBadArguments) {
    EXPECT_EQ(ParseServiceOptions({}).options->bind, "127.0.0.1") << "only this machine unless told";
    EXPECT_EQ(ParseServiceOptions(std::vector<const char*>{"--port=0"}).options->port, 0);
    EXPECT_EQ(ParseServiceOptions({}).options->keepDays, 30);
    EXPECT_EQ(ParseServiceOptions(std::vector<const char*>{"--keep-days=0"}).options.value().keepDays, 0);
    const std::vector<const char*> twice = {"--forward", "ntfy:https://a/t", "--forward=ntfy:https://a/t"};
    EXPECT_EQ(ParseServiceOptions(twice).options->forwards, std::vector<std::string>{"ntfy:https://a/t"});
    EXPECT_EQ(DefaultOnAlertLog("/var/lib/sentrel/service.db"), "/var/lib/sentrel/service.on-alert.log");
    for (const char* bad : {"--port", "--port=65536", "--port=80x", "--code=", "--code=a\nb", "--frobnicate", "stray",
                            "--bind=", "--forward=command:ls", "--db=", "--allow-host=", "--allow-host=a/b",
                            "--forwards=", "--on-alert-log=", "--keep-days=36501", "--ntfy-server=ftp://x",
                            "--public-url=http://a/?q", "--ntfy-server=http://a/\"x"}) {
        const ParsedOptions refused = ParseServiceOptions(std::span(&bad, 1));
        EXPECT_FALSE(refused.options) << bad;
        EXPECT_FALSE(refused.error.empty());
    }
}

// Each code from the page binds a phone, or a target of the person's own.
class PhoneBindingTest : public AlertDeskTest {
protected:
    struct Person {
        std::string openId, target, code;
    };

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
    std::set<std::string> urls;
    for (int i = 0; i < 1000; ++i) urls.insert(PhoneBinding::Ntfy("https://ntfy.example//").SubscribeUrl());
    EXPECT_EQ(urls.size(), 1000u);
    const std::regex topic("https://ntfy\\.example/[A-Za-z0-9_-]{24}");
    for (const std::string& url : urls) EXPECT_TRUE(std::regex_match(url, topic)) << url;
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
}

}  // namespace
}  // namespace sentrel::service
