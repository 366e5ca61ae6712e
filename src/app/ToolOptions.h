#pragma once

#include <optional>
#include <string>
#include <vector>

namespace sentrel {

// What the tool is told on its command line: the monitor to cover, as typed
// ("--screen N" or "--screen=N"), the service's address ("--service URL"),
// or "--toggle" to show or hide the running instance's window; and whatever
// it did not understand, which it reports and otherwise ignores, so that a
// desktop entry with a stale option still starts it.
struct ToolOptions {
    std::optional<std::string> screen;
    std::optional<std::string> service;
    bool toggle = false;
    std::vector<std::string> notUnderstood;
};

// The arguments after the program name, once the toolkit has taken its own.
ToolOptions ParseToolOptions(const std::vector<std::string>& args);

}  // namespace sentrel
