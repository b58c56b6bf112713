#include "win32/system_operator.h"

#include <commdlg.h>
#include <shellapi.h>

#include <cwctype>
#include <string>
#include <vector>

#include "text/texts.h"
#include "win32/comm_settings_dialog.h"
#include "win32/report_note_dialog.h"
#include "win32/wide_text.h"

namespace klv {

namespace {

// The caption of every box: the program file's name without its extension.
std::wstring ProgramName() {
  std::vector<wchar_t> buffer(MAX_PATH);
  const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
  std::filesystem::path file(std::wstring(buffer.data(), length));
  return file.stem().wstring();
}

// "KLV Loader Files(*.klv)" then "*.klv", each ended by a null, and a null after both.
std::wstring ParameterFileFilter(Language language) {
  std::wstring filter = Widen(Text(TextId::ParameterFileFilter, language));
  filter.push_back(L'\0');
  filter += L"*.klv";
  filter.push_back(L'\0');
  filter.push_back(L'\0');
  return filter;
}

// A filter of one kind of file: "CSV (*.csv)" then "*.csv", nulls as above.
std::wstring OneKindFilter(std::wstring_view extension) {
  std::wstring upper(extension);
  for (wchar_t& ch : upper) ch = static_cast<wchar_t>(std::towupper(ch));
  std::wstring filter = upper + L" (*." + std::wstring(extension) + L")";
  filter.push_back(L'\0');
  filter += L"*." + std::wstring(extension);
  filter.push_back(L'\0');
  filter.push_back(L'\0');
  return filter;
}

// The save dialog for a file of one kind; replacing a file is asked first.
std::optional<std::filesystem::path> RunSaveDialog(HWND owner, std::wstring_view extension, std::wstring title,
                                                   std::wstring initialName, const std::filesystem::path& folder) {
  std::vector<wchar_t> file(32768, L'\0');
  initialName.resize(std::min(initialName.size(), file.size() - 1));
  std::copy(initialName.begin(), initialName.end(), file.begin());
  const std::wstring filter = OneKindFilter(extension);
  const std::wstring start = folder.wstring();
  const std::wstring defaultExtension(extension);
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = filter.c_str();
  dialog.lpstrFile = file.data();
  dialog.nMaxFile = static_cast<DWORD>(file.size());
  dialog.lpstrInitialDir = start.empty() ? nullptr : start.c_str();
  dialog.lpstrTitle = title.empty() ? nullptr : title.c_str();
  dialog.lpstrDefExt = defaultExtension.c_str();
  dialog.Flags = OFN_EXPLORER | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT;
  if (!GetSaveFileNameW(&dialog)) return std::nullopt;
  return std::filesystem::path(std::wstring(file.data()));
}

std::optional<std::filesystem::path> RunFileDialog(HWND owner, Language language, std::wstring initialName,
                                                   const std::filesystem::path& folder, bool save) {
  std::vector<wchar_t> file(32768, L'\0');
  initialName.resize(std::min(initialName.size(), file.size() - 1));
  std::copy(initialName.begin(), initialName.end(), file.begin());
  const std::wstring filter = ParameterFileFilter(language);
  const std::wstring start = folder.wstring();
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = filter.c_str();
  dialog.lpstrFile = file.data();
  dialog.nMaxFile = static_cast<DWORD>(file.size());
  dialog.lpstrInitialDir = start.empty() ? nullptr : start.c_str();
  dialog.lpstrDefExt = L"klv";
  dialog.Flags = OFN_EXPLORER | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST |
                 (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
  const BOOL chosen = save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog);
  if (!chosen) return std::nullopt;
  return std::filesystem::path(std::wstring(file.data()));
}

}  // namespace

void SystemOperator::ShowMessage(HWND owner, std::string_view text) {
  MessageBoxW(owner, Widen(text).c_str(), ProgramName().c_str(), MB_OK);
}

SaveAnswer SystemOperator::AskSaveChanges(HWND owner, std::string_view text) {
  switch (MessageBoxW(owner, Widen(text).c_str(), ProgramName().c_str(), MB_YESNOCANCEL | MB_ICONQUESTION)) {
    case IDYES: return SaveAnswer::Yes;
    case IDNO: return SaveAnswer::No;
    default: return SaveAnswer::Cancel;
  }
}

std::optional<std::filesystem::path> SystemOperator::ChooseFileToOpen(HWND owner,
                                                                      const std::filesystem::path& folder) {
  return RunFileDialog(owner, language_, {}, folder, false);
}

std::optional<std::filesystem::path> SystemOperator::ChooseFileToSave(HWND owner, std::string_view initialName,
                                                                      const std::filesystem::path& folder) {
  return RunFileDialog(owner, language_, Widen(initialName), folder, true);
}

bool SystemOperator::ConfirmCommSettings(HWND owner, ProgramState& state) {
  CommSettingsDialog dialog(state, *this);
  return dialog.Run(owner);
}

std::optional<std::string> SystemOperator::AskReportNote(HWND owner, std::string_view lastNote) {
  ReportNoteDialog dialog(language_, lastNote);
  return dialog.Run(owner);
}

PrinterChoice SystemOperator::ChoosePrinter(HWND owner) {
  PRINTDLGW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  // The printer's own copies and collation; one report, so no page range.
  dialog.Flags = PD_RETURNDC | PD_NOPAGENUMS | PD_NOSELECTION | PD_USEDEVMODECOPIESANDCOLLATE;
  const BOOL chosen = PrintDlgW(&dialog);
  if (dialog.hDevMode != nullptr) GlobalFree(dialog.hDevMode);
  if (dialog.hDevNames != nullptr) GlobalFree(dialog.hDevNames);
  if (chosen && dialog.hDC != nullptr) return {PrinterChoice::Status::Chosen, dialog.hDC};
  // No error: the operator cancelled; else no printer could be had.
  return {CommDlgExtendedError() == 0 ? PrinterChoice::Status::Cancelled : PrinterChoice::Status::Failed, nullptr};
}

ShellOpen SystemOperator::OpenWithShell(const std::filesystem::path& path) {
  std::error_code error;
  if (path.empty() || !std::filesystem::exists(path, error)) return ShellOpen::Missing;
  const HINSTANCE result = ShellExecuteW(nullptr, L"open", path.wstring().c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  // Values above 32 mean the program was started.
  return reinterpret_cast<INT_PTR>(result) > 32 ? ShellOpen::Opened : ShellOpen::NoProgram;
}

std::optional<std::filesystem::path> SystemOperator::ChooseRecordFile(HWND owner, std::string_view initialName,
                                                                      const std::filesystem::path& folder) {
  return RunSaveDialog(owner, L"csv",
                       Widen(Caption(Screen::Monitor, "Data record [control input/control output]", language_)),
                       Widen(initialName), folder);
}

std::optional<std::filesystem::path> SystemOperator::ChooseExportFile(HWND owner, TrendExport kind,
                                                                      std::string_view initialName,
                                                                      const std::filesystem::path& folder) {
  return RunSaveDialog(owner, kind == TrendExport::Picture ? L"png" : L"csv", {}, Widen(initialName), folder);
}

}  // namespace klv
