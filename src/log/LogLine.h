#pragma once

#include <string_view>

namespace sentrel {

// Writes "speaker: line" and its newline on standard error in one write,
// so that lines of two threads never mix, and at once, so that whoever
// reads them (a terminal, a launcher, a test) sees each as it happens.
void WriteLogLine(std::string_view speaker, std::string_view line);

}  // namespace sentrel
