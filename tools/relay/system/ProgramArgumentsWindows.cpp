#include <windows.h>

#include <shellapi.h>

#include "platform/winhttp/WideText.h"
#include "relay/system/ProgramArguments.h"

namespace sentrel::service {

std::vector<std::string> ProgramArguments(int, char**) {
    int count = 0;
    wchar_t** words = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    for (int i = 1; i < count; ++i) arguments.push_back(Narrow(words[i]));
    LocalFree(words);
    return arguments;
}

}  // namespace sentrel::service
