#include "platform/capture/CaptureWarnings.h"
#include "log/ToolLog.h"

#include <QMessageBox>

namespace sentrel {
namespace {

void ShowWarning(QWidget& window, const QString& chinese, const std::string& english) {
    Say(english);
    auto* box = new QMessageBox(QMessageBox::Warning, "Sentrel", chinese + "\n\n" + QString::fromStdString(english),
                                QMessageBox::Ok, &window);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
}

}  // namespace

void WarnThatNothingCanBeSeen(QWidget& window, const std::string& why) {
    ShowWarning(window,
                QString::fromUtf8("Sentrel 看不到屏幕：屏幕共享没有开始，所有区域都读不到，也不会提醒。请重新启动 "
                                  "Sentrel，并在桌面询问时允许共享屏幕；或者登录 X11 会话。"),
                "Sentrel cannot see the screen (" + why +
                    "): no area can be read, and none will alert. Start Sentrel again and allow the screen to be "
                    "shared when the desktop asks, or log in to an X11 session.");
}

void WarnWhenOnlyX11WindowsCanBeSeen(QWidget& window, const std::string& why) {
    ShowWarning(window,
                QString::fromUtf8("此 Wayland 会话的屏幕无法直接读取。Sentrel 通过 XWayland 运行，只能看到 X11 程序的"
                                  "窗口；Wayland 原生程序的窗口读作黑色，其中的变化不会被计入。要监视所有窗口，请使用 "
                                  "wlroots 合成器（sway、Hyprland、labwc、Wayfire）或登录 X11 会话。"),
                "This Wayland session's screen cannot be read natively (" + why +
                    "). Sentrel runs through XWayland and sees only the windows of X11 programs: the windows of "
                    "native Wayland programs read as black, and changes in them do not count. To watch every window, "
                    "use a wlroots compositor (sway, Hyprland, labwc, Wayfire) or log in to an X11 session.");
}

}  // namespace sentrel
