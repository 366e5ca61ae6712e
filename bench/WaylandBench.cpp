// The tool on a headless sway at 1920x1080 and at 3840x2160, as a wlroots
// user has it. First the reads of one monitoring pass (20 areas, each
// sampled twice) as the tool takes them, through its pass over the output,
// beside the bare reader (which copies at each of the pass's two reads), a
// bare round trip to the compositor and one grim run, the usual way to take
// the screen from a program. Then the running tool, signed in and watching 20
// areas with its window shown, copying only the regions its areas need and
// then the whole output at every pass: its CPU time and the compositor's CPU
// time it causes.
// Last, the two ways Sentrel sees a Wayland screen side by side, at both
// sizes: the screen-cast stream of headless GNOME Shell (what its portal
// hands over) and wlr-screencopy on sway, each read by this program through
// the tool's pass, one pass of 20 areas a second, while the content beneath
// changes twice a second (so the cast sends all the frames it may): this
// program's CPU time and the compositor's, less its own with the same
// changes and no reader.
// Usage: wayland_bench   (SENTREL_BENCH_SECONDS=20 shortens the measured
// intervals; default 60)
#include <sys/resource.h>
#include <unistd.h>
#include <QCoreApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "PassTiming.h"
#include "platform/capture/WaylandPass.h"
#include "platform/wayland/WaylandScreenReader.h"
#include "platform/windowkind/CornerMark.h"
#include "support/MutterDesktop.h"
#include "support/SentrelLayout.h"
#include "support/ServiceProcess.h"
#include "support/VirtualPointer.h"
#include "support/Waiting.h"
#include "support/WaylandSession.h"

using namespace sentrel;
using namespace sentrel::bench;
using namespace sentrel::testing;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

