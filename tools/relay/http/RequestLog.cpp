#include "relay/http/RequestLog.h"

#include <chrono>
#include <string>

#include "relay/http/RequestTarget.h"
#include "relay/system/RelayLog.h"
#include "relay/system/TextEscapes.h"
#include "relay/system/UtcTimestamp.h"

namespace sentrel::service {
namespace {

constexpr std::size_t kMaxLoggedField = 300;

std::string Field(std::string_view text) {
    if (text.empty()) return "-";
    std::string field = Printable(text);
    if (field.size() > kMaxLoggedField) field = field.substr(0, kMaxLoggedField) + "...";
    return field;
}

}  // namespace

void LogRequest(int status, std::string_view method, std::string_view target, std::string_view note) {
    std::string line = UtcTimestamp(std::chrono::system_clock::now()) + " " + std::to_string(status) + " " +
                       Field(method) + " " + Field(MaskedTarget(target));
    if (!note.empty()) line += " (" + std::string(note) + ")";
    Tell(line);
}

}  // namespace sentrel::service
