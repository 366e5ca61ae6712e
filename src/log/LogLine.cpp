#include "log/LogLine.h"

#include <cstdio>
#include <string>

namespace sentrel {

void WriteLogLine(std::string_view speaker, std::string_view line) {
    std::string text(speaker);
    text += ": ";
    text += line;
    text += '\n';
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

}  // namespace sentrel
