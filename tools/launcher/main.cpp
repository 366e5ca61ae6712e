#include <windows.h>

#include <shlobj.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>

#include "CodeNotice.h"
#include "LaunchedProgram.h"
#include "LocalService.h"
#include "LoopbackPort.h"
#include "client/DecimalText.h"
#include "client/PhonePageAddress.h"
#include "platform/winhttp/WideText.h"

using namespace sentrel;
using namespace sentrel::launcher;

namespace {

std::filesystem::path ProgramFolder() {
    std::wstring path(MAX_PATH, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
    return std::filesystem::path(path).parent_path();
}

// %LOCALAPPDATA%\Sentrel, where the service keeps its state by default.
std::filesystem::path StateFolder() {
    PWSTR folder = nullptr;
    const HRESULT found = SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &folder);
    const std::unique_ptr<wchar_t, decltype(&CoTaskMemFree)> owned(folder, CoTaskMemFree);
    if (FAILED(found)) throw std::runtime_error("Windows 未提供本地应用数据文件夹的位置");
    return std::filesystem::path(folder) / L"Sentrel";
}

// SENTREL_PORT, as packaging/sentrel-local takes it, else the built-in one.
int Port() {
    const char* chosen = std::getenv("SENTREL_PORT");
    return ParseDecimal(chosen != nullptr ? chosen : "", 1, 65535).value_or(SENTREL_LOCAL_SERVICE_PORT);
}

}  // namespace

// toolOptions: the launcher's own arguments, as typed, which are the
// window's (--screen N).
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR toolOptions, int) {
    const int port = Port();
    const std::filesystem::path folder = ProgramFolder();
    try {
        // What answers on the port may be any local user's program, which
        // the window would then give the user's OpenId: the window only
        // talks to the service started here, on a free port when that one
        // is taken.
        const int takenPort = LoopbackPortAnswers(port) ? port : 0;
        const LocalService service(folder / L"sentrel-service.exe", takenPort != 0 ? 0 : port, StateFolder());
        // The window's QR code then leads a phone to the page on the LAN.
        if (!service.Ready().page.empty()) {
            SetEnvironmentVariableW(Widen(kPageUrlVariable).c_str(), Widen(service.Ready().page).c_str());
        }
        const LaunchedProgram window(L"\"" + (folder / L"sentrel.exe").wstring() + L"\" --service " +
                                     Widen(service.Ready().url) + L" " + toolOptions);
        // Over the window, which would otherwise cover it.
        window.WaitUntilIdle(std::chrono::seconds(10));
        ShowCodeNotice(service.Ready(), takenPort);
        window.Exited(std::chrono::milliseconds(INFINITE));
    } catch (const std::exception& error) {
        MessageBoxW(nullptr, Widen(std::string("Sentrel 无法启动：\n\n") + error.what()).c_str(), L"Sentrel",
                    MB_OK | MB_ICONERROR);
        return 1;
    }
    return 0;
}
