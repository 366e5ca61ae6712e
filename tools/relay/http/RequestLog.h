#pragma once

#include <string_view>

namespace sentrel::service {

// The line every request gets on standard error: time, status, method,
// target and what the service made of it (the note, which must be
// printable already). The target's OpenIds are masked (MaskedTarget); the
// method and target are made printable and cut short, so no request can
// break the line or flood the log; "-" stands for what never arrived.
void LogRequest(int status, std::string_view method, std::string_view target, std::string_view note);

}  // namespace sentrel::service
