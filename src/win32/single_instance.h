#pragma once
// One program per user session: the first start holds a named mutex and
// marks its main window; a later start finds that window, brings it forward
// and hands it the file of its own command line (WM_COPYDATA with the wide
// path), then ends.
#include <windows.h>

#include <filesystem>
#include <optional>

namespace klv {

// The mutex every start of the program asks for.
inline constexpr wchar_t kSingleInstanceMutex[] = L"適当な文字列";
// The property that marks the program's main window among the desktop's windows.
inline constexpr wchar_t kMainWindowMark[] = L"KlvLoader.MainWindow";
// WM_COPYDATA's dwData for a file handed over ("KLVo").
inline constexpr ULONG_PTR kHandOverFile = 0x4B4C566F;
// The longest path handed over, in UTF-16 units with the closing zero.
inline constexpr std::size_t kLongestHandOver = 32768;

// The mutex is held until the process ends; false when another start holds it.
bool AcquireSingleInstance();

// The main window of a program already running (not except), or none.
HWND FindRunningMainWindow(HWND except = nullptr);

// Brings window forward and hands it file (empty: just brings it forward).
// False when the window did not take it.
bool HandOverToRunningWindow(HWND window, const std::filesystem::path& file);

// The file in a WM_COPYDATA message from a later start: the wide path, ended
// by a zero, of sensible length; nothing for anything else.
std::optional<std::filesystem::path> HandedOverFile(const COPYDATASTRUCT& data);

}  // namespace klv
