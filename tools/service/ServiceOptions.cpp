#include "ServiceOptions.h"

#include <algorithm>
#include <string_view>

#include "service/DecimalText.h"

namespace sentrel::service {
namespace {

bool HasControlBytes(std::string_view text) {
    return std::any_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F;
    });
}

}  // namespace

std::string ServiceUsage() {
    return "usage: sentrel-service [--port N] [--bind ADDRESS] [--code CODE] [--log FILE] [--on-alert COMMAND]\n"
           "  --port N            port to listen on (default " +
           std::to_string(SENTREL_LOCAL_SERVICE_PORT) +
           "; 0 picks a free one)\n"
           "  --bind ADDRESS      address to listen on (default 127.0.0.1)\n"
           "  --code CODE         also accept this verification code, any number of times\n"
           "  --log FILE          append each accepted alert as a JSON line to FILE\n"
           "  --on-alert COMMAND  run COMMAND through /bin/sh for each accepted alert, with\n"
           "                      SENTREL_AREA, SENTREL_TIME, SENTREL_OPENID and SENTREL_SJS set\n";
}

ParsedOptions ParseServiceOptions(std::span<const char* const> args) {
    ServiceOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string_view name = args[i];
        std::optional<std::string_view> inlineValue;
        if (const auto equals = name.find('='); name.starts_with("--") && equals != std::string_view::npos) {
            inlineValue = name.substr(equals + 1);
            name = name.substr(0, equals);
        }
        if (name == "--help" || name == "-h") {
            options.help = true;
            continue;
        }
        const bool known =
            name == "--port" || name == "--bind" || name == "--code" || name == "--log" || name == "--on-alert";
        if (!known) return {std::nullopt, "unknown option " + std::string(name)};
        if (!inlineValue && i + 1 >= args.size()) return {std::nullopt, std::string(name) + " needs a value"};
        const std::string value(inlineValue ? *inlineValue : std::string_view(args[++i]));

        if (name == "--port") {
            const std::optional<int> port = ParseDecimal(value, 0, 65535);
            if (!port) return {std::nullopt, "--port takes a number from 0 to 65535, not \"" + value + "\""};
            options.port = *port;
        } else if (name == "--bind") {
            if (value.empty()) return {std::nullopt, "--bind needs an address"};
            options.bind = value;
        } else if (name == "--code") {
            if (value.empty() || value.size() > 64 || HasControlBytes(value)) {
                return {std::nullopt, "--code takes 1 to 64 characters without control characters"};
            }
            options.standingCode = value;
        } else if (name == "--log") {
            options.logPath = value;
        } else {
            options.onAlert = value;
        }
    }
    return {options, {}};
}

}  // namespace sentrel::service
