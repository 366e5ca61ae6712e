#pragma once

#include <QScreen>
#include <optional>
#include <string>

#include "app/ToolOptions.h"

namespace sentrel {

// The steps of the tool's start that come before its window, each saying on
// standard error what it could not take.

// The toolkit's application-wide settings: names, font, icon, cursor.
void SetUpToolkit();
// The command line as the toolkit leaves it.
ToolOptions OptionsGiven();
// The service's address, none when the one given is not one (said in a box
// too).
std::optional<std::string> ServiceUrlGiven(const ToolOptions& options);
struct MonitorToCover {
    QScreen* screen;
    std::size_t number;  // as the user counts monitors, and --screen takes them
};
// The monitor the window covers: the one asked for on the command line, else
// the one under the pointer.
MonitorToCover ChosenMonitor(const ToolOptions& options);

}  // namespace sentrel
