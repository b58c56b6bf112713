#include "win32/report_note_dialog.h"

#include "text/texts.h"
#include "win32/dialog_template_writer.h"
#include "win32/screen_face.h"
#include "win32/wide_text.h"

namespace klv {

namespace {

struct Control {
  int id;
  uint16_t windowClass;  // 0x0080 button, 0x0081 edit, 0x0082 static
  DWORD style;
  std::string caption;
  short x, y, width, height;
};

std::vector<uint32_t> DialogTemplate(Language language) {
  const std::vector<Control> controls = {
      {0xFFFF, 0x0082, SS_LEFT, std::string(Text(TextId::ReportDialogNote, language)), 7, 7, 226, 10},
      {report_note_id::kNote, 0x0081, WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, "", 7, 19, 226, 13},
      {IDOK, 0x0080, WS_TABSTOP | BS_DEFPUSHBUTTON, std::string(Text(TextId::ReportDialogPrint, language)), 119, 40, 55, 14},
      {IDCANCEL, 0x0080, WS_TABSTOP | BS_PUSHBUTTON, std::string(Text(TextId::ReportDialogCancel, language)), 178, 40, 55, 14},
  };
  DialogTemplateWriter t;
  t.Head(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_CENTER, controls.size(), 240, 61,
         Text(TextId::ReportDialogTitle, language), language);
  for (const Control& control : controls) {
    t.ItemStart(WS_CHILD | WS_VISIBLE | control.style, control.x, control.y, control.width, control.height,
                static_cast<uint32_t>(control.id));
    t.ClassAtom(control.windowClass);
    t.ItemEnd(control.caption);
  }
  return t.Finish();
}

std::string Trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

}  // namespace

ReportNoteDialog::ReportNoteDialog(Language language, std::string_view lastNote)
    : lastNote_(lastNote), template_(DialogTemplate(language)) {}

ReportNoteDialog::~ReportNoteDialog() {
  if (window_ != nullptr && !modal_) DestroyWindow(window_);
}

std::optional<std::string> ReportNoteDialog::Run(HWND owner) {
  modal_ = true;
  DialogBoxIndirectParamW(GetModuleHandleW(nullptr), reinterpret_cast<LPCDLGTEMPLATEW>(template_.data()), owner,
                          DialogProc, reinterpret_cast<LPARAM>(this));
  window_ = nullptr;
  return note_;
}

HWND ReportNoteDialog::Create(HWND owner) {
  modal_ = false;
  return CreateDialogIndirectParamW(GetModuleHandleW(nullptr), reinterpret_cast<LPCDLGTEMPLATEW>(template_.data()),
                                    owner, DialogProc, reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK ReportNoteDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(window, DWLP_USER, lParam);
    auto* self = reinterpret_cast<ReportNoteDialog*>(lParam);
    self->window_ = window;
    HWND field = GetDlgItem(window, report_note_id::kNote);
    SetWindowTextW(field, Widen(self->lastNote_).c_str());
    SendMessageW(field, EM_SETSEL, 0, -1);
    SetFocus(field);
    return FALSE;  // the focus is set
  }
  auto* self = reinterpret_cast<ReportNoteDialog*>(GetWindowLongPtrW(window, DWLP_USER));
  return self == nullptr ? FALSE : self->Handle(message, wParam);
}

INT_PTR ReportNoteDialog::Handle(UINT message, WPARAM wParam) {
  if (message == WM_DESTROY) {
    window_ = nullptr;
    return TRUE;
  }
  if (message != WM_COMMAND) return FALSE;
  switch (LOWORD(wParam)) {
    case IDOK: Close(true); return TRUE;
    case IDCANCEL: Close(false); return TRUE;
    default: return FALSE;
  }
}

void ReportNoteDialog::Close(bool print) {
  if (print) {
    HWND field = GetDlgItem(window_, report_note_id::kNote);
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(field)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(field, text.data(), static_cast<int>(text.size()))));
    note_ = Trimmed(Narrow(text));
  }
  closed_ = true;
  if (modal_) {
    EndDialog(window_, print ? IDOK : IDCANCEL);
  } else {
    DestroyWindow(window_);
  }
}

}  // namespace klv
