#include <cstdlib>

#include "relay/options/ServiceOptions.h"

namespace sentrel::service {

std::string DefaultDatabasePath() {
    if (const char* state = std::getenv("XDG_STATE_HOME"); state != nullptr && *state == '/') {
        return std::string(state) + "/sentrel/service.db";
    }
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        return std::string(home) + "/.local/state/sentrel/service.db";
    }
    return {};
}

std::string DefaultDatabasePlace() { return "$XDG_STATE_HOME/sentrel/service.db"; }

}  // namespace sentrel::service
