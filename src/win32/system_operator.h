#pragma once
// The operator seam answered by the system: message boxes with the program's
// name as caption, the common file and print dialogs, with wide-character
// paths, and the shell for the files it opens.
#include "text/language.h"
#include "win32/window_operator.h"

namespace klv {

class SystemOperator : public WindowOperator {
 public:
  explicit SystemOperator(Language language) : language_(language) {}

  void ShowMessage(HWND owner, std::string_view text) override;
  SaveAnswer AskSaveChanges(HWND owner, std::string_view text) override;
  std::optional<std::filesystem::path> ChooseFileToOpen(HWND owner, const std::filesystem::path& folder) override;
  std::optional<std::filesystem::path> ChooseFileToSave(HWND owner, std::string_view initialName,
                                                        const std::filesystem::path& folder) override;
  bool ConfirmCommSettings(HWND owner, ProgramState& state) override;
  std::optional<std::string> AskReportNote(HWND owner, std::string_view lastNote) override;
  PrinterChoice ChoosePrinter(HWND owner) override;
  ShellOpen OpenWithShell(const std::filesystem::path& path) override;
  std::optional<std::filesystem::path> ChooseRecordFile(HWND owner, std::string_view initialName,
                                                        const std::filesystem::path& folder) override;
  std::optional<std::filesystem::path> ChooseExportFile(HWND owner, TrendExport kind, std::string_view initialName,
                                                        const std::filesystem::path& folder) override;

 private:
  Language language_;
};

}  // namespace klv
