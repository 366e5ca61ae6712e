#include <gtest/gtest.h>

#include <signal.h>
#include <QColor>
#include <QCoreApplication>
#include <QImage>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "log/ToolLog.h"
#include "monitor/MonitorPixels.h"
#include "platform/wayland/WaylandScreenReader.h"
#include "support/DesktopScenarios.h"
#include "support/MutterDesktop.h"
#include "support/SentrelLayout.h"
#include "support/VirtualPointer.h"
#include "support/Waiting.h"
#include "support/WaylandSession.h"

namespace sentrel {
namespace {

using namespace std::chrono_literals;
using namespace testing;

// 0x00BBGGRR, as the tool's screen reader gives colours.
std::int32_t ColourAt(const QImage& shot, ScreenPoint at) {
    const QRgb rgb = shot.pixel(at.x, at.y);
    return qRed(rgb) | qGreen(rgb) << 8 | qBlue(rgb) << 16;
}

// A Wayland session Sentrel runs in as its user, over a colour window that
// paints the content beneath.
class WaylandDesktop : public Desktop {
public:
    WaylandDesktop(Screen monitor, std::unique_ptr<WaylandSession> session)
        : Desktop(monitor),
          session_(std::move(session)),
          content_(
              session_->Inside({"QT_WAYLAND_DISABLE_WINDOWDECORATION=1", session_->Staged(SENTREL_COLOUR_WINDOW)})) {}

    // Sentrel, started and left to itself.
    std::unique_ptr<ChildProcess> Launch(const std::string& url, const std::vector<std::string>& env = {}) const {
        std::vector<std::string> command = env;
        command.insert(command.end(), {"SENTREL_SERVICE_URL=" + url, session_->Staged(SENTREL_BINARY)});
        return std::make_unique<ChildProcess>(session_->Inside(command));
    }
    bool Paint(const std::vector<std::int32_t>& bands) override {
        std::string line;  // RRGGBB for each band, top to bottom
        for (const std::int32_t bgr : bands) {
            line += " " + QColor(bgr & 0xFF, bgr >> 8 & 0xFF, bgr >> 16).name().mid(1).toStdString();
        }
        return Painted(line.substr(1));
    }
    // The colour window painting the line it was sent: a colour, bands of
    // colours, or its pattern; false once it no longer reads or paints.
    bool Painted(const std::string& what) {
        return content_.Send(what) && content_.WaitForLine(ChildProcess::Stream::Out, [&](const std::string& line) {
            return line == "painted " + what;
        });
    }
    const WaylandSession& Session() const { return *session_; }

protected:
    std::unique_ptr<WaylandSession> session_;

private:
    ChildProcess content_;
};

// An output at a scale, its size as seen, the window's layout on its
// logical size, how far down the compositor puts the window (as below a top
// bar), and how the output is turned (a sway transform).
struct Output {
    std::string name;
    double scale;
    int width, height;
    Screen logical;
    int top = 0;
    std::string transform = "normal";
};

const std::vector<Output> kOutputs = {{"1920x1080_scale1", 1, 1920, 1080, {1920, 1080}},
                                      {"2560x1600_scale2", 2, 2560, 1600, {1280, 800}},
                                      {"1920x1200_scale1_5_down30", 1.5, 1920, 1200, {1280, 800}, 30},
                                      {"1080x1920_scale1_90", 1, 1080, 1920, {1080, 1920}, 0, "90"},
                                      {"1200x1920_scale1_5_flipped90", 1.5, 1200, 1920, {800, 1280}, 0, "flipped-90"}};

// Sway on that output, Sentrel's window floating `top` down as sway puts it,
// the compositor's binding for Ctrl+W, a virtual pointer, typed keys, grim
// for eyes, and a colour window maximised beneath Sentrel's floating one.
class SwayDesktop : public WaylandDesktop {
public:
    explicit SwayDesktop(const Output& output)
        : WaylandDesktop(output.logical, Sway(output)),
          scale_(output.scale),
          top_(output.top),
          pointer_(*session_, screen.width, screen.height) {}

