#include "app/ToolOptions.h"

namespace sentrel {

ToolOptions ParseToolOptions(const std::vector<std::string>& args) {
    ToolOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--toggle") {
            options.toggle = true;
        } else if (args[i].starts_with("--screen=")) {
            options.screen = args[i].substr(9);
        } else if (args[i] == "--screen" && i + 1 < args.size()) {
            options.screen = args[++i];
        } else if (args[i].starts_with("--service=")) {
            options.service = args[i].substr(10);
        } else if (args[i] == "--service" && i + 1 < args.size()) {
            options.service = args[++i];
        } else {
            options.notUnderstood.push_back(args[i]);
        }
    }
    return options;
}

}  // namespace sentrel
