#pragma once
// The program's real dialogs behind OperatorDialogs.
#include "widgets/operator_dialogs.h"

namespace klv {

// The real dialogs.
class SystemDialogs final : public OperatorDialogs {
 public:
  // language: the file dialogs' own texts (the file type filter).
  explicit SystemDialogs(Language language = Language::English) : language_(language) {}

  void ShowMessage(QWidget* owner, std::string_view text) override;
  SaveAnswer AskSaveChanges(QWidget* owner, std::string_view text) override;
  std::optional<std::filesystem::path> ChooseFileToOpen(QWidget* owner, const std::filesystem::path& folder) override;
  std::optional<std::filesystem::path> ChooseRecordFile(QWidget* owner, std::string_view initialName,
                                                        const std::filesystem::path& folder) override;
  std::optional<std::filesystem::path> ChooseFileToSave(QWidget* owner, std::string_view initialName,
                                                        const std::filesystem::path& folder) override;
  bool RunCommunicationSettings(QWidget* owner, ProgramState& state) override;
  ShellOpen OpenWithShell(const std::filesystem::path& path) override;
  std::optional<ReportRequest> AskReportDetails(QWidget* owner, Language language, std::string_view lastNote) override;
  std::optional<std::filesystem::path> ChooseReportFile(QWidget* owner, std::string_view initialName,
                                                        const std::filesystem::path& folder) override;
  PrintOutcome PrintReport(QWidget* owner, const UnitReport& report) override;
  void ShowComparison(QWidget* owner, const ParameterComparison& comparison, Language language) override;

 private:
  Language language_;
};

}  // namespace klv
