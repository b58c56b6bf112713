// klv-loader.exe: the window program on Windows.
#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include <filesystem>
#include <vector>

#include "app/program_state.h"
#include "platform/clock.h"
#include "platform/data_folder.h"
#include "win32/single_instance.h"
#include "win32/main_window.h"
#include "win32/system_operator.h"
#include "win32/ui_language.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_UPDOWN_CLASS};
  InitCommonControlsEx(&controls);

  // The first argument names a parameter file to open.
  std::filesystem::path commandLineFile;
  int count = 0;
  if (LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count)) {
    if (count > 1) commandLineFile = std::filesystem::path(arguments[1]);
    LocalFree(arguments);
  }
  // A later start brings the running program forward with its file, then ends.
  if (!klv::AcquireSingleInstance()) {
    if (HWND running = klv::FindRunningMainWindow()) {
      std::error_code error;
      if (!commandLineFile.empty()) commandLineFile = std::filesystem::absolute(commandLineFile, error);
      klv::HandOverToRunningWindow(running, commandLineFile);
    }
    return 0;
  }

  const klv::Language language = klv::UserInterfaceLanguage();
  klv::ProgramState state(klv::SystemClock(), klv::MakeSystemSerialPort, language);
  klv::SystemOperator dialogs(language);
  // The shared files in the data folder the command-line tool uses too.
  if (!klv::SetSharedPaths(state, klv::DataFolder())) {
    dialogs.ShowMessage(nullptr, klv::Text(klv::TextId::PathCannotBeSet, language));
  }
  state.commandLineFile = commandLineFile;
  // The manual beside the program, else at the top of the unpacked zip
  // (the program is in its bin folder).
  std::vector<wchar_t> program(32768);
  const DWORD length = GetModuleFileNameW(nullptr, program.data(), static_cast<DWORD>(program.size()));
  const std::filesystem::path programFile(std::wstring(program.data(), length));
  state.manualPath = klv::ManualPathFor(programFile, programFile.parent_path().parent_path(), language);

  klv::MainWindow window(state, dialogs);
  if (!window.Create(instance)) return 1;
  window.QuitOnClose();
  window.Show(show);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (window.PreTranslate(message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}