    std::unique_ptr<ChildProcess> Start(const std::string& url, const std::vector<std::string>& env) override {
        auto tool = Launch(url, env);
        EXPECT_TRUE(tool->WaitForLine(ChildProcess::Stream::Err, Containing(said::kNativeWayland)));
        return tool;
    }
    bool Click(Spot at) override { return pointer_.Click(at.x, at.y + top_); }
    bool Drag(Spot from, Spot to) override {
        return pointer_.Move(from.x, from.y + top_) && pointer_.Press() &&
               pointer_.Move((from.x + to.x) / 2, (from.y + to.y) / 2 + top_) && pointer_.Move(to.x, to.y + top_) &&
               pointer_.Release();
    }
    bool Replace(Spot box, const std::string& text) override {
        std::vector<std::string> keys = {"wtype", "-k", "End"};
        for (int i = 0; i < 6; ++i) keys.insert(keys.end(), {"-k", "BackSpace"});
        keys.push_back(text);
        return Click(box) && session_->Ran(keys);
    }
    std::vector<std::int32_t> Colours(const std::vector<Spot>& at) override {
        const QImage shot = session_->Shot();
        std::vector<std::int32_t> colours;
        for (const Spot spot : at) colours.push_back(ColourAt(shot, Pixel({spot.x, spot.y})));
        return colours;
    }
    bool Hide() override { return session_->Ran({"wtype", "-M", "ctrl", "w", "-m", "ctrl"}); }

    // The output pixel of a window unit.
    ScreenPoint Pixel(ScreenPoint unit) const {
        return MonitorPixels::Map(unit, {0, static_cast<std::int32_t>(top_ * scale_), scale_});
    }
    int Top() const { return top_; }

private:
    // The output's mode is its size before it is turned. Ctrl+W runs
    // `sentrel --toggle` from the session's home, where Launch stages it.
    static std::unique_ptr<WaylandSession> Sway(const Output& output) {
        const bool turned = output.transform.ends_with("90") || output.transform.ends_with("270");
        return WaylandSession::Sway(turned ? output.height : output.width, turned ? output.width : output.height,
                                    output.scale,
                                    "output HEADLESS-1 transform " + output.transform +
                                        "\nfor_window [app_id=\"sentrel\"] move absolute position 0 " +
                                        std::to_string(output.top) + "\nbindsym Ctrl+w exec ~/sentrel --toggle\n");
    }

