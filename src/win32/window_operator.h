#pragma once
// What the windows ask of the operator: messages, the save question and the
// file dialogs. The program answers through the system's boxes and dialogs
// (SystemOperator); a test answers from a script of its own.
#include <windows.h>

#include <filesystem>
#include <optional>
#include <string_view>

#include "monitor/trend_export.h"

namespace klv {

class ProgramState;

enum class SaveAnswer { Yes, No, Cancel };

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
