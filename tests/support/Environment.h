#pragma once

#include <cstdlib>

namespace sentrel::testing {

// Sets (or, with nullptr, removes) an environment variable of this process.
inline void SetEnvironment(const char* name, const char* value) {
#ifdef _WIN32
    _putenv_s(name, value != nullptr ? value : "");
#else
    if (value != nullptr) {
        ::setenv(name, value, 1);
    } else {
        ::unsetenv(name);
    }
#endif
}

}  // namespace sentrel::testing
