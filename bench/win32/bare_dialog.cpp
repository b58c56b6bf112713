// The yardstick of the start-up benchmark: the least a Win32 dialog program
// does before its window is painted (common controls, one dialog with a
// caption, a label and a button, a message loop).
#include <windows.h>

#include <commctrl.h>

#include <cstdint>
#include <vector>

namespace {

void Word(std::vector<uint16_t>& t, uint16_t value) { t.push_back(value); }
void Dword(std::vector<uint16_t>& t, uint32_t value) {
  t.push_back(static_cast<uint16_t>(value & 0xFFFF));
  t.push_back(static_cast<uint16_t>(value >> 16));
}
void Text(std::vector<uint16_t>& t, const wchar_t* text) {
  while (*text != L'\0') t.push_back(static_cast<uint16_t>(*text++));
  t.push_back(0);
}
void Align(std::vector<uint16_t>& t) {
  if (t.size() % 2 != 0) t.push_back(0);
}
void Item(std::vector<uint16_t>& t, uint32_t style, short x, short y, short cx, short cy, int id, uint16_t type,
          const wchar_t* text) {
  Align(t);
  Dword(t, style | WS_CHILD | WS_VISIBLE);
  Dword(t, 0);
  for (const short value : {x, y, cx, cy}) Word(t, static_cast<uint16_t>(value));
  Word(t, static_cast<uint16_t>(id));
  Word(t, 0xFFFF);
  Word(t, type);
  Text(t, text);
  Word(t, 0);
}

INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
    EndDialog(window, 0);
    return TRUE;
  }
  return message == WM_INITDIALOG ? TRUE : FALSE;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  std::vector<uint16_t> t;
  Dword(t, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_SETFONT | DS_CENTER);
  Dword(t, 0);
  Word(t, 2);
  for (const short value : {0, 0, 200, 80}) Word(t, static_cast<uint16_t>(value));
  Word(t, 0);  // no menu
  Word(t, 0);  // the dialog class
  Text(t, L"Bare dialog");
  Word(t, 8);
  Text(t, L"MS Shell Dlg");
  Item(t, SS_LEFT, 10, 10, 180, 20, 100, 0x0082, L"A bare Win32 dialog.");
  Item(t, BS_DEFPUSHBUTTON | WS_TABSTOP, 75, 50, 50, 14, IDOK, 0x0080, L"OK");
  return static_cast<int>(DialogBoxIndirectParamW(instance, reinterpret_cast<LPCDLGTEMPLATEW>(t.data()), nullptr,
                                                  DialogProc, 0));
}
