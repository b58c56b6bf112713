#include "win32/single_instance.h"

#include <string>

namespace klv {

bool AcquireSingleInstance() {
  // Not owned: the mutex only says that the program runs; the system
  // releases it when the process ends, also after a crash.
  HANDLE mutex = CreateMutexW(nullptr, FALSE, kSingleInstanceMutex);
  if (mutex == nullptr) return true;  // no mutex to be had: run rather than not at all
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    CloseHandle(mutex);
    return false;
  }
  return true;
}

namespace {

struct Search {
  HWND except;
  HWND found;
};

BOOL CALLBACK NoteMainWindow(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<Search*>(context);
  if (window != search->except && GetPropW(window, kMainWindowMark) != nullptr) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

HWND FindRunningMainWindow(HWND except) {
  Search search{except, nullptr};
  EnumWindows(NoteMainWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

bool HandOverToRunningWindow(HWND window, const std::filesystem::path& file) {
  if (IsIconic(window)) ShowWindow(window, SW_RESTORE);
  // The later start is the foreground process, so it may give the foreground away.
  SetForegroundWindow(GetLastActivePopup(window));
  const std::wstring path = file.wstring();
  if (path.size() + 1 > kLongestHandOver) return false;
  COPYDATASTRUCT data{};
  data.dwData = kHandOverFile;
  data.cbData = static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t));
  data.lpData = const_cast<wchar_t*>(path.c_str());
  DWORD_PTR taken = 0;
  // The window only notes the file and answers at once; a hung one is not waited for.
  const LRESULT sent = SendMessageTimeoutW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                                           SMTO_ABORTIFHUNG | SMTO_BLOCK, 5000, &taken);
  return sent != 0 && taken == TRUE;
}

std::optional<std::filesystem::path> HandedOverFile(const COPYDATASTRUCT& data) {
  if (data.dwData != kHandOverFile || data.lpData == nullptr) return std::nullopt;
  if (data.cbData < sizeof(wchar_t) || data.cbData % sizeof(wchar_t) != 0 ||
      data.cbData > kLongestHandOver * sizeof(wchar_t)) {
    return std::nullopt;
  }
  const std::size_t count = data.cbData / sizeof(wchar_t);
  const std::wstring text(static_cast<const wchar_t*>(data.lpData), count);
  // One path: ended by its zero and holding no other, and no line breaks.
  if (text.back() != L'\0' || text.find_first_of(std::wstring(L"\0\r\n", 3)) != count - 1) return std::nullopt;
  return std::filesystem::path(text.substr(0, count - 1));
}

}  // namespace klv
