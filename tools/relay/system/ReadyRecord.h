#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace sentrel::service {

// What the service writes to its --ready-file once it listens: where it
// listens and a sign-in code issued for the reader alone, so that a program
// that started it waits for one file, rather than reading its log, and knows
// that the service there is the one it started. With the code come the
// address a phone opens to subscribe to that code's alerts, and the code
// page's address for a phone on the LAN (empty when the service listens on
// loopback alone, which no phone can reach). One JSON object on a line:
// {"url":"http://127.0.0.1:8080","code":"123456","subscribe":"https://ntfy.sh/…","page":""}
struct ReadyRecord {
    std::string url;
    std::string code;
    std::string subscribe;
    std::string page;

    std::string Json() const;
    // The record Json wrote; std::nullopt for any other text, such as a
    // file not yet written whole.
    static std::optional<ReadyRecord> Parse(std::string_view json);
};

}  // namespace sentrel::service
