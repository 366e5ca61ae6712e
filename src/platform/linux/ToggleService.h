#pragma once

#include <QDBusVirtualObject>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>

namespace sentrel {

// The name on the session bus of the Sentrel that covers the monitor of this
// number: the first monitor's keeps the name a lone Sentrel always had.
QString InstanceName(std::size_t monitor);

// A running Sentrel on the session bus. Where a global hot key is a desktop
// binding that runs a command (sway, and custom shortcuts on GNOME and KDE),
// Ctrl+W bound to `sentrel --toggle` shows and hides the window as the hot
// key does; a second start on the same monitor shows the window of the
// first.
class ToggleService : public QDBusVirtualObject {
public:
    // toggle and show run on the window's thread.
    ToggleService(QString name, std::function<void()> toggle, std::function<void()> show);

    // Takes the name on the session bus; false when another instance holds
    // it. Without a session bus there is nothing to reach: true.
    bool Register();

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;
    QString introspect(const QString& path) const override;

private:
    QString name_;
    std::function<void()> toggle_;
    std::function<void()> show_;
};

// `sentrel --toggle`: asks the Sentrel that covers the monitor given (as
// typed after --screen), or without one every running Sentrel, to show or
// hide its window. The process's exit status: 0 when each one asked
// answered, and one was.
int AskRunningInstancesToToggle(int argc, char** argv, const std::optional<std::string>& monitor);

// A second start on a monitor that has a Sentrel: asks it to show its
// window, and says so. The exit status: 0 when it answered.
int ShowRunningInstance(std::size_t monitor);

}  // namespace sentrel
