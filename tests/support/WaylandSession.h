#pragma once

#include <QImage>

#include <memory>
#include <string>
#include <vector>

#include "support/ChildProcess.h"

namespace sentrel::testing {

// A headless Wayland session of a test's own, with a session bus, on one
// output of the size given. sway refuses to run as root, so under root its
// session and every program in it run as an ordinary user made for these
// tests, and programs are copied where that user may run them. GNOME
// Shell's session is the test's own user's, whose bus the test speaks on.
class WaylandSession {
public:
    // sway: no window borders, the pointer drawn nowhere, Sentrel's window
    // floating over the output, a keyboard on the seat; then the lines of
    // its configuration that `more` adds.
    static std::unique_ptr<WaylandSession> Sway(int width, int height, double scale, const std::string& more = "");
    // GNOME Shell (its top bar, its Overview shown at start) with PipeWire,
    // and GNOME's portals started on demand.
    static std::unique_ptr<WaylandSession> GnomeShell(int width, int height);
    ~WaylandSession();

    // argv run inside the session (as its user, with its environment).
    std::vector<std::string> Inside(std::vector<std::string> argv) const;
    // argv run inside the session to its end; whether it succeeded.
    bool Ran(const std::vector<std::string>& argv) const;
    // A copy of a file that the session's user can read and run.
    std::string Staged(const std::string& path) const;
    // sway only: the screen, through grim.
    QImage Shot() const;
    const std::string& RuntimeDir() const { return runtimeDir_; }
    // The compositor's socket, as a client outside the session names it.
    std::string DisplaySocket() const;
    std::string BusAddress() const { return "unix:path=" + runtimeDir_ + "/bus"; }
    pid_t CompositorPid() const { return compositor_->Pid(); }

private:
    explicit WaylandSession(bool refusesRoot);
    // Starts the compositor; a failure says what it said.
    void Start(const std::string& name, const std::vector<std::string>& command);

    std::string runtimeDir_;
    std::vector<std::string> asUser_;
    std::vector<std::unique_ptr<ChildProcess>> helpers_;  // the bus, PipeWire
    std::unique_ptr<ChildProcess> compositor_;
};

}  // namespace sentrel::testing
