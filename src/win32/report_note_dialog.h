#pragma once
// The small window of File > Report: a field for the unit's serial number
// or a note (the last one offered, selected, so the next serial number
// replaces it), Print and Cancel.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "text/language.h"

namespace klv {

namespace report_note_id {
constexpr int kNote = 1300;
}  // namespace report_note_id

class ReportNoteDialog {
 public:
  ReportNoteDialog(Language language, std::string_view lastNote);
  ReportNoteDialog(const ReportNoteDialog&) = delete;
  ReportNoteDialog& operator=(const ReportNoteDialog&) = delete;
  ~ReportNoteDialog();

  // Shows the window modally: the note, trimmed, when Print was pressed.
  std::optional<std::string> Run(HWND owner);
  // Makes the window without waiting (a test drives it and reads Note).
  HWND Create(HWND owner);
  HWND Handle() const { return window_; }
  bool Closed() const { return closed_; }
  // Set when the window was closed with Print.
  const std::optional<std::string>& Note() const { return note_; }

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR Handle(UINT message, WPARAM wParam);
  void Close(bool print);

  std::string lastNote_;
  std::vector<uint32_t> template_;
  HWND window_ = nullptr;
  bool modal_ = false;
  bool closed_ = false;
  std::optional<std::string> note_;
};

}  // namespace klv
