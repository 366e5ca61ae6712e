#include "support/X11Desktop.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "support/SelectionOwner.h"
#include "support/Waiting.h"

namespace sentrel::testing {

using namespace std::chrono_literals;

std::string Command(const std::string& command) {
    const std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    std::string output;
    char buffer[256];
    while (pipe && std::fgets(buffer, sizeof buffer, pipe.get()) != nullptr) output += buffer;
    return output;
}

bool Xdotool(const std::string& args) {
    const int status = std::system(("/usr/bin/xdotool " + args).c_str());
    EXPECT_EQ(status, 0) << args;
    return status == 0;
}

std::string VisibleWindow(const std::string& exactName) {
    return Command("/usr/bin/xdotool search --onlyvisible --name '^" + exactName + "$' 2>/dev/null | head -n 1");
}

bool DismissNotice(const std::string& title) {
    std::string notice;
    if (!WaitFor([&] { return !(notice = VisibleWindow(title)).empty(); }, 5s)) return false;
    notice.pop_back();
    Xdotool("windowfocus --sync " + notice + " key Return");
    return WaitFor([&] { return VisibleWindow(title).empty(); }, 5s);
}

X11Desktop::X11Desktop(Screen monitor, std::vector<std::string> command, bool globalHotKey, bool windowManager)
    : Desktop(monitor),
      display_(monitor.left + monitor.width, monitor.height),
      command_(std::move(command)),
      globalHotKey_(globalHotKey),
      connection_(xcb_connect(nullptr, nullptr)) {
    // Side-by-side monitors up to this one at 96 dots per inch, the first
    // primary with the screen's output; they outlive xrandr's connection.
    const std::string size = std::to_string(monitor.width) + "/" + std::to_string(monitor.width * 254 / 960) + "x" +
                             std::to_string(monitor.height) + "/" + std::to_string(monitor.height * 254 / 960) + "+";
    std::string split = "/usr/bin/xrandr --setmonitor '*M0' " + size + "0+0 screen";
    for (int x = monitor.width; x <= monitor.left; x += monitor.width) {
        split += " --setmonitor M" + std::to_string(x) + " " + size + std::to_string(x) + "+0 none";
    }
    if (monitor.left > 0 && std::system((split + " >/dev/null").c_str()) != 0) {
        throw std::runtime_error("could not split the screen into monitors");
    }
    if (!command_.empty() && command_.front() == "/usr/bin/wine") wine_ = std::make_unique<FreshWinePrefix>();
    if (!windowManager) return;
    windowManager_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{"/usr/bin/openbox", "--config-file", SENTREL_OPENBOX_CONFIG});
    if (!WaitForSelectionOwner("WM_S0", 10s)) throw std::runtime_error("openbox took no charge of the display");
}

std::unique_ptr<ChildProcess> X11Desktop::Start(const std::string& url, const std::vector<std::string>& env) {
    ::setenv("SENTREL_SERVICE_URL", url.c_str(), 1);
    ::setenv("LSAN_OPTIONS", "suppressions=" SENTREL_LSAN_SUPPRESSIONS, 1);
    ::setenv("WINEDEBUG", "-all", 1);
    for (const std::string& variable : env) {
        ::setenv(variable.substr(0, variable.find('=')).c_str(), variable.substr(variable.find('=') + 1).c_str(), 1);
    }
    auto tool = std::make_unique<ChildProcess>(command_);
    // The window may take a minute to come while Wine starts on a busy machine.
    if (!WaitFor([] { return !VisibleWindow("Sentrel").empty(); }, 60s)) ADD_FAILURE() << "the window is shown";
    return tool;
}

bool X11Desktop::Click(Spot at) { return Xdotool("mousemove " + At(at) + " click 1"); }

bool X11Desktop::Drag(Spot from, Spot to) {
    const Spot middle{(from.x + to.x) / 2, (from.y + to.y) / 2};
    return Xdotool("mousemove " + At(from) + " mousedown 1 mousemove " + At(middle) + " mousemove " + At(to) +
                   " mouseup 1");
}

bool X11Desktop::Replace(Spot box, const std::string& text) {
    // A box left empty by keys that went nowhere has been answered with a notice.
    if (!VisibleWindow("提示!").empty() && !DismissNotice("提示!")) return false;
    return Xdotool("mousemove " + At(box) +
                   " click 1 key End BackSpace BackSpace BackSpace BackSpace BackSpace BackSpace type " + text);
}

std::vector<std::int32_t> X11Desktop::Colours(const std::vector<Spot>& at) {
    xcb_connection_t* c = connection_.get();
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    std::vector<std::int32_t> colours;
    for (const Spot spot : at) {
        const auto image =
            TakeReply(xcb_get_image_reply, c,
                      xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, root, static_cast<std::int16_t>(spot.x),
                                    static_cast<std::int16_t>(spot.y), 1, 1, ~0u));
        std::uint32_t pixel = 0;
        if (image && xcb_get_image_data_length(image.get()) >= 4)
            std::memcpy(&pixel, xcb_get_image_data(image.get()), 4);
        colours.push_back(static_cast<std::int32_t>(SwapRedAndBlue(pixel)));
    }
    return colours;
}

// The outline, red, through the press corner.
bool X11Desktop::ShowsArea(Spot from, Spot, std::int32_t) { return Colour(from) == 0x0000FF; }

bool X11Desktop::Hide() {
    if (!Xdotool(globalHotKey_ ? std::string("key ctrl+w") : "mousemove " + At(screen.InToolbar(kHide)) + " click 1"))
        return false;
    return WaitFor([] { return VisibleWindow("Sentrel").empty(); }, 5s);
}

bool X11Desktop::Paint(const std::vector<std::int32_t>& bands) {
    const int height = screen.height / static_cast<int>(bands.size());
    for (std::size_t i = 0; i < bands.size(); ++i) {
        if (bands_.size() <= i) {
            bands_.push_back(std::make_unique<PaintedWindow>(
                screen.left, static_cast<int>(i) * height, screen.width, height,
                std::vector<std::int32_t>(static_cast<std::size_t>(screen.width * height), bands[i])));
            bands_.back()->Lower();
        } else {
            bands_[i]->Fill(bands[i]);
        }
    }
    return true;
}

}  // namespace sentrel::testing
