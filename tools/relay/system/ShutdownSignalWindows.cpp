#include <windows.h>

#include <cstdlib>
#include <stdexcept>
#include <string>

#include "platform/winhttp/WideText.h"
#include "relay/system/ServiceStopEvent.h"
#include "relay/system/ShutdownSignal.h"

namespace sentrel::service {
namespace {

// The console's handler takes no context; there is one ShutdownSignal.
HANDLE stopEvent = nullptr;

BOOL WINAPI OnConsoleEvent(DWORD) {
    SetEvent(stopEvent);
    // Windows ends the process once a close or log-off handler returns:
    // this one waits for the last step, which ends it first.
    Sleep(INFINITE);
    return TRUE;
}

// Windows' own words for its last error, on one line.
std::string LastErrorText() {
    const DWORD error = GetLastError();
    wchar_t* text = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring said(text, length);
    LocalFree(text);
    said.erase(said.find_last_not_of(L"\r\n .") + 1);
    return (said.empty() ? "" : Narrow(said) + " ") + "(error " + std::to_string(error) + ")";
}

}  // namespace

ShutdownSignal::ShutdownSignal(std::function<void()> lastStep) {
    const std::wstring name = ServiceStopEventName(GetCurrentProcessId());
    stopEvent = CreateEventW(nullptr, TRUE, FALSE, name.c_str());
    // Without it nothing could be waited for, and a stop asked for could
    // not be told from none.
    if (stopEvent == nullptr) {
        throw std::runtime_error("cannot make the stop event " + Narrow(name) + ": " + LastErrorText());
    }
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
    waiter_ = std::thread([this, lastStep = std::move(lastStep)] {
        WaitForSingleObject(stopEvent, INFINITE);
        if (leaving_) return;
        lastStep();
        // As on POSIX: what other threads had not committed is lost as on a
        // crash.
        std::_Exit(0);
    });
}

ShutdownSignal::~ShutdownSignal() {
    leaving_ = true;
    SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
    SetEvent(stopEvent);
    waiter_.join();
    CloseHandle(stopEvent);
}

}  // namespace sentrel::service
