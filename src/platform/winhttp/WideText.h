#pragma once

#include <string>
#include <string_view>

namespace sentrel {

// The program keeps text as UTF-8; Windows takes and gives UTF-16.
std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

}  // namespace sentrel
