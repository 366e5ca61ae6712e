#pragma once

#include <string>

namespace sentrel::service {

// The event that asks the Windows service with this process id to stop as
// on Ctrl+C: a program that started it without a console (the launcher)
// has no other way to, short of killing it.
inline std::wstring ServiceStopEventName(unsigned long processId) {
    return L"Local\\sentrel-service-stop-" + std::to_wstring(processId);
}

}  // namespace sentrel::service
