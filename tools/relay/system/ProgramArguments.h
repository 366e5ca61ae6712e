#pragma once

#include <string>
#include <vector>

namespace sentrel::service {

// The arguments after the program's name, as UTF-8: on Windows main() gets
// them in the narrow code page, which cannot spell every file name.
std::vector<std::string> ProgramArguments(int argc, char** argv);

}  // namespace sentrel::service
