#pragma once
// The program's own window classes, each registered on its first window and
// reused after (a second registration of a name fails).
#include <windows.h>

namespace klv {

// Registers name with procedure unless it is registered already. background
// may be null for a window that paints all of its client area itself.
inline bool RegisterWindowClassOnce(HINSTANCE instance, const wchar_t* name, WNDPROC procedure, LPCWSTR cursor,
                                    HBRUSH background) {
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof existing;
  if (GetClassInfoExW(instance, name, &existing)) return true;
  WNDCLASSEXW type{};
  type.cbSize = sizeof type;
  type.lpfnWndProc = procedure;
  type.hInstance = instance;
  type.hCursor = LoadCursorW(nullptr, cursor);
  type.hbrBackground = background;
  type.lpszClassName = name;
  return RegisterClassExW(&type) != 0;
}

}  // namespace klv
