#pragma once
// What the windows ask of the operator: messages, the save question and the
// file dialogs. The program answers through the system's boxes and dialogs
// (SystemOperator); a test answers from a script of its own.
#include <windows.h>

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "monitor/trend_export.h"

namespace klv {

class ProgramState;

enum class SaveAnswer { Yes, No, Cancel };

// The print dialog's answer: the device context of the printer chosen
// (the caller deletes it with DeleteDC), or why there is none.
struct PrinterChoice {
  enum class Status { Chosen, Cancelled, Failed };
  Status status = Status::Cancelled;
  HDC dc = nullptr;
};

// What became of a file handed to the system's program for it.
enum class ShellOpen {
  Opened,     // the system took it over
  Missing,    // there is no file at the path, so nothing was handed over
  NoProgram,  // the system has no program for it (or could not start one)
};

class WindowOperator {
 public:
  virtual ~WindowOperator() = default;

  // A plain box with an OK button, owned by owner; returns once it is closed.
  virtual void ShowMessage(HWND owner, std::string_view text) = 0;
  // The Yes/No/Cancel question before a document is discarded.
  virtual SaveAnswer AskSaveChanges(HWND owner, std::string_view text) = 0;
  // The file dialogs for parameter files, starting in folder (empty: the
  // system's choice); nothing when they were cancelled.
  virtual std::optional<std::filesystem::path> ChooseFileToOpen(HWND owner, const std::filesystem::path& folder) = 0;
  virtual std::optional<std::filesystem::path> ChooseFileToSave(HWND owner, std::string_view initialName,
                                                                const std::filesystem::path& folder) = 0;
  // The communication settings window, from the Tools menu and before every
  // connection: true when it was closed with OK (the settings in state are
  // then the operator's), false when cancelled (the command stops).
  virtual bool ConfirmCommSettings(HWND owner, ProgramState& state) = 0;

  // File > Report: the unit's serial number or a note, offered with the
  // last one; nothing when cancelled. (An operator that does not answer it
  // cancels the report.)
  virtual std::optional<std::string> AskReportNote(HWND, std::string_view) { return std::nullopt; }
  // The system's print dialog.
  virtual PrinterChoice ChoosePrinter(HWND) { return {}; }
  // Opens the file with the system's program for it (the manual, the
  // communication log). A missing file is not handed over.
  virtual ShellOpen OpenWithShell(const std::filesystem::path&) { return ShellOpen::Missing; }
  // The save dialog of the monitor's data record (Tools > Record data), with
  // the record's name offered, starting in folder; nothing when cancelled.
  virtual std::optional<std::filesystem::path> ChooseRecordFile(HWND /*owner*/, std::string_view /*initialName*/,
                                                                const std::filesystem::path& /*folder*/) {
    return std::nullopt;
  }
  // The save dialog of the trend graph's "Save picture" (PNG) and "Save
  // data" (CSV); nothing when cancelled.
  virtual std::optional<std::filesystem::path> ChooseExportFile(HWND /*owner*/, TrendExport /*kind*/,
                                                                std::string_view /*initialName*/,
                                                                const std::filesystem::path& /*folder*/) {
    return std::nullopt;
  }
};

}  // namespace klv
