#include <windows.h>
#include <io.h>
#include <shellapi.h>

#include <atomic>

#include "environment.h"
#include "system_services.h"

namespace klv::cli {
namespace {

std::atomic<bool> stopRequested{false};

// Runs on a thread of its own that the system starts for the event.
BOOL WINAPI RequestStop(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  stopRequested.store(true);
  return TRUE;
}

std::atomic<bool> transferCancelled{false};

BOOL WINAPI RequestCancel(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  // Asked twice: the system's own handler ends the tool.
  return transferCancelled.exchange(true) ? FALSE : TRUE;
}

}  // namespace

void PrepareConsole() {
  // The tool's texts are UTF-8; the console shows them as such only in
  // this code page. Harmless when the output goes to a file or a pipe.
  ::SetConsoleOutputCP(CP_UTF8);
}

std::vector<std::string> CommandArguments(int, char**) {
  std::vector<std::string> arguments;
  int count = 0;
  LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (wide == nullptr) return arguments;
  for (int i = 1; i < count; ++i) {
    const int length = ::WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(length > 0 ? length : 1), '\0');
    if (length > 0) ::WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, text.data(), length, nullptr, nullptr);
    text.pop_back();  // the closing zero
    arguments.push_back(std::move(text));
  }
  ::LocalFree(wide);
  return arguments;
}

std::filesystem::path DataFolderPlace() { return {}; }

bool IsTerminal(std::FILE* stream) { return ::_isatty(::_fileno(stream)) != 0; }

void CatchStopRequests() { ::SetConsoleCtrlHandler(RequestStop, TRUE); }

bool StopRequested() { return stopRequested.load(); }

const std::atomic<bool>& CatchTransferCancel() {
  ::SetConsoleCtrlHandler(RequestCancel, TRUE);
  return transferCancelled;
}

int CancelExitStatus() { return 130; }

// Japanese when the user's interface language is, as the window program
// decides it.
Language LocaleLanguage() {
  return PRIMARYLANGID(::GetUserDefaultUILanguage()) == LANG_JAPANESE ? Language::Japanese : Language::English;
}

}  // namespace klv::cli