    double scale_;
    int top_;
    VirtualPointer pointer_;
};

// Found, when sway puts it down, from the mark in the window's corner, which
// Sentrel reads from;
// every sample point of the window shows what grim sees there once the
// window is hidden, a point between them the window's tint; the
// compositor's binding for Ctrl+W hides and shows it. Sentrel's screen
// reader sees what grim sees, pixel for pixel, over content that differs at
// every pixel: points all over the output, which the reader copies whole,
// and a few clusters, which it copies as regions; nothing off the output.
void CornerAndPinholes(SentrelRun& run) {
    SwayDesktop& sway = static_cast<SwayDesktop&>(*run.desktop);
    if (sway.Top() != 0) {
        EXPECT_TRUE(run.tool->WaitForLine(
            ChildProcess::Stream::Err,
            Containing("corner is at pixel (0, " + std::to_string(sway.Pixel(ScreenPoint{0, 0}).y) + ")")));
    }
    ASSERT_TRUE(sway.Painted("pattern"));
    const auto [from, to] = run.Area(0);
    const std::vector<ScreenPoint> samples = SamplePoints(from, to);
    const ScreenPoint sample = sway.Pixel(samples[0]), between = sway.Pixel(ScreenPoint{from.x - 10, from.y - 1});
    const auto shot = [&](const std::function<bool(const QImage&)>& shows) {
        std::optional<QImage> taken;
        return WaitFor([&] { return shows(*(taken = sway.Session().Shot())); }, 10s) ? taken : std::nullopt;
    };
    const auto shown = shot([&](const QImage& s) { return ColourAt(s, sample) != run.bands[0]; });
    ASSERT_TRUE(shown) << "the pattern is shown";
    ASSERT_TRUE(sway.Hide());
    const auto hidden = shot([&](const QImage& s) { return ColourAt(s, between) != ColourAt(*shown, between); });
    ASSERT_TRUE(hidden) << "Ctrl+W hides the window";
    for (const ScreenPoint& unit : samples) {
        EXPECT_EQ(ColourAt(*shown, sway.Pixel(unit)), ColourAt(*hidden, sway.Pixel(unit)))
            << "sample point " << unit.x << "," << unit.y;
    }
    const int width = hidden->width(), height = hidden->height();
    std::vector<ScreenPoint> spread, clusters;
    for (int y = 0; y < height; y += 37) {
        for (int x = y % 5; x < width; x += 53) spread.push_back({x, y});
    }
    spread.push_back({width - 1, height - 1});
    for (const ScreenPoint corner : {ScreenPoint{0, 0}, {width / 2 - 7, height / 3 + 1}, {width - 21, height - 21}}) {
        for (int d = 0; d < 21 * 21; d += 4) clusters.push_back({corner.x + d % 21, corner.y + d / 21});
    }
    for (const auto& points : {spread, clusters}) {
        // A reader of its own, whose copies hold no more than these points need.
        WaylandScreenReader reader(sway.Session().DisplaySocket().c_str());
        EXPECT_EQ(std::pair(reader.OutputPixelWidth(), reader.OutputPixelHeight()), std::pair(width, height));
        std::vector<std::int32_t> colours(points.size()), seen(points.size());
        EXPECT_TRUE(shot([&](const QImage& s) {
            reader.Read(points, colours);
            for (std::size_t i = 0; i < points.size(); ++i) seen[i] = ColourAt(s, points[i]);
            return colours == seen;
        })) << points.size()
            << " points";
        std::vector<std::int32_t> off(2);
        reader.Read(std::vector<ScreenPoint>{{-1, 0}, {0, height}}, off);
        EXPECT_EQ(off, std::vector<std::int32_t>(2, ScreenPixels::kUnreadable));
    }
    ASSERT_TRUE(sway.Hide());
    EXPECT_TRUE(shot([&](const QImage& s) { return ColourAt(s, between) == ColourAt(*shown, between); }))
        << "Ctrl+W shows it again";
}

// The passes Sentrel made since it said `since`: under WAYLAND_DEBUG
// libwayland says each request, and a pass asks for the regions it copies
// one after the other.
bool Passed(ChildProcess& tool, const std::string& since, std::size_t passes) {
    return WaitFor(
        [&] {
            const std::vector<std::string> lines = tool.Lines(ChildProcess::Stream::Err);
            const auto asks = Containing("capture_output");
            std::size_t captures = 0;
            // The line said is no capture's, so each run of captures has one before it.
            for (auto line = std::ranges::find_if(lines, Containing(since)); line != lines.end(); ++line) {
                captures += asks(*line) && !asks(line[-1]) ? 1 : 0;
            }
            return captures >= passes;
        },
        30s);
}

// swaylock tells no one, so Sentrel says the lock is its guess, and judges
// nothing until the screen shows again.
const LockRow kSwaylock{
    "swaylock",
    [] { return std::make_unique<SwayDesktop>(kOutputs[0]); },
    [](Desktop& sway) {
        return std::make_unique<ChildProcess>(static_cast<SwayDesktop&>(sway).Session().Inside({"swaylock"}));
    },
    std::string(said::kLockGuessed),
    std::string(said::kShownAgain),
    false,
    Passed,
    {"WAYLAND_DEBUG=client"}};
INSTANTIATE_TEST_SUITE_P(Sway, ScreenLockOnDesktop, ::testing::Combine(::testing::Values(kSwaylock), ::testing::Bool()),
                         LockRunName);

constexpr int kTopBar = 32;
constexpr std::uint32_t kEnd = 0xFF57, kBackSpace = 0xFF08, kEscape = 0xFF1B;

// GNOME Shell, as its users have it: the top bar above Sentrel's window, the
// screen seen through the ScreenCast portal once the monitor is shared in
// GNOME's dialog. Mutter's remote desktop clicks and types, and its cast is
// the test's eyes.
class GnomeShellDesktop : public WaylandDesktop {
public:
    GnomeShellDesktop() : WaylandDesktop(Screen{}, WaylandSession::GnomeShell(1920, 1080)), hands_(*session_) {
        // GNOME Shell starts in its Overview, where the dialog takes no
        // clicks, and an Escape sent while it opens may go nowhere.
        const auto desktopShown = [&] { return Colours({{4, 1075 - kTopBar}})[0] == 0xA04020; };
        if (!Paint({0xA04020}) ||
            !WaitFor([&] { return desktopShown() || (hands_.Key(kEscape), WaitFor(desktopShown, 3s)); }, 30s)) {
            throw std::runtime_error("the Overview never left for the content's window");
        }
    }

    std::unique_ptr<ChildProcess> Start(const std::string& url, const std::vector<std::string>& env) override {
        auto tool = Launch(url, env);
        EXPECT_TRUE(hands_.AnswerShare(true, [&] {
            return tool->WaitForLine(ChildProcess::Stream::Err, Containing(said::kCastStarted), 0ms).has_value();
        })) << "the monitor shared";
        return tool;
    }
    bool Click(Spot at) override { return Drag(at, at); }
    bool Drag(Spot from, Spot to) override {
        hands_.Drag(OnScreen(from), OnScreen(to));
        return true;
    }
    bool Replace(Spot box, const std::string& text) override {
        Click(box);
        hands_.Key(kEnd);
        for (int i = 0; i < 6; ++i) hands_.Key(kBackSpace);
        for (const char c : text) hands_.Key(static_cast<unsigned char>(c));
        return true;
    }
    std::vector<std::int32_t> Colours(const std::vector<Spot>& at) override {
        std::vector<ScreenPoint> points;
        for (const Spot spot : at) points.push_back(OnScreen(spot));
        std::vector<std::int32_t> colours(points.size());
        hands_.Screen().Read(points, colours);
        return colours;
    }
    bool Hide() override { return false; }

