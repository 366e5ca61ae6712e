#include "platform/linux/ToolStart.h"

#include <QApplication>
#include <QCursor>
#include <QIcon>
#include <QMessageBox>
#include <algorithm>
#include <stdexcept>

#include "client/ServiceAddress.h"
#include "log/ToolLog.h"
#include "monitor/MonitorChoice.h"
#include "platform/qt/CjkFonts.h"

namespace sentrel {

void SetUpToolkit() {
    QApplication::setApplicationName("Sentrel");
    // Names the window to Wayland compositors (its app_id), for their rules.
    QGuiApplication::setDesktopFileName("sentrel");
    QApplication::setFont(CjkFont(9, false));
    // The theme's icon and the built-in one are both SVG: without Qt's SVG
    // plugins the window simply has no icon.
    QApplication::setWindowIcon(QIcon::fromTheme("sentrel", QIcon(":/sentrel.svg")));
    // A steady text cursor: the threshold box keeps the focus while the tool
    // watches for hours, and a blinking one would repaint it twice a second.
    QApplication::setCursorFlashTime(0);
}

ToolOptions OptionsGiven() {
    std::vector<std::string> args;
    for (const QString& arg : QApplication::arguments().mid(1)) args.push_back(arg.toStdString());
    ToolOptions options = ParseToolOptions(args);
    for (const std::string& arg : options.notUnderstood) {
        Say("ignored \"" + arg + "\"; the options are --screen N, --service URL and --toggle");
    }
    return options;
}

std::optional<std::string> ServiceUrlGiven(const ToolOptions& options) {
    try {
        return ServiceUrlFor(options.service);
    } catch (const std::invalid_argument& error) {
        Say(error.what());
        QMessageBox::critical(nullptr, "Sentrel", QString::fromUtf8(error.what()));
        return std::nullopt;
    }
}

// Qt lists the X screen's RandR monitors.
MonitorToCover ChosenMonitor(const ToolOptions& options) {
    const QList<QScreen*> screens = QGuiApplication::screens();
    std::vector<MonitorArea> monitors;
    for (const QScreen* screen : screens) {
        const QRect area = screen->geometry();
        monitors.push_back({screen->name().toStdString(), area.x(), area.y(), area.width(), area.height()});
    }
    const QPoint pointer = QCursor::pos();
    const MonitorChoice choice = ChooseMonitor(monitors, options.screen, pointer.x(), pointer.y());
    if (!choice.error.empty()) Say(choice.error);
    const std::vector<std::size_t> numbering = MonitorNumbering(monitors);
    const auto number = std::find(numbering.begin(), numbering.end(), choice.index) - numbering.begin();
    return {screens[static_cast<qsizetype>(choice.index)], static_cast<std::size_t>(number)};
}

}  // namespace sentrel
