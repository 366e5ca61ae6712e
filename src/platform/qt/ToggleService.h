#pragma once

#include <QDBusVirtualObject>
#include <functional>

namespace sentrel {

// The running Sentrel on the session bus. Where a global hot key is a
// desktop binding that runs a command (sway, and custom shortcuts on GNOME
// and KDE), Ctrl+W bound to `sentrel --toggle` shows and hides the window
// as the hot key does; a second start shows the window of the first.
class ToggleService : public QDBusVirtualObject {
public:
    // Both run on the window's thread.
    ToggleService(std::function<void()> toggle, std::function<void()> show);

    // Takes the name on the session bus; false when another instance holds
    // it. Without a session bus there is nothing to reach: true.
    bool Register();

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;
    QString introspect(const QString& path) const override;

private:
    std::function<void()> toggle_;
    std::function<void()> show_;
};

// `sentrel --toggle`: asks the running instance to show or hide its window.
// The process's exit status: 0 when it answered.
int AskRunningInstanceToToggle(int argc, char** argv);

// A second start: asks the running instance to show its window, and says
// so. The exit status: 0 when it answered.
int ShowRunningInstance();

}  // namespace sentrel
