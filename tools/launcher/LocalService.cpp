#include "LocalService.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

#include "ServiceStopEvent.h"

namespace sentrel::launcher {
namespace {

using namespace std::chrono_literals;

// What the log says after `from`.
std::string LogSince(const std::filesystem::path& log, std::uintmax_t from) {
    std::ifstream file(log, std::ios::binary);
    file.seekg(static_cast<std::streamoff>(from));
    return std::string(std::istreambuf_iterator<char>(file), {});
}

}  // namespace

LocalService::LocalService(const std::filesystem::path& program, int port, const std::filesystem::path& stateFolder) {
    std::filesystem::create_directories(stateFolder);
    const std::filesystem::path log = stateFolder / L"service.log";
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    log_.reset(CreateFileW(log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
    if (log_.get() == INVALID_HANDLE_VALUE) {
        log_.release();
        throw std::runtime_error("cannot write " + log.string());
    }
    const std::uintmax_t start = std::filesystem::file_size(log);

    std::wstring command = L"\"" + program.wstring() + L"\" --port " + std::to_wstring(port);
    // Named relative to the state folder, where it runs: the service reads
    // its arguments in the system's code page, which may not spell the
    // user's folder.
    if (std::filesystem::exists(stateFolder / L"forwards.txt")) command += L" --forwards forwards.txt";
    program_ = std::make_unique<LaunchedProgram>(command, log_.get(), stateFolder);

    // The code is the last of the lines it prints at start.
    const std::string marker = "verification code: ";
    for (const auto deadline = std::chrono::steady_clock::now() + 30s; std::chrono::steady_clock::now() < deadline;) {
        const bool ended = program_->Exited(50ms);
        const std::string said = LogSince(log, start);
        if (const auto at = said.find(marker); at != std::string::npos) {
            code_ = said.substr(at + marker.size(), 6);
            return;
        }
        if (ended) throw std::runtime_error(said);
    }
    throw std::runtime_error("sentrel-service did not start within 30 seconds; see " + log.string());
}

LocalService::~LocalService() {
    // Its last step empties the database's write-ahead log into the file.
    const Handle stop(OpenEventW(EVENT_MODIFY_STATE, FALSE, service::ServiceStopEventName(program_->Id()).c_str()));
    if (stop) SetEvent(stop.get());
    program_->Exited(5s);
}

}  // namespace sentrel::launcher
