#include <windows.h>

#include <io.h>

#include <memory>
#include <vector>

#include "platform/winhttp/WideText.h"
#include "relay/outbox/AlertCommand.h"

namespace sentrel::service {
namespace {

struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using Handle = std::unique_ptr<void, HandleCloser>;

// The SENTREL_ values first, then the service's own environment without
// any others of that name: one block of "NAME=value" strings.
std::wstring EnvironmentFor(const RecordedAlert& alert) {
    std::wstring block;
    for (const std::string& entry :
         {"SENTREL_ALERT_ID=" + std::to_string(alert.id), "SENTREL_AREA=" + std::to_string(alert.alert.area),
          "SENTREL_TIME=" + alert.time, "SENTREL_OPENID=" + alert.alert.openId,
          "SENTREL_SJS=" + std::to_string(alert.alert.sjs)}) {
        block += Widen(entry) + L'\0';
    }
    const std::unique_ptr<wchar_t, decltype(&FreeEnvironmentStringsW)> own(GetEnvironmentStringsW(),
                                                                           FreeEnvironmentStringsW);
    for (const wchar_t* entry = own.get(); *entry != L'\0'; entry += wcslen(entry) + 1) {
        if (_wcsnicmp(entry, L"SENTREL_", 8) != 0) block += std::wstring(entry) + L'\0';
    }
    return block + L'\0';
}

// Only these handles go to the command: no client's connection, no
// database, whatever else the service holds open.
class InheritOnly {
public:
    explicit InheritOnly(std::vector<HANDLE> handles) : handles_(std::move(handles)) {
        SIZE_T size = 0;
        InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        storage_.resize(size);
        list_ = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage_.data());
        made_ = InitializeProcThreadAttributeList(list_, 1, 0, &size) &&
                UpdateProcThreadAttribute(list_, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles_.data(),
                                          handles_.size() * sizeof(HANDLE), nullptr, nullptr);
    }
    ~InheritOnly() {
        if (made_) DeleteProcThreadAttributeList(list_);
    }
    InheritOnly(const InheritOnly&) = delete;
    InheritOnly& operator=(const InheritOnly&) = delete;

    LPPROC_THREAD_ATTRIBUTE_LIST List() const { return made_ ? list_ : nullptr; }

private:
    std::vector<HANDLE> handles_;
    std::vector<char> storage_;
    LPPROC_THREAD_ATTRIBUTE_LIST list_ = nullptr;
    bool made_ = false;
};

Handle Inheritable(HANDLE handle) {
    HANDLE copy = nullptr;
    DuplicateHandle(GetCurrentProcess(), handle, GetCurrentProcess(), &copy, 0, TRUE, DUPLICATE_SAME_ACCESS);
    return Handle(copy);
}

}  // namespace

std::string CommandShell() { return "cmd.exe"; }

std::optional<std::string> RunAlertCommand(const std::string& command, const RecordedAlert& alert, std::FILE* output,
                                           std::chrono::milliseconds limit) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    const Handle nothing(
        CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr));
    std::fflush(output);
    const Handle written = Inheritable(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(output))));
    if (nothing.get() == INVALID_HANDLE_VALUE || !written) return "the command could not be started";
    const InheritOnly handles({nothing.get(), written.get()});

    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof startup;
    startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
    startup.StartupInfo.hStdInput = nothing.get();
    startup.StartupInfo.hStdOutput = startup.StartupInfo.hStdError = written.get();
    startup.lpAttributeList = handles.List();
    // /s: cmd takes everything between the outer quotes as the command,
    // quotes inside included.
    std::wstring line = L"cmd.exe /d /s /c \"" + Widen(command) + L"\"";
    std::wstring environment = EnvironmentFor(alert);
    // A job, so that a time-out ends what the command started too.
    const Handle job(CreateJobObjectW(nullptr, nullptr));
    PROCESS_INFORMATION started{};
    const DWORD flags = CREATE_SUSPENDED | CREATE_NO_WINDOW | CREATE_UNICODE_ENVIRONMENT |
                        (handles.List() != nullptr ? EXTENDED_STARTUPINFO_PRESENT : 0);
    if (!job || !CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, flags, environment.data(), nullptr,
                                &startup.StartupInfo, &started)) {
        return "the command could not be started";
    }
    const Handle process(started.hProcess), thread(started.hThread);
    AssignProcessToJobObject(job.get(), process.get());
    ResumeThread(thread.get());

    if (WaitForSingleObject(process.get(), static_cast<DWORD>(limit.count())) != WAIT_OBJECT_0) {
        TerminateJobObject(job.get(), 1);
        WaitForSingleObject(process.get(), INFINITE);
        return "the command ran out of time";
    }
    DWORD status = 1;
    GetExitCodeProcess(process.get(), &status);
    if (status == 0) return std::nullopt;
    return "the command exited with status " + std::to_string(status);
}

}  // namespace sentrel::service
