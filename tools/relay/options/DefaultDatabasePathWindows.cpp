#include <windows.h>

#include <shlobj.h>

#include <memory>

#include "platform/winhttp/WideText.h"
#include "relay/options/ServiceOptions.h"

namespace sentrel::service {

std::string DefaultDatabasePath() {
    PWSTR folder = nullptr;
    const HRESULT found = SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &folder);
    const std::unique_ptr<wchar_t, decltype(&CoTaskMemFree)> owned(folder, CoTaskMemFree);
    if (FAILED(found)) return {};
    return Narrow(folder) + "\\Sentrel\\service.db";
}

std::string DefaultDatabasePlace() { return "%LOCALAPPDATA%\\Sentrel\\service.db"; }

}  // namespace sentrel::service
