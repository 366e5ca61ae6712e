#include "support/DesktopScenarios.h"

#include <array>
#include <atomic>
#include <regex>
#include <thread>

#include "support/Waiting.h"

namespace sentrel::testing {
namespace {

using namespace std::chrono_literals;

constexpr std::int32_t kQuiet = 0xA04020, kChanged = 0x00F0A0, kWhite = 0xFFFFFF;
constexpr int kBands = 3;

// What a short line of the screen through a point shows, as it changes.
std::function<bool()> Changes(Desktop& desktop, Spot at) {
    const auto line = [&desktop, at] {
        std::vector<Spot> points;
        for (int dx = -12; dx <= 12; ++dx) points.push_back({at.x + dx, at.y});
        return desktop.Colours(points);
    };
    return [line, was = line()] { return line() != was; };
}

}  // namespace

SentrelRun::SentrelRun(std::unique_ptr<Desktop> on, const std::vector<std::string>& env)
    : desktop(std::move(on)),
      service({"--ntfy-server", ntfy.Url()}),
      tool(desktop->Start(service.Url(), env)),
      said{*tool},
      bands(kBands, kQuiet) {}

std::pair<std::string, std::string> SentrelRun::CodeFromPage() {
    LoopbackClient phone(service.Port());
    phone.Send(
        "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\nUser-Agent: Mozilla/5.0 (iPhone; CPU iPhone OS 17_5 like Mac OS "
        "X) Mobile/15E148 Safari/604.1\r\n\r\n");
    const std::optional<LoopbackClient::Reply> page = phone.Receive(10s);
    std::smatch code, subscribe;
    if (!page || !std::regex_search(page->body, code, std::regex("class=\"code\">(\\d{6})<")) ||
        !std::regex_search(page->body, subscribe, std::regex(ntfy.Url() + "/([\\w-]{24})\""))) {
        ADD_FAILURE() << "a code and a topic on the page";
        return {};
    }
    return {code[1], subscribe[1]};
}

std::vector<std::string> SentrelRun::MessagesTo(const std::string& to) const {
    std::vector<std::string> messages;
    for (const std::string& request : ntfy.Requests()) {
        if (request.starts_with("POST /" + to + " ")) messages.push_back(request.substr(request.find("\r\n\r\n") + 4));
    }
    return messages;
}

bool SentrelRun::SignIn() {
    std::string code;
    std::tie(code, topic) = CodeFromPage();
    const Screen& screen = desktop->screen;
    const Spot paper = screen.InSignIn(kSignInPaper);
    const auto signInShown = [&] { return desktop->Colour(paper) == kWhite; };
    if (!WaitFor(signInShown, 20s)) {
        ADD_FAILURE() << "the sign-in panel is painted";
        return false;
    }
    std::optional<std::string> accepted;
    const auto acceptedNow = [&] {
        accepted = service.Process().WaitForLine(ChildProcess::Stream::Err, Containing("sign-in accepted"), 0ms);
        return accepted.has_value();
    };
    // A window that has only just appeared (Wine's on a busy machine) may
    // not take the first keys, and a busy desktop may drop a click.
    for (int attempt = 0; attempt < 6 && !acceptedNow(); ++attempt) {
        if (desktop->Replace(screen.InSignIn(kCodeBox), code)) desktop->Click(screen.InSignIn(kSignIn));
        WaitFor(acceptedNow, 5s);
    }
    if (!accepted) {
        ADD_FAILURE() << "signed in";
        return false;
    }
    // The service logs only an OpenId's first four characters.
    openId = accepted->substr(accepted->find("openid \"") + 8, 4);
    // The sanitizer build may take seconds more to swap the panels.
    return WaitFor([&] { return !signInShown(); }, 20s);
}

std::pair<Spot, Spot> SentrelRun::Area(int band) const {
    const Screen& screen = desktop->screen;
    const int top = band == 0 ? 4 : screen.height * band / kBands + 40;
    const int right = screen.left + screen.width;
    return {{right - 10, top + (band == 0 ? 24 : 60)}, {right - 100, top}};
}

bool SentrelRun::DrawArea(int band) {
    const auto [from, to] = Area(band);
    return desktop->Drag(from, to) && WaitFor([&] { return desktop->ShowsArea(from, to, bands[band]); }, 20s);
}

bool SentrelRun::Paint(int band, std::int32_t colour) {
    bands[band] = colour;
    return desktop->Paint(bands);
}

bool SentrelRun::ChangeUntilAlerted(int band, std::size_t alerts) {
    for (int step = 1; step <= 20; ++step) {
        if (!Paint(band, kChanged + step)) return false;
        if (WaitFor([&] { return AlertedAreas().size() >= alerts; }, 1500ms)) return true;
    }
    return false;
}

std::vector<int> SentrelRun::AlertedAreas() {
    std::vector<int> areas;
    for (const std::string& line : service.Process().Lines(ChildProcess::Stream::Out))
        areas.push_back(std::stoi(line.substr(line.find("\"area\":") + 7)));
    return areas;
}

void PrintTo(const DesktopRow& row, std::ostream* out) { *out << row.name; }
void PrintTo(const LockRow& row, std::ostream* out) { *out << row.name; }

std::string LockRunName(const ::testing::TestParamInfo<std::tuple<LockRow, bool>>& run) {
    return std::get<0>(run.param).name + (std::get<1>(run.param) ? "_AlertWhenStill" : "_AlertWhenChanged");
}

// Signed in, two areas over quiet content watched for a change: each area
// alerts once what lies beneath it changes, the first over a change that
// goes on until it has, and never again. A pass sends its alerts before the
// next begins, so a second alert of the first area, or one of the second
// before its change, would come before the second area's.
TEST_P(SentrelOnDesktop, EachAreaAlertsOnceWhenWhatLiesBeneathChanges) {
    const DesktopRow& row = GetParam();
    SentrelRun run(row.make());
    Desktop& desktop = *run.desktop;
    ASSERT_TRUE(run.SignIn());
    ASSERT_TRUE(desktop.Paint(run.bands));
    for (int band : {0, 1}) {
        ASSERT_TRUE(run.DrawArea(band)) << "area " << band + 1 << " is drawn";
    }
    const Spot threshold = desktop.screen.InToolbar(kThreshold);
    // The change mode locks the threshold box, which greys right of its text.
    ASSERT_TRUE(desktop.ClickUntil(desktop.screen.InToolbar(kChangeMode), [&] {
        return desktop.Colour({threshold.x + 22, threshold.y}) != kWhite;
    }));
    ASSERT_TRUE(desktop.ClickUntil(desktop.screen.InToolbar(kStart), Changes(desktop, desktop.screen.InToolbar(kStop))))
        << "watching, Stop enabled";
    if (row.hidden) {
        ASSERT_TRUE(desktop.Hide());
    }

    ASSERT_TRUE(run.ChangeUntilAlerted(0, 1)) << "an alert once what lies beneath area 1 changes";
    EXPECT_EQ(run.AlertedAreas(), std::vector<int>{1}) << "none for area 2, whose content is quiet";
    ASSERT_TRUE(run.Paint(1, kChanged));
    ASSERT_TRUE(WaitFor([&] { return run.AlertedAreas().size() >= 2; }, row.latency))
        << "an alert for area 2 soon after its one change";
    EXPECT_EQ(run.AlertedAreas(), (std::vector<int>{1, 2})) << "area 1, alerted, sends nothing more";
    // The phone bound at sign-in heard of the sign-in, then of each alert once.
    ASSERT_TRUE(WaitFor([&] { return run.MessagesTo(run.topic).size() >= 3; }, 20s));
    const std::vector<std::string> messages = run.MessagesTo(run.topic);
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_TRUE(messages[0].starts_with("Sentrel 已登录")) << messages[0];
    EXPECT_TRUE(messages[1].starts_with("Sentrel 区域 1 提醒") && messages[2].starts_with("Sentrel 区域 2 提醒"))
        << messages[1] << messages[2];
    if (row.ownChecks) row.ownChecks(run);
}

// A locker locks the screen while three areas are watched over windows
// beneath Sentrel's: under area 1 all stays quiet, under area 2 something
// happens while locked, under area 3 once unlocked. An alert at the lock
// or at the unlock would come before area 3's, area 1's before area 2's.
// In the still mode (the parameter) quiet content keeps changing, and what
// happens is a stop.
TEST_P(ScreenLockOnDesktop, WatchingGoesOnBeneathTheLock) {
    const auto& [row, still] = GetParam();
    SentrelRun run(row.make(), row.env);
    Desktop& desktop = *run.desktop;
    ASSERT_TRUE(run.SignIn());
    ASSERT_TRUE(desktop.Paint(run.bands));
    for (int band = 0; band < kBands; ++band) {
        ASSERT_TRUE(run.DrawArea(band)) << "area " << band + 1 << " is drawn";
    }
    ASSERT_TRUE(desktop.Click(desktop.screen.InToolbar(still ? kStillMode : kChangeMode)));
    if (still) {
        ASSERT_TRUE(desktop.Replace(desktop.screen.InToolbar(kThreshold), "3"));
    }
    // Changing content steps by one unit of red ten times a second, its own
    // pace rather than a wait.
    std::array<std::atomic<bool>, kBands> changing, happened{};
    for (std::atomic<bool>& band : changing) band = still;
    const std::jthread changer([&](const std::stop_token& stop) {
        for (int step = 0; !stop.stop_requested(); step = (step + 1) % 200) {
            std::vector<std::int32_t> colours(kBands);
            for (int i = 0; i < kBands; ++i) {
                colours[i] = changing[i] ? kQuiet + step : happened[i] && !still ? kChanged : kQuiet;
            }
            desktop.Paint(colours);
            std::this_thread::sleep_for(100ms);
        }
    });
    const auto happen = [&](int band) { (still ? changing : happened)[band] = !still; };
    ASSERT_TRUE(desktop.Click(desktop.screen.InToolbar(kStart)));
    // A lock nobody tells of is seen only over a window that was seen first.
    if (row.passed) {
        ASSERT_TRUE(row.passed(*run.tool, "", 2)) << "watched";
    }

    {
        const std::unique_ptr<ChildProcess> locker = row.lock(desktop);
        ASSERT_TRUE(run.tool->WaitForLine(ChildProcess::Stream::Err, Containing(row.locked), 20s));
        // A compositor that hides the windows beneath its lock lets them
        // redraw only once it ends, so a change made there lands on either
        // side of the first pass that sees again: only a stop is made.
        if (row.judgedWhileLocked || still) happen(1);
        if (row.judgedWhileLocked) {
            ASSERT_TRUE(WaitFor([&] { return !run.AlertedAreas().empty(); }, 20s));
            EXPECT_EQ(run.AlertedAreas(), std::vector<int>{2}) << "alerts while locked";
        } else {
            ASSERT_TRUE(row.passed(*run.tool, row.locked, 8));
            EXPECT_TRUE(run.AlertedAreas().empty()) << "an alert while locked";
        }
    }
    ASSERT_TRUE(run.tool->WaitForLine(ChildProcess::Stream::Err, Containing(row.unlocked), 20s));
    happen(2);
    const std::vector<int> expected = row.judgedWhileLocked || still ? std::vector<int>{2, 3} : std::vector<int>{3};
    ASSERT_TRUE(WaitFor([&] { return run.AlertedAreas().size() >= expected.size(); }, 20s));
    EXPECT_EQ(run.AlertedAreas(), expected) << "alerts once unlocked";
}

}  // namespace sentrel::testing
