#pragma once
// Text for the error codes of the Windows API (GetLastError), in UTF-8.
#include <windows.h>

#include <string>
#include <string_view>

namespace klv {

// The system's own sentence for the code, without its trailing line break,
// for example "The process cannot access the file because it is being used
// by another process."; "error <code>" when the system has none.
std::string WindowsErrorText(DWORD error);

// UTF-8 <-> UTF-16 for the wide-character calls of the Windows API.
std::wstring WideFromUtf8(std::string_view text);
std::string Utf8FromWide(std::wstring_view text);

}  // namespace klv
