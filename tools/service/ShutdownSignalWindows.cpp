#include <windows.h>

#include <cstdlib>

#include "ServiceStopEvent.h"
#include "ShutdownSignal.h"

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

}  // namespace

ShutdownSignal::ShutdownSignal(std::function<void()> lastStep) {
    stopEvent = CreateEventW(nullptr, TRUE, FALSE, ServiceStopEventName(GetCurrentProcessId()).c_str());
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
