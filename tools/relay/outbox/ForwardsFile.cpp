#include "relay/outbox/ForwardsFile.h"

#include <stdexcept>
#include <string_view>

#include "relay/system/PrivateFiles.h"

namespace sentrel::service {

std::vector<ForwardTarget> ReadForwardsFile(const std::string& path) {
    const std::string text = ReadOwnerOnly(path);
    std::vector<ForwardTarget> targets;
    std::string_view rest = text;
    // Notepad's "UTF-8 with BOM" (its only UTF-8 before Windows 10 1903)
    // starts the file with one.
    if (rest.starts_with("\xEF\xBB\xBF")) rest.remove_prefix(3);
    for (int number = 1; !rest.empty(); ++number) {
        const std::size_t end = std::min(rest.find('\n'), rest.size());
        std::string_view line = rest.substr(0, end);
        rest.remove_prefix(std::min(end + 1, rest.size()));
        line.remove_prefix(std::min(line.find_first_not_of(" \t"), line.size()));
        line = line.substr(0, line.find_last_not_of(" \t\r") + 1);
        if (line.empty() || line.starts_with('#')) continue;
        const std::optional<ForwardTarget> target = ForwardTarget::ParseForward(line);
        if (!target) {
            throw std::runtime_error("forwards file " + path + " line " + std::to_string(number) +
                                     " is not ntfy:URL, gotify:URL or webhook:URL with an http or https URL");
        }
        targets.push_back(*target);
    }
    return targets;
}

}  // namespace sentrel::service
