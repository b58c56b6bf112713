#pragma once
// The one POSIX call that the shared test rigs make and Windows lacks,
// included ahead of every test file of the Windows build.
#include <io.h>
#include <windows.h>

#include <cstring>

// Replaces the trailing XXXXXX of pattern by a unique name and makes that
// folder; pattern on success, nullptr otherwise.
inline char* mkdtemp(char* pattern) {
  if (::_mktemp_s(pattern, std::strlen(pattern) + 1) != 0) return nullptr;
  return ::CreateDirectoryA(pattern, nullptr) ? pattern : nullptr;
}
