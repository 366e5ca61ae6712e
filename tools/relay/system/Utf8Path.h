#pragma once

#include <filesystem>
#include <string>

namespace sentrel::service {

// The service keeps file names as UTF-8 text. std::filesystem reads and
// writes plain strings in the system's narrow code page, which on Windows
// cannot spell every user's folder; these go through UTF-8 everywhere.
inline std::filesystem::path PathFromUtf8(const std::string& text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

inline std::string Utf8FromPath(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

}  // namespace sentrel::service
