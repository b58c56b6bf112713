#include "app/program_state.h"

#include <system_error>
#include <utility>

#include "text/texts.h"

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

// " (reason)" in the language's brackets; nothing without a reason.
std::string ReasonInBrackets(std::string_view reason, Language language) {
  return reason.empty() ? std::string() : Text(TextId::InBrackets, language, {reason});
}

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
  ApplyConnectionOptions(state);
  return load;
}

void ApplyConnectionOptions(ProgramState& state) { state.connection.localEcho = state.options.localEcho; }

std::string UnreadableSettingsText(const std::filesystem::path& path, std::string_view reason, Language language) {
  std::string text = Text(TextId::SettingsFileUnreadable, language, {path.string()});
  if (!reason.empty()) text += "\n(" + std::string(reason) + ")";
  text += Text(TextId::SettingsDefaultsUsed, language);
  return text;
}

std::string UnreadableSettingsBeforeTransferText(const std::filesystem::path& path, std::string_view reason,
                                                 Language language) {
  return Text(TextId::SettingsUnreadableBeforeTransfer, language,
              {path.string(), ReasonInBrackets(reason, language)});
}

std::string UnreadablePortsBeforeTransferText(const std::filesystem::path& path, std::string_view reason,
                                              Language language) {
  return Text(TextId::PortsUnreadableBeforeTransfer, language, {path.string(), ReasonInBrackets(reason, language)});
}

bool StoreProgramSettings(const ProgramState& state) {
  if (state.keepSettingsFile) return true;
  return SaveSettings(state.settingsPath, state.connection.settings, state.currentModel).ok;
}

SaveOutcome StoreProgramOptions(const ProgramState& state) {
  return SaveProgramOptions(state.optionsPath, state.options);
}

std::string OptionsNotSavedText(const std::filesystem::path& path, std::string_view reason, Language language) {
  return Text(TextId::ProgramOptionsNotSaved, language, {path.string()}) +
         (reason.empty() ? "" : "\n" + std::string(reason));
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
