#pragma once
// The window API speaks UTF-16; the core speaks UTF-8. One place converts.
#include <string>
#include <string_view>

namespace klv {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

}  // namespace klv
