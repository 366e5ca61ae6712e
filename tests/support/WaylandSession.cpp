#include "support/WaylandSession.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "support/Waiting.h"

namespace sentrel::testing {
namespace {

using namespace std::chrono_literals;

constexpr const char* kTestUser = "sentrel-test";

std::string FirstFile(const std::string& dir, const std::string& prefix, const std::string& notEnding = "!") {
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(prefix, 0) == 0 && !name.ends_with(notEnding)) return entry.path().string();
    }
    return "";
}

bool WaitForFile(const std::string& dir, const std::string& prefix) {
    return WaitFor([&] { return !FirstFile(dir, prefix, ".lock").empty(); }, 10s);
}

}  // namespace

WaylandSession::WaylandSession(bool refusesRoot) {
    uid_t uid = getuid();
    gid_t gid = getgid();
    if (refusesRoot && geteuid() == 0) {
        const std::string add = "useradd --system --no-create-home --shell /usr/sbin/nologin " + std::string(kTestUser);
        const passwd* user = getpwnam(kTestUser);
        if (user == nullptr && (std::system(add.c_str()) != 0 || (user = getpwnam(kTestUser)) == nullptr)) {
            throw std::runtime_error("cannot make the test user");
        }
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
    char dir[] = "/tmp/sentrel-wayland-XXXXXX";
    if (mkdtemp(dir) == nullptr || chown(dir, uid, gid) != 0) throw std::runtime_error("no runtime folder");
    runtimeDir_ = dir;
    // Users' sessions have a bus, which `sentrel --toggle` speaks over.
    helpers_.push_back(
        std::make_unique<ChildProcess>(Inside({"dbus-daemon", "--session", "--nofork", "--address=" + BusAddress()})));
}

void WaylandSession::Start(const std::string& name, const std::vector<std::string>& command) {
    compositor_ = std::make_unique<ChildProcess>(Inside(command));
    if (WaitForFile(runtimeDir_, "wayland-")) return;
    std::string said = name + " did not start; it said:";  // what it lacked, in its own words
    for (const std::string& line : compositor_->Lines(ChildProcess::Stream::Err)) said += "\n  " + line;
    throw std::runtime_error(said);
}

std::unique_ptr<WaylandSession> WaylandSession::Sway(int width, int height, double scale, const std::string& more) {
    std::unique_ptr<WaylandSession> session(new WaylandSession(true));
    const std::string config = session->runtimeDir_ + "/config";
    std::ofstream(config)
        << "output HEADLESS-1 resolution " << width << "x" << height << " scale " << scale << "\n"
        << "default_border none\ndefault_floating_border none\nseat seat0 hide_cursor 1\n"
        << "for_window [app_id=\"sentrel\"] floating enable, border none, move absolute position 0 0\n"
        << more;
    chmod(config.c_str(), 0644);
    session->Start("sway", {"sway", "-c", config});
    // A client takes a keyboard once the seat has one, and keys sent before it
    // has are lost to it; wtype's keyboard lasts only while it types. An idle
    // wtype keeps one on the seat for the whole session (about an hour), so
    // clients started after it have theirs from the start.
    session->helpers_.push_back(std::make_unique<ChildProcess>(session->Inside({"wtype", "-s", "4000000"})));
    const auto seatHasKeyboard = [&] {
        ChildProcess inputs(
            session->Inside({"swaymsg", "-s", FirstFile(session->runtimeDir_, "sway-ipc."), "-t", "get_inputs"}));
        return inputs.WaitForLine(ChildProcess::Stream::Out, Containing("\"type\": \"keyboard\""), 2s).has_value();
    };
    if (!WaitFor(seatHasKeyboard, 10s)) throw std::runtime_error("no keyboard on the seat");
    return session;
}

std::unique_ptr<WaylandSession> WaylandSession::GnomeShell(int width, int height) {
    // GNOME Shell cannot start without a system bus, which a test machine
    // may lack. It is given one of its own, which activates nothing (no
    // logind) and dies with it. Named in DBUS_SYSTEM_BUS_ADDRESS, it needs no
    // mount namespace, whose mounts a chroot (whose root is no mount point)
    // could not keep from the machine.
    // Without GDM it says in a banner that the screen cannot lock, over the
    // top of the screen for the next seconds.
    const std::string privateSystem =
        "gsettings set org.gnome.desktop.notifications show-banners false && "
        "echo \"<busconfig><type>system</type><listen>unix:path=$XDG_RUNTIME_DIR/system_bus_socket</listen>"
        "<policy context='default'><allow own='*'/><allow send_type='*'/><allow receive_type='*'/></policy>"
        "</busconfig>\" > \"$XDG_RUNTIME_DIR/system-bus.conf\" && "
        "{ setpriv --pdeathsig KILL dbus-daemon --nofork --config-file=\"$XDG_RUNTIME_DIR/system-bus.conf\" & } && "
        "until [ -S \"$XDG_RUNTIME_DIR/system_bus_socket\" ]; do sleep 0.05; done && "
        "DBUS_SYSTEM_BUS_ADDRESS=unix:path=$XDG_RUNTIME_DIR/system_bus_socket exec \"$@\"";
    std::unique_ptr<WaylandSession> session(new WaylandSession(false));
    session->helpers_.push_back(std::make_unique<ChildProcess>(session->Inside({"pipewire"})));
    if (!WaitForFile(session->runtimeDir_, "pipewire-0")) throw std::runtime_error("PipeWire did not start");
    session->helpers_.push_back(std::make_unique<ChildProcess>(session->Inside({"wireplumber"})));
    session->Start("gnome-shell", {"sh", "-c", privateSystem, "sh", "gnome-shell", "--headless", "--virtual-monitor",
                                   std::to_string(width) + "x" + std::to_string(height), "--wayland", "--no-x11"});
    // Portals the bus starts find the compositor, and pick GNOME's backend.
    if (!session->Ran({"dbus-update-activation-environment", "WAYLAND_DISPLAY", "XDG_CURRENT_DESKTOP=GNOME", "HOME",
                       "XDG_RUNTIME_DIR"})) {
        throw std::runtime_error("the bus took no environment");
    }
    return session;
}

WaylandSession::~WaylandSession() {
    compositor_.reset();
    while (!helpers_.empty()) helpers_.pop_back();
    std::filesystem::remove_all(runtimeDir_);
}

std::vector<std::string> WaylandSession::Inside(std::vector<std::string> argv) const {
    std::vector<std::string> all = asUser_;
    all.insert(all.end(), {"/usr/bin/env", "-u", "DISPLAY", "XDG_RUNTIME_DIR=" + runtimeDir_, "HOME=" + runtimeDir_,
                           "WAYLAND_DISPLAY=" + std::filesystem::path(DisplaySocket()).filename().string(),
                           "WLR_BACKENDS=headless", "WLR_RENDERER=pixman", "WLR_LIBINPUT_NO_DEVICES=1",
                           "DBUS_SESSION_BUS_ADDRESS=" + BusAddress()});
    all.insert(all.end(), argv.begin(), argv.end());
    return all;
}

std::string WaylandSession::DisplaySocket() const { return FirstFile(runtimeDir_, "wayland-", ".lock"); }

std::string WaylandSession::Staged(const std::string& path) const {
    const std::string copy = runtimeDir_ + "/" + std::filesystem::path(path).filename().string();
    std::filesystem::copy_file(path, copy, std::filesystem::copy_options::overwrite_existing);
    chmod(copy.c_str(), 0755);
    return copy;
}

bool WaylandSession::Ran(const std::vector<std::string>& argv) const {
    ChildProcess process(Inside(argv));
    return WaitFor([&] { return !process.Running(); }, 10s) && process.ExitCode() == 0;
}

QImage WaylandSession::Shot() const {
    const std::string file = runtimeDir_ + "/shot.ppm";
    QImage shot;
    if (!Ran({"grim", "-t", "ppm", file}) || !shot.load(QString::fromStdString(file))) {
        throw std::runtime_error("grim took no picture");
    }
    return shot;
}

}  // namespace sentrel::testing
