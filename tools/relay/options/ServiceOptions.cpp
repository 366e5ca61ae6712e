#include "relay/options/ServiceOptions.h"

#include <algorithm>
#include <string_view>

#include "client/DecimalText.h"
#include "client/LocalHost.h"
#include "relay/outbox/AlertCommand.h"
#include "relay/outbox/ForwardTarget.h"
#include "relay/system/Utf8Path.h"

namespace sentrel::service {
namespace {

// A hundred years; anything longer is better said with 0.
constexpr int kMaxKeepDays = 36500;

bool HasControlBytes(std::string_view text) {
    return std::any_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F;
    });
}

// An http or https address with a host, nothing a URL's query would carry,
// and nothing JSON or HTML would have to escape: it goes into both as it is.
bool PlainWebAddress(std::string_view url) {
    return ForwardTarget::Parse("webhook:" + std::string(url)).has_value() && !HasControlBytes(url) &&
           url.find_first_of("?#\"'<>\\ ") == std::string_view::npos;
}

}  // namespace

std::string ServiceUsage() {
    return "usage: sentrel-service [--port N] [--bind ADDRESS] [--code CODE] [--db FILE] [--forward KIND:URL]...\n"
           "                       [--forwards FILE] [--allow-host NAME]... [--log FILE]\n"
           "                       [--on-alert COMMAND] [--on-alert-log FILE] [--ready-file FILE] [--history]\n"
           "                       [--ntfy-server URL] [--public-url URL] [--keep-days N]\n"
           "  --port N            port to listen on (default " +
           std::to_string(SENTREL_LOCAL_SERVICE_PORT) +
           "; 0 picks a free one)\n"
           "  --bind ADDRESS      address to listen on (default 127.0.0.1)\n"
           "  --code CODE         also accept this verification code, any number of times\n"
           "  --db FILE           keep sign-ins, alerts and the outbox in this SQLite file\n"
           "                      (default " +
           DefaultDatabasePlace() +
           ")\n"
           "  --forward KIND:URL  send each alert on to ntfy:TOPIC-URL, gotify:MESSAGE-URL?token=...\n"
           "                      or webhook:URL; repeatable; retried until delivered, for a day\n"
           "  --forwards FILE     the same from FILE, one KIND:URL a line (# starts a comment), which\n"
           "                      keeps tokens off the command line; only its owner may read it\n"
           "  --allow-host NAME   also answer requests addressed to NAME (with any port), the\n"
           "                      name a proxy in front is reached by; repeatable\n"
           "  --log FILE          append each accepted alert as a JSON line to FILE\n"
           "  --on-alert COMMAND  run COMMAND through " +
           CommandShell() +
           " for each accepted alert, with\n"
           "                      SENTREL_ALERT_ID, SENTREL_AREA, SENTREL_TIME, SENTREL_OPENID and\n"
           "                      SENTREL_SJS set; retried like a forward until it exits with 0\n"
           "  --on-alert-log FILE where COMMAND's output goes (default beside the database,\n"
           "                      service.on-alert.log for service.db)\n"
           "  --ready-file FILE   once listening, write {\"url\":URL,\"code\":CODE} to FILE, which only\n"
           "                      its owner may read: the address and a sign-in code of its own\n"
           "  --ntfy-server URL   the ntfy server that phones subscribe on for their own alerts\n"
           "                      (default " +
           std::string(kPublicNtfyServer) +
           ")\n"
           "  --public-url URL    the address phones on the LAN open the code page at (default\n"
           "                      http://ADDRESS:PORT when --bind names one address that is not loopback)\n"
           "  --keep-days N       forget alerts, and their deliveries, after N days (default 30;\n"
           "                      0 keeps them all)\n"
           "  --history           print the recorded alerts as JSON lines and exit\n";
}

std::string DefaultOnAlertLog(const std::string& databasePath) {
    return Utf8FromPath(PathFromUtf8(databasePath).replace_extension(".on-alert.log"));
}

std::string PhonePageAddress(const ServiceOptions& options, const std::string& listeningUrl) {
    std::string_view page = options.publicUrl;
    while (page.ends_with('/')) page.remove_suffix(1);
    if (!page.empty()) return std::string(page);
    return IsLocalHost(options.bind) ? std::string() : listeningUrl;
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
        if (name == "--history") {
            options.history = true;
            continue;
        }
        const bool known = name == "--port" || name == "--bind" || name == "--code" || name == "--log" ||
                           name == "--on-alert" || name == "--db" || name == "--forward" || name == "--allow-host" ||
                           name == "--forwards" || name == "--on-alert-log" || name == "--ready-file" ||
                           name == "--ntfy-server" || name == "--public-url" || name == "--keep-days";
        if (!known) return {std::nullopt, "unknown option " + std::string(name)};
        if (!inlineValue && i + 1 >= args.size()) return {std::nullopt, std::string(name) + " needs a value"};
        const std::string value(inlineValue ? *inlineValue : std::string_view(args[++i]));

        if (name == "--port") {
            const std::optional<int> port = ParseDecimal(value, 0, 65535);
            if (!port) return {std::nullopt, "--port takes a number from 0 to 65535, not \"" + value + "\""};
            options.port = *port;
        } else if (name == "--keep-days") {
            const std::optional<int> days = ParseDecimal(value, 0, kMaxKeepDays);
            if (!days) {
                return {std::nullopt, "--keep-days takes a number from 0 to " + std::to_string(kMaxKeepDays) +
                                          ", not \"" + value + "\""};
            }
            options.keepDays = *days;
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
        } else if (name == "--db") {
            if (value.empty()) return {std::nullopt, "--db needs a file name"};
            options.databasePath = value;
        } else if (name == "--forward") {
            const std::optional<ForwardTarget> target = ForwardTarget::ParseForward(value);
            if (!target) {
                return {std::nullopt,
                        "--forward takes ntfy:URL, gotify:URL or webhook:URL with an http or https URL, not \"" +
                            value + "\""};
            }
            AddOnce(options.forwards, target->Written());
        } else if (name == "--forwards" || name == "--on-alert-log" || name == "--ready-file") {
            if (value.empty()) return {std::nullopt, std::string(name) + " needs a file name"};
            (name == "--forwards"     ? options.forwardsFile
             : name == "--ready-file" ? options.readyFile
                                      : options.onAlertLog) = value;
        } else if (name == "--ntfy-server" || name == "--public-url") {
            if (!PlainWebAddress(value)) {
                return {std::nullopt,
                        std::string(name) + " takes an http or https address without a query, not \"" + value + "\""};
            }
            if (name == "--ntfy-server") {
                options.ntfyServer = value;
            } else {
                options.publicUrl = value;
                // Phones address the page by that name.
                options.allowHosts.emplace_back(UrlHost(value));
            }
        } else if (name == "--allow-host") {
            if (value.empty() || std::ranges::any_of(value, [](char c) { return c == ' ' || c == '/'; }) ||
                HasControlBytes(value)) {
                return {std::nullopt, "--allow-host takes a host name, not \"" + value + "\""};
            }
            options.allowHosts.push_back(value);
        } else {
            options.onAlert = value;
        }
    }
    return {options, {}};
}

}  // namespace sentrel::service
