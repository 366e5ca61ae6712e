#pragma once

#include <QDBusVirtualObject>
#include <functional>

namespace sentrel {

// Lets `sentrel --toggle` reach the running window over the session bus:
// where a global hot key is a desktop binding that runs a command (sway,
// and custom shortcuts on GNOME and KDE), Ctrl+W bound to `sentrel
// --toggle` shows and hides the window as the hot key does.
class ToggleService : public QDBusVirtualObject {
public:
    // toggle runs on the window's thread.
    explicit ToggleService(std::function<void()> toggle);

    // Takes the name on the session bus; says on standard error when
    // another instance holds it. Without a session bus there is nothing to
    // reach, and nothing to say.
    void Register();

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;
    QString introspect(const QString& path) const override;

private:
    std::function<void()> toggle_;
};

// `sentrel --toggle`: asks the running instance to show or hide its window.
// The process's exit status: 0 when it answered.
int AskRunningInstanceToToggle(int argc, char** argv);

}  // namespace sentrel