double Milliseconds(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

long CpuTicks(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string field;
    long ticks = 0;
    for (int i = 1; i <= 15 && stat >> field; ++i) {
        if (i >= 14) ticks += std::stol(field);
    }
    return ticks;
}

double PercentOfCore(long ticks, int seconds) {
    return 100.0 * static_cast<double>(ticks) / static_cast<double>(sysconf(_SC_CLK_TCK)) / seconds;
}

// An output as the tool sees it with its window shown: no window of
// Sentrel's lies on these outputs, so the mark it paints in its corner is laid
// over what is read at the output's corner (at scale 1), and the pass finds
// its window there rather than searching for it. Counts the copies read.
class ShownWindowOutput : public OutputCapture {
public:
    explicit ShownWindowOutput(OutputCapture& output) : output_(output) {}

    std::int32_t OutputPixelWidth() override { return output_.OutputPixelWidth(); }
    std::int32_t OutputPixelHeight() override { return output_.OutputPixelHeight(); }
    void BeginPass() override { output_.BeginPass(); }
    bool Seen() const override { return output_.Seen(); }
    void Read(std::span<const ScreenPoint> points, std::span<std::int32_t> colours) override {
        ++copies;
        output_.Read(points, colours);
        for (std::size_t i = 0; i < points.size(); ++i) {
            const auto block = static_cast<std::size_t>(points[i].x / CornerMark::kBlockUnits);
            if (points[i].x >= 0 && points[i].y >= 0 && points[i].y < CornerMark::kBlockUnits &&
                block < CornerMark::kColours.size()) {
                colours[i] = CornerMark::kColours[block];
            }
        }
    }

    int copies = 0;

private:
    OutputCapture& output_;
};

// The pass the tool takes over an output, its window shown.
struct ToolPass {
    explicit ToolPass(OutputCapture& output)
        : shown(output),
          pass(
              shown, [this] { return shown.OutputPixelWidth(); }, [] { return true; }, [] { return false; }) {}

    ShownWindowOutput shown;
    WaylandPass pass;
};

// The tool's pass and the bare reader beside the two yardsticks, over content
// that differs at every pixel. Passes a second apart, as the tool's: each
// takes a frame of its own.
void ComparePassReads(WaylandSession& sway, const std::vector<Area>& areas) {
    WaylandScreenReader reader(sway.DisplaySocket().c_str());
    ToolPass tool(reader);
    constexpr int kPasses = 20;
    double passTotal = 0, bareTotal = 0;
    for (int pass = 0; pass < kPasses; ++pass) {
        passTotal += MillisecondsPerPass(tool.pass, areas, 1);
        std::this_thread::sleep_for(150ms);
        bareTotal += MillisecondsPerPass(reader, areas, 1);
        std::this_thread::sleep_for(150ms);
    }
    const double pass = passTotal / kPasses, bare = bareTotal / kPasses;

    wl_display* display = wl_display_connect(sway.DisplaySocket().c_str());
    auto start = Clock::now();
    for (int i = 0; i < 200; ++i) wl_display_roundtrip(display);
    const double roundTrip = Milliseconds(Clock::now() - start) / 200;
    wl_display_disconnect(display);

    start = Clock::now();
    for (int i = 0; i < 5; ++i) sway.Shot();
    const double grim = Milliseconds(Clock::now() - start) / 5;
    std::printf("one pass as the tool takes it (2 x %zu areas): %7.2f ms   %4.1f copies a pass\n", areas.size(), pass,
                static_cast<double>(tool.shown.copies) / kPasses);
    std::printf("the same reads through the bare reader:        %7.2f ms   2.0 copies a pass\n", bare);
    std::printf("bare round trip:                               %7.3f ms   pass / round trip %6.1fx\n", roundTrip,
                pass / roundTrip);
    std::printf("one grim run (whole screen, PPM):              %7.2f ms   grim / pass       %6.1fx\n", grim,
                grim / pass);
}

// Percent of one core, of the tool and of the compositor less its idle.
struct Cost {
    double tool = 0, compositor = 0;
};

Cost MeasureTool(WaylandSession& sway, Screen screen, int seconds, double idle, bool wholeOutput) {
    ServiceProcess service({"--code", "4321"});
    VirtualPointer pointer(sway, screen.width, screen.height);
    const pid_t compositor = sway.CompositorPid();
    std::vector<std::string> argv = {"SENTREL_SERVICE_URL=" + service.Url(), sway.Staged(SENTREL_BINARY)};
    if (wholeOutput) argv.insert(argv.begin(), "SENTREL_CAPTURE_WHOLE_OUTPUT=1");
    ChildProcess app(sway.Inside(argv));
    const auto click = [&](Spot spot) { return pointer.Click(spot.x, spot.y); };
    const Spot paper = screen.InSignIn(kSignInPaper);
    WaitFor([&] { return sway.Shot().pixelColor(paper.x, paper.y) == Qt::white; }, 10s);
    click(screen.InSignIn(kCodeBox));
    sway.Ran({"wtype", "4321"});
    click(screen.InSignIn(kSignIn));
    if (!service.Process().WaitForLine(ChildProcess::Stream::Err, Containing("sign-in accepted"))) {
        std::printf("the tool did not sign in\n");
        return {};
    }
    for (int i = 0; i < 20; ++i) {
        const int x = 60 + (i % 5) * 360, y = 100 + (i / 5) * 240;
        if (!(pointer.Move(x, y) && pointer.Press() && pointer.Move(x + 60, y + 60) && pointer.Release())) {
            std::printf("area %d was not drawn\n", i + 1);
        }
    }
    click(screen.InToolbar(kChangeMode));
    click(screen.InToolbar(kStart));
    std::this_thread::sleep_for(2s);
    const long appBefore = CpuTicks(app.Pid());
    const long before = CpuTicks(compositor);
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const long appTicks = CpuTicks(app.Pid()) - appBefore;
    const long compositorTicks = CpuTicks(compositor) - before;
    if (const std::size_t alerts = service.Process().Lines(ChildProcess::Stream::Out).size(); alerts != 0) {
        std::printf("%zu alerts sent, though nothing beneath the areas changes\n", alerts);
    }
    return {PercentOfCore(appTicks, seconds), PercentOfCore(compositorTicks, seconds) - idle};
}

double OwnCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](timeval t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The content changes twice a second for that long, while the reader, if
// any, reads a pass a second: this program's CPU and the compositor's, in
// percent of a core.
Cost ChangingBeneath(ChildProcess& content, pid_t compositor, int seconds, ScreenPixels* reader) {
    std::vector<Area> small, large;
    BenchAreas(small, large);
    const double ownBefore = OwnCpuSeconds();
    const long before = CpuTicks(compositor);
    const auto start = Clock::now();
    for (int tick = 0; tick < 2 * seconds; ++tick) {
        content.Send(tick % 2 == 0 ? "203040" : "304050");
        if (reader != nullptr && tick % 2 == 0) MillisecondsPerPass(*reader, small, 1);
        std::this_thread::sleep_until(start + (tick + 1) * 500ms);
    }
    return {100.0 * (OwnCpuSeconds() - ownBefore) / seconds, PercentOfCore(CpuTicks(compositor) - before, seconds)};
}

Cost Less(Cost cost, Cost idle) { return {cost.tool - idle.tool, cost.compositor - idle.compositor}; }

std::unique_ptr<ChildProcess> ContentWindow(WaylandSession& session) {
    auto content = std::make_unique<ChildProcess>(
        session.Inside({"QT_WAYLAND_DISABLE_WINDOWDECORATION=1", session.Staged(SENTREL_COLOUR_WINDOW)}));
    content->Send("pattern");
    content->WaitForLine(ChildProcess::Stream::Out, Containing("painted pattern"));
    return content;
}

// Both measured against the same changes before the reader starts.
Cost PortalPath(Screen screen, int seconds) {
    const std::unique_ptr<WaylandSession> shell = WaylandSession::GnomeShell(screen.width, screen.height);
    const std::unique_ptr<ChildProcess> content = ContentWindow(*shell);
    const Cost idle = ChangingBeneath(*content, shell->CompositorPid(), seconds, nullptr);
    MutterDesktop desktop(*shell);
    // From the cast's first frame on: its start-up is no part of the reading's cost.
    WaitFor([&] { return desktop.Around({12, 12}).front() != ScreenPixels::kUnreadable; }, 20s);
    ToolPass tool(desktop.Screen());
    return Less(ChangingBeneath(*content, shell->CompositorPid(), seconds, &tool.pass), idle);
}

Cost WlrootsPath(Screen screen, int seconds) {
    const std::unique_ptr<WaylandSession> sway = WaylandSession::Sway(screen.width, screen.height, 1);
    const std::unique_ptr<ChildProcess> content = ContentWindow(*sway);
    const Cost idle = ChangingBeneath(*content, sway->CompositorPid(), seconds, nullptr);
    WaylandScreenReader reader(sway->DisplaySocket().c_str());
    ToolPass tool(reader);
    return Less(ChangingBeneath(*content, sway->CompositorPid(), seconds, &tool.pass), idle);
}

}  // namespace

