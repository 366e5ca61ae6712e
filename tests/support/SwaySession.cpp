#include "support/SwaySession.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace sentrel::testing {
namespace {

constexpr const char* kTestUser = "sentrel-test";

// Waits for a helper to finish, and says whether it succeeded.
bool Finished(ChildProcess& process) {
    for (int i = 0; i < 1000 && process.Running(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return !process.Running() && process.ExitCode() == 0;
}

std::string FirstFile(const std::string& dir, const std::string& prefix) {
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        if (entry.path().filename().string().rfind(prefix, 0) == 0) return entry.path().string();
    }
    return "";
}

}  // namespace

SwaySession::SwaySession(int width, int height, double scale, const std::string& config) {
    uid_t uid = getuid();
    gid_t gid = getgid();
    if (geteuid() == 0) {
        if (getpwnam(kTestUser) == nullptr &&
            std::system(
                (std::string("useradd --system --no-create-home --shell /usr/sbin/nologin ") + kTestUser).c_str()) !=
                0) {
            throw std::runtime_error("cannot make the test user");
        }
        const passwd* user = getpwnam(kTestUser);
        uid = user->pw_uid;
        gid = user->pw_gid;
        asUser_ = {"/usr/bin/setpriv",
                   "--reuid=" + std::to_string(uid),
                   "--regid=" + std::to_string(gid),
                   "--clear-groups",
                   "--pdeathsig",
                   "KILL",
                   "--"};
    }
    char dir[] = "/tmp/sentrel-sway-XXXXXX";
    if (mkdtemp(dir) == nullptr || chown(dir, uid, gid) != 0) throw std::runtime_error("no runtime folder");
    runtimeDir_ = dir;

    std::ofstream(runtimeDir_ + "/config")
        << "output HEADLESS-1 resolution " << width << "x" << height << " scale " << scale << "\n"
        << "default_border none\n"
        << "default_floating_border none\n"
        << "seat seat0 hide_cursor 1\n"
        << "for_window [app_id=\"sentrel\"] floating enable, border none, move absolute position 0 0\n"
        << config << "\n";
    chmod((runtimeDir_ + "/config").c_str(), 0644);
    // Users' sessions have a bus, which `sentrel --toggle` speaks over.
    bus_ = std::make_unique<ChildProcess>(
        Inside({"dbus-daemon", "--session", "--nofork", "--address=unix:path=" + runtimeDir_ + "/bus"}));
    sway_ = std::make_unique<ChildProcess>(Inside({"sway", "-c", runtimeDir_ + "/config"}));
    for (int i = 0;
         i < 1000 && (FirstFile(runtimeDir_, "sway-ipc.").empty() || FirstFile(runtimeDir_, "wayland-1").empty());
         ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (FirstFile(runtimeDir_, "sway-ipc.").empty()) throw std::runtime_error("sway did not start");
}

SwaySession::~SwaySession() {
    sway_.reset();
    bus_.reset();
    std::filesystem::remove_all(runtimeDir_);
}

std::vector<std::string> SwaySession::Inside(std::vector<std::string> argv) const {
    std::vector<std::string> all = asUser_;
    for (const std::string& word :
         {std::string("/usr/bin/env"), std::string("-u"), std::string("DISPLAY"), "XDG_RUNTIME_DIR=" + runtimeDir_,
          "HOME=" + runtimeDir_, std::string("WAYLAND_DISPLAY=wayland-1"), std::string("WLR_BACKENDS=headless"),
          std::string("WLR_RENDERER=pixman"), std::string("WLR_LIBINPUT_NO_DEVICES=1"),
          "DBUS_SESSION_BUS_ADDRESS=unix:path=" + runtimeDir_ + "/bus"}) {
        all.push_back(word);
    }
    all.insert(all.end(), argv.begin(), argv.end());
    return all;
}

std::string SwaySession::Staged(const std::string& path) const {
    const std::string copy = runtimeDir_ + "/" + std::filesystem::path(path).filename().string();
    std::filesystem::copy_file(path, copy, std::filesystem::copy_options::overwrite_existing);
    chmod(copy.c_str(), 0755);
    return copy;
}

bool SwaySession::Command(const std::string& command) const {
    ChildProcess swaymsg(Inside({"swaymsg", "-s", FirstFile(runtimeDir_, "sway-ipc."), command}));
    return Finished(swaymsg);
}

ScreenShot SwaySession::Shot() const {
    const std::string file = runtimeDir_ + "/shot.ppm";
    ChildProcess grim(Inside({"grim", "-t", "ppm", file}));
    if (!Finished(grim)) throw std::runtime_error("grim took no picture");
    std::ifstream in(file, std::ios::binary);
    std::string magic;
    int depth = 0;
    ScreenShot shot;
    in >> magic >> shot.width >> shot.height >> depth;
    in.get();
    shot.rgb.resize(static_cast<std::size_t>(shot.width) * static_cast<std::size_t>(shot.height) * 3);
    in.read(reinterpret_cast<char*>(shot.rgb.data()), static_cast<std::streamsize>(shot.rgb.size()));
    if (magic != "P6" || depth != 255 || !in) throw std::runtime_error("grim's picture is not a plain PPM");
    return shot;
}

}  // namespace sentrel::testing
