#include "LaunchedProgram.h"

#include <stdexcept>

#include "platform/winhttp/WideText.h"

namespace sentrel::launcher {

LaunchedProgram::LaunchedProgram(std::wstring commandLine, HANDLE output, const std::filesystem::path& folder)
    : job_(CreateJobObjectW(nullptr, nullptr)) {
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!job_ || !SetInformationJobObject(job_.get(), JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
        throw std::runtime_error("无法创建作业对象");
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (output != nullptr) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = nullptr;
        startup.hStdOutput = startup.hStdError = output;
    }
    PROCESS_INFORMATION started{};
    const DWORD flags = CREATE_SUSPENDED | (output != nullptr ? CREATE_NO_WINDOW : 0);
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, output != nullptr, flags, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &started)) {
        throw std::runtime_error("无法启动 " + Narrow(commandLine));
    }
    process_.reset(started.hProcess);
    const Handle thread(started.hThread);
    id_ = started.dwProcessId;
    // In the job before it runs, so that nothing it starts escapes it.
    AssignProcessToJobObject(job_.get(), process_.get());
    ResumeThread(thread.get());
}

void LaunchedProgram::WaitUntilIdle(std::chrono::milliseconds timeout) const {
    WaitForInputIdle(process_.get(), static_cast<DWORD>(timeout.count()));
}

bool LaunchedProgram::Exited(std::chrono::milliseconds timeout) const {
    return WaitForSingleObject(process_.get(), static_cast<DWORD>(timeout.count())) == WAIT_OBJECT_0;
}

}  // namespace sentrel::launcher
