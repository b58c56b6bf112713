#include "app/program_state.h"

#include <system_error>
#include <utility>

namespace klv {

ProgramState::ProgramState(Clock& clockToUse, SerialPortFactory ports, Language languageToUse)
    : connection(ports), ports(ports), language(languageToUse), clock(clockToUse) {
  connection.line.SetLanguage(language);
}

TransferSession ProgramState::Session() {
  return TransferSession{connection, parameters, currentModel, transfer, clock, commLogPath};
}

std::string_view ManualFileName(Language language) { return Text(TextId::ManualFileName, language); }

std::filesystem::path InstalledDocumentationFolder(const std::filesystem::path& programFile) {
  return programFile.parent_path().parent_path() / "share" / "doc" / "klv-loader";
}

namespace {

bool IsFile(const std::filesystem::path& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(path, error);
}

}  // namespace

std::filesystem::path ManualPathFor(const std::filesystem::path& programFile,
                                    const std::filesystem::path& documentationFolder, Language language) {
  if (programFile.empty() || !programFile.has_parent_path()) return {};
  const std::filesystem::path name(std::string(ManualFileName(language)));
  std::filesystem::path besideProgram = programFile.parent_path() / name;
  if (IsFile(besideProgram)) return besideProgram;
  if (!documentationFolder.empty() && IsFile(documentationFolder / name)) return documentationFolder / name;
  return besideProgram;
}

bool SetSharedPaths(ProgramState& state, const DataFolderOutcome& folder) {
  if (!folder.ok || folder.path.empty()) {
    state.connection.dataFolder.clear();
    state.commLogPath.clear();
    state.settingsPath.clear();
    state.dataLogPath.clear();
    state.optionsPath.clear();
    return false;
  }
  state.connection.dataFolder = folder.path;
  state.commLogPath = folder.path / std::string(kCommLogFileName);
  state.settingsPath = folder.path / std::string(kSettingsFileName);
  state.dataLogPath = folder.path / std::string(kDataLogFileName);
  state.optionsPath = folder.path / std::string(kProgramOptionsFileName);
  return true;
}

SettingsLoad LoadProgramSettings(ProgramState& state) {
  SettingsLoad load = LoadSettings(state.settingsPath);
  state.connection.settings = load.record.settings;
  state.currentModel = load.record.model;
  state.keepSettingsFile = load.status == SettingsLoad::Status::Unreadable;
  state.settingsReadError = state.keepSettingsFile ? load.error : std::string();
  state.options = LoadProgramOptions(state.optionsPath);
  return load;
}

std::string UnreadableSettingsText(const std::filesystem::path& path, std::string_view reason, Language language) {
  std::string text;
  if (language == Language::Japanese) {
    text = "設定ファイルを読めません：" + path.string();
    if (!reason.empty()) text += "\n(" + std::string(reason) + ")";
    text += "\n既定の設定で動作します。このファイルは変更しません。";
  } else {
    text = "The settings file cannot be read: " + path.string();
    if (!reason.empty()) text += "\n(" + std::string(reason) + ")";
    text += "\nThe program runs with the default settings and leaves this file as it is.";
  }
  return text;
}

std::string UnreadableSettingsBeforeTransferText(const std::filesystem::path& path, std::string_view reason,
                                                 Language language) {
  const std::string why = reason.empty() ? std::string() : std::string(reason);
  if (language == Language::Japanese) {
    return path.string() + " を読めません" + (why.empty() ? "" : "（" + why + "）") +
           "。次の通信設定の画面で、すべての設定を確かめて指定するか、ファイルの権限を直してください。";
  }
  return path.string() + " cannot be read" + (why.empty() ? "" : " (" + why + ")") +
         ": give every setting in the communication settings that follow, or fix its permissions";
}

std::string UnreadablePortsBeforeTransferText(const std::filesystem::path& path, std::string_view reason,
                                              Language language) {
  const std::string why = reason.empty() ? std::string() : std::string(reason);
  if (language == Language::Japanese) {
    return path.string() + " を読めません" + (why.empty() ? "" : "（" + why + "）") +
           "。フォルダの権限を直してください。それまで機器には何も送りません。";
  }
  return path.string() + " cannot be read" + (why.empty() ? "" : " (" + why + ")") +
         ": fix its permissions; nothing is sent to a regulator until then";
}

bool StoreProgramSettings(const ProgramState& state) {
  if (state.keepSettingsFile) return true;
  return SaveSettings(state.settingsPath, state.connection.settings, state.currentModel).ok;
}

SaveOutcome StoreProgramOptions(const ProgramState& state) {
  return SaveProgramOptions(state.optionsPath, state.options);
}

std::string OptionsNotSavedText(const std::filesystem::path& path, std::string_view reason, Language language) {
  const std::string head = language == Language::Japanese ? "プログラムの設定を保存できません: "
                                                          : "The program's settings cannot be saved: ";
  return head + path.string() + (reason.empty() ? "" : "\n" + std::string(reason));
}

void RecordTransferredSet(ProgramState& state, UnitProvenance::Source source, ReportVerification verification) {
  UnitProvenance record{source, IdentityOfDevice(state.currentModel, state.parameters), std::move(verification),
                        state.clock.LocalNow(), DescribeReportLine(state.connection)};
  // In the demo COM1 reaches the simulated regulator, whatever device the number names.
  if (state.demoModel && state.connection.portLabel.empty() && state.connection.settings.PortInUse() == 1) {
    record.line.device.clear();
    record.line.simulated = state.demoModel;
  }
  state.transferredSet = std::move(record);
}

void NoteSetEdited(ProgramState& state) {
  if (state.transferredSet) state.transferredSet->changedSince = true;
}

}  // namespace klv
