// klv-loader.exe: the window program on Windows.
#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include "app/program_state.h"
#include "platform/clock.h"
#include "platform/data_folder.h"
#include "win32/main_window.h"
#include "win32/system_operator.h"
#include "win32/ui_language.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_UPDOWN_CLASS};
  InitCommonControlsEx(&controls);

  const klv::Language language = klv::UserInterfaceLanguage();
  klv::ProgramState state(klv::SystemClock(), klv::MakeSystemSerialPort, language);
  klv::SystemOperator dialogs(language);
  // The shared files in the data folder the command-line tool uses too.
  if (!klv::SetSharedPaths(state, klv::DataFolder())) {
    dialogs.ShowMessage(nullptr, klv::Text(klv::TextId::PathCannotBeSet, language));
  }
  // The first argument names a parameter file to open.
  int count = 0;
  if (LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count)) {
    if (count > 1) state.commandLineFile = std::filesystem::path(arguments[1]);
    LocalFree(arguments);
  }

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