int main() {
    int argc = 0;
    QCoreApplication app(argc, nullptr);
    const char* configured = std::getenv("SENTREL_BENCH_SECONDS");
    const int seconds = configured != nullptr ? std::atoi(configured) : 60;
    struct Row {
        Screen screen;
        double idle = 0;
        Cost regions, whole;
    };
    std::vector<Row> rows = {{Screen{1920, 1080}, 0, {}, {}}, {Screen{3840, 2160}, 0, {}, {}}};
    for (Row& row : rows) {
        const std::unique_ptr<WaylandSession> session = WaylandSession::Sway(row.screen.width, row.screen.height, 1);
        WaylandSession& sway = *session;
        const std::unique_ptr<ChildProcess> content = ContentWindow(sway);
        std::vector<Area> small, large;
        BenchAreas(small, large);
        std::printf("headless sway %dx%d (pixman), a window beneath whose every pixel differs\n", row.screen.width,
                    row.screen.height);
        std::printf("small areas (9 x 9 samples):\n");
        ComparePassReads(sway, small);
        std::printf("large areas (5 x 5 samples):\n");
        ComparePassReads(sway, large);
        const long before = CpuTicks(sway.CompositorPid());
        std::this_thread::sleep_for(std::chrono::seconds(seconds));
        row.idle = PercentOfCore(CpuTicks(sway.CompositorPid()) - before, seconds);
        row.regions = MeasureTool(sway, row.screen, seconds, row.idle, false);
        row.whole = MeasureTool(sway, row.screen, seconds, row.idle, true);
    }
    std::printf("\nwatching 20 areas, window shown, %d s each; %% of one core (goal for the tool: < 0.2 %%)\n",
                seconds);
    std::printf(
        "output      | tool: regions  whole   whole/regions | sway less idle: regions  whole   whole/regions "
        "| sway idle\n");
    for (const Row& row : rows) {
        std::printf("%4dx%-6d |       %6.3f  %6.3f  %8.1fx     |                 %6.3f  %6.3f  %8.1fx     | %6.3f\n",
                    row.screen.width, row.screen.height, row.regions.tool, row.whole.tool,
                    row.whole.tool / row.regions.tool, row.regions.compositor, row.whole.compositor,
                    row.whole.compositor / row.regions.compositor, row.idle);
    }
    std::printf(
        "\nthe screen read as the tool reads it, 20 areas once a second, the content beneath changing twice a "
        "second, %d s each; %% of one core (goal for the tool: < 0.2 %%)\n",
        seconds);
    std::printf("output      | portal, GNOME Shell: tool  compositor | wlr-screencopy, sway: tool  compositor\n");
    for (const Row& row : rows) {
        const Cost portal = PortalPath(row.screen, seconds), wlroots = WlrootsPath(row.screen, seconds);
        std::printf("%4dx%-6d |                     %6.3f  %6.3f     |                      %6.3f  %6.3f\n",
                    row.screen.width, row.screen.height, portal.tool, portal.compositor, wlroots.tool,
                    wlroots.compositor);
    }
    return 0;
}