    MutterDesktop& Hands() { return hands_; }

private:
    static ScreenPoint OnScreen(Spot spot) { return {spot.x, spot.y + kTopBar}; }

    int argc_ = 0;
    QCoreApplication app_{argc_, nullptr};
    MutterDesktop hands_;
};

// Found below the top bar. Once Sentrel has gone, mutter's cast of the
// monitor, as a portal hands it over, read at exactly the points asked. The
// consent kept: started again, Sentrel is not asked again. Without it, and
// refused, the user is told, and Sentrel runs on. A cast that the compositor
// no longer gives shows nothing of the screen.
void BelowTheTopBarAndTheConsentKept(SentrelRun& run) {
    GnomeShellDesktop& shell = static_cast<GnomeShellDesktop&>(*run.desktop);
    EXPECT_TRUE(run.tool->WaitForLine(ChildProcess::Stream::Err,
                                      Containing("corner is at pixel (0, " + std::to_string(kTopBar) + ")"), 0ms))
        << "found below the top bar";
    ASSERT_EQ(::kill(run.tool->Pid(), SIGTERM), 0);
    ASSERT_TRUE(WaitFor([&] { return !run.tool->Running(); }, 10s));
    ASSERT_TRUE(shell.Painted("pattern"));
    PipeWireFrames& frames = shell.Hands().Screen();
    std::vector<ScreenPoint> points;
    for (int y = kTopBar; y < 1080; y += 37) {
        for (int x = y % 5; x < 1920; x += 53) points.push_back({x, y});
    }
    // The pattern's rows count from the window's top: below the top bar, or
    // beneath it where the window was maximised before the bar was up.
    const auto pattern = [&](int top) {
        std::vector<std::int32_t> colours;
        for (const auto [x, y] : points) {
            colours.push_back((x % 256) | ((y - top) % 256) << 8 | ((x / 256) * 16 + (y - top) / 256) << 16);
        }
        return colours;
    };
    std::vector<std::int32_t> colours(points.size());
    EXPECT_TRUE(WaitFor(
        [&] { return frames.Read(points, colours), colours == pattern(0) || colours == pattern(kTopBar); }, 10s));
    EXPECT_EQ(std::pair(frames.OutputPixelWidth(), frames.OutputPixelHeight()), std::pair(1920, 1080));
    EXPECT_TRUE(shell.Launch(run.service.Url())->WaitForLine(ChildProcess::Stream::Err, Containing(said::kCastStarted)))
        << "started with no dialog answered";
    std::filesystem::remove(shell.Session().RuntimeDir() + "/.config/Sentrel/screencast-restore-token");
    const std::unique_ptr<ChildProcess> refused = shell.Launch(run.service.Url());
    const SaidOnFailure said{*refused};
    EXPECT_TRUE(shell.Hands().AnswerShare(false, [&] {
        return refused->WaitForLine(ChildProcess::Stream::Err, Containing("cannot see the screen"), 0ms).has_value();
    })) << "asked again, and refused";
    EXPECT_TRUE(refused->Running());
    ::kill(shell.Session().CompositorPid(), SIGKILL);
    EXPECT_TRUE(WaitFor([&] { return frames.Read(points, colours), !frames.Seen(); }, 10s));
}

std::vector<DesktopRow> Rows() {
    std::vector<DesktopRow> rows;
    for (const Output& output : kOutputs) {
        rows.push_back({"Sway_" + output.name, [=] { return std::make_unique<SwayDesktop>(output); }, false, 2500ms,
                        CornerAndPinholes});
    }
    // The first area lies right beneath the top bar, which a reader that
    // missed the window's place would watch instead.
    rows.push_back({"GnomeShell", [] { return std::make_unique<GnomeShellDesktop>(); }, false, 10s,
                    BelowTheTopBarAndTheConsentKept});
    return rows;
}

INSTANTIATE_TEST_SUITE_P(Wayland, SentrelOnDesktop, ::testing::ValuesIn(Rows()),
                         [](const ::testing::TestParamInfo<DesktopRow>& row) { return row.param.name; });

}  // namespace
}  // namespace sentrel
