#include "LocalService.h"

#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>

#include "platform/winhttp/WideText.h"
#include "relay/system/ServiceStopEvent.h"

namespace sentrel::launcher {
namespace {

using namespace std::chrono_literals;

// What the file holds after `from`; empty when it cannot be read.
std::string TextSince(const std::filesystem::path& file, std::uintmax_t from = 0) {
    std::ifstream in(file, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(from));
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

LocalService::LocalService(const std::filesystem::path& program, int port, const std::filesystem::path& stateFolder)
    : readyFile_(stateFolder / L"ready.json") {
    std::filesystem::create_directories(stateFolder);
    const std::filesystem::path log = stateFolder / L"service.log";
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    log_.reset(CreateFileW(log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
    if (log_.get() == INVALID_HANDLE_VALUE) {
        log_.release();
        throw std::runtime_error("无法写入 " + Narrow(log.wstring()));
    }
    const std::uintmax_t start = std::filesystem::file_size(log);
    // One a killed service left would name another's address and code.
    std::filesystem::remove(readyFile_);

    // Its files are named relative to the state folder, which it runs in.
    std::wstring command =
        L"\"" + program.wstring() + L"\" --port " + std::to_wstring(port) + L" --ready-file ready.json";
    if (std::filesystem::exists(stateFolder / L"forwards.txt")) command += L" --forwards forwards.txt";
    // What the user set for where phones reach it, as packaging/sentrel-local
    // takes them. The service refuses a value with a quote in it.
    for (const auto& [variable, option] :
         {std::pair(L"SENTREL_BIND", L"--bind"), std::pair(L"SENTREL_PUBLIC_URL", L"--public-url"),
          std::pair(L"SENTREL_NTFY_SERVER", L"--ntfy-server")}) {
        if (const wchar_t* value = _wgetenv(variable); value != nullptr && *value != L'\0') {
            command += std::wstring(L" ") + option + L" \"" + value + L"\"";
        }
    }
    program_ = std::make_unique<LaunchedProgram>(command, log_.get(), stateFolder);

    for (const auto deadline = std::chrono::steady_clock::now() + 30s; std::chrono::steady_clock::now() < deadline;) {
        const bool ended = program_->Exited(50ms);
        if (const std::optional<service::ReadyRecord> ready = service::ReadyRecord::Parse(TextSince(readyFile_))) {
            ready_ = *ready;
            return;
        }
        if (ended) throw std::runtime_error("sentrel-service 已退出：\n\n" + TextSince(log, start));
    }
    throw std::runtime_error("sentrel-service 30 秒内未能启动；详见 " + Narrow(log.wstring()));
}

LocalService::~LocalService() {
    // Its last step empties the database's write-ahead log into the file.
    const Handle stop(OpenEventW(EVENT_MODIFY_STATE, FALSE, service::ServiceStopEventName(program_->Id()).c_str()));
    if (stop) SetEvent(stop.get());
    program_->Exited(5s);
    // Its code is of no use to anyone any more.
    std::error_code ignored;
    std::filesystem::remove(readyFile_, ignored);
}

}  // namespace sentrel::launcher
