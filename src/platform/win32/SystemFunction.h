#pragma once

#include <windows.h>

namespace sentrel {

// A function of a loaded system library that older Windows versions lack,
// found at run time so that the program still starts there; null where
// there is none.
template <typename Function>
Function FindSystemFunction(const wchar_t* library, const char* name) {
    const HMODULE module = GetModuleHandleW(library);
    const FARPROC found = module == nullptr ? nullptr : GetProcAddress(module, name);
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(found));
}

}  // namespace sentrel
