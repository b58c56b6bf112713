#pragma once
// The things the program has one of while it runs: the parameter set, the
// current model, the connection (the serial line with its settings and log),
// the transfer variables, the paths of the shared files and the
// language. The application creates one and hands it to its windows by
// reference; a test builds its own over a folder of its own.
#include <filesystem>
#include <optional>
#include <string>

#include "editor/unit_report.h"
#include "platform/program_options.h"
#include "text/texts.h"
#include "model/model_kind.h"
#include "model/parameter_set.h"
#include "platform/clock.h"
#include "platform/data_folder.h"
#include "serial/connection.h"
#include "serial/settings_file.h"
#include "transfer/transfer_commands.h"
#include "transfer/transfer_worker.h"

namespace klv {

class ProgramState {
 public:
  // clock: pauses and time stamps; ports: how the serial line makes its
  // ports (the system's, or a simulator's for a demonstration or a test).
  explicit ProgramState(Clock& clock, SerialPortFactory ports = MakeSystemSerialPort,
                        Language language = Language::English);
  ProgramState(const ProgramState&) = delete;
  ProgramState& operator=(const ProgramState&) = delete;

  ParameterSet parameters;
  ModelKind currentModel = ModelKind::Klv40;
  // The serial line with its settings, log and the folder of its port links
  // (dataFolder: empty when unknown).
  Connection connection;
  // The ports the connection is made with (the system's, or the demo's that
  // reach its simulated regulator), for a scan's own connections.
  SerialPortFactory ports;
  TransferState transfer;

  // Empty paths mean that the file is not available: the commands that use
  // it do nothing.
  std::filesystem::path manualPath;
  std::filesystem::path commLogPath;
  std::filesystem::path settingsPath;
  std::filesystem::path dataLogPath;
  std::filesystem::path optionsPath;  // the program's own settings beside KlvTool.ini
  std::filesystem::path commandLineFile;

  Language language = Language::English;
  Clock& clock;

  // Choices of the program's own file (loaded with the settings, stored when
  // the communication settings screen is accepted).
  ProgramOptions options;

  // In the demo mode, the model of the simulated regulator that COM1 reaches.
  std::optional<ModelKind> demoModel;

  // The settings file was there but could not be read: this run uses the
  // defaults and leaves the file alone, also at exit, so that the operator's
  // settings behind a passing fault or a wrong permission survive.
  bool keepSettingsFile = false;
  std::string settingsReadError;  // why, for the messages
  // The operator has accepted the communication settings screen in this run:
  // from then on the settings in use are the operator's own.
  bool settingsConfirmed = false;

  // The last complete read or verified write of the screen's set in this
  // run, for the report: an edit marks it changed, another set drops it.
  std::optional<UnitProvenance> transferredSet;

  // The transfer core's view of these things.
  TransferSession Session();
};

// Records that the screen's set (parameters, currentModel) has just been read
// completely from the regulator or written and checked, over the connection
// as it stands, at the clock's local time.
void RecordTransferredSet(ProgramState& state, UnitProvenance::Source source, ReportVerification verification = {});

// The screen's set was edited: a recorded transfer is kept, marked changed.
void NoteSetEdited(ProgramState& state);

// ---- Start-up paths ------------------------------------------------------------

// The manual's file name in the language (text 172).
std::string_view ManualFileName(Language language);

// The installed documentation folder for a program file installed as
// <prefix>/bin/klv-loader: <prefix>/share/doc/klv-loader.
std::filesystem::path InstalledDocumentationFolder(const std::filesystem::path& programFile);

// manualPath: the manual beside the program file when it is there, else in
// the documentation folder when it is there, else (a manual that will not
// open) beside the program file. Empty when the program file's path is empty
// or has no folder: the caller shows text 178.
std::filesystem::path ManualPathFor(const std::filesystem::path& programFile,
                                    const std::filesystem::path& documentationFolder, Language language);

// Sets the data folder and the three shared paths from a data folder lookup.
// False (the paths stay empty; the caller shows text 178) when the folder
// could not be found or made.
bool SetSharedPaths(ProgramState& state, const DataFolderOutcome& folder);

// ---- Settings ----------------------------------------------------------------------

// LoadSettings at settingsPath into the settings and currentModel. The
// status tells the caller what to show: DefaultsNotSaved text 197,
// Unreadable the text below (and keepSettingsFile is set).
SettingsLoad LoadProgramSettings(ProgramState& state);

// The program options that shape each exchange (Local echo) handed to the
// connection: at start-up and whenever the operator changes them.
void ApplyConnectionOptions(ProgramState& state);

// The message for an unreadable settings file, with its path and the reason.
std::string UnreadableSettingsText(const std::filesystem::path& path, std::string_view reason, Language language);
// Before the first transfer or monitor of a run whose settings file could
// not be read: "<path> cannot be read (<reason>): give every setting in the
// communication settings, or fix its permissions".
std::string UnreadableSettingsBeforeTransferText(const std::filesystem::path& path, std::string_view reason,
                                                 Language language);

// Before a transfer or monitor while the data folder's ports/ cannot be
// listed: "<path> cannot be read (<reason>): fix its permissions; nothing is
// sent to a regulator until then".
std::string UnreadablePortsBeforeTransferText(const std::filesystem::path& path, std::string_view reason,
                                              Language language);

// SaveSettings at settingsPath at exit. Ok without writing when the file
// must be kept (keepSettingsFile); not ok: text 197 is to be shown.
bool StoreProgramSettings(const ProgramState& state);

// The program's own settings file at optionsPath, replaced as a whole.
SaveOutcome StoreProgramOptions(const ProgramState& state);
// The message when it cannot be written, with its path and the reason.
std::string OptionsNotSavedText(const std::filesystem::path& path, std::string_view reason, Language language);

}  // namespace klv
