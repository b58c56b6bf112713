#include "app/document_flow.h"

#include <system_error>
#include <vector>

#include "editor/parameter_file.h"
#include "model/register_catalogue.h"
#include "platform/failure_text.h"
#include "text/texts.h"

namespace klv::document_flow {
namespace {

// The failure of Save as, as the program has always named it.
constexpr std::string_view kSaveAsFailure = "CfileException!";

void KeepOptions(const ProgramState& state) {
  if (!state.optionsPath.empty()) StoreProgramOptions(state);
}

bool FileExists(const std::filesystem::path& path) {
  std::error_code error;
  return !path.empty() && std::filesystem::is_regular_file(path, error);
}

}  // namespace

void New(ProgramState& state, DocumentWindow& window) {
  if (!SaveChangesFirst(state, window)) return;
  window.ResetDocument();
  LoadDefaults(state.parameters, state.currentModel);
  window.ShowParameters();
  window.ApplyLayout(state.currentModel);
}

void ChooseModel(ProgramState& state, DocumentWindow& window, ModelKind model) {
  if (model == state.currentModel) return;
  if (!SaveChangesFirst(state, window)) return;
  window.ResetDocument();
  state.currentModel = model;
  LoadDefaults(state.parameters, model);
  window.ApplyLayout(model);
}

void Open(ProgramState& state, DocumentWindow& window) {
  if (!SaveChangesFirst(state, window)) return;
  // Before the dialog, so it stays cleared when the dialog is cancelled.
  window.SetModified(false);
  const auto chosen = window.ChooseOpenFile(state.options.parameterFolder);
  if (!chosen) {
    window.ShowMessage(Text(TextId::Cancelled, state.language));
    return;
  }
  state.options.parameterFolder = chosen->parent_path();
  LoadFile(state, window, *chosen, true);
  KeepOptions(state);
}

void OpenRecent(ProgramState& state, DocumentWindow& window, const std::filesystem::path& path) {
  if (!SaveChangesFirst(state, window)) return;
  if (!FileExists(path)) {
    std::erase(state.options.recentFiles, path);
    KeepOptions(state);
    window.ShowRecentFiles();
  }
  LoadFile(state, window, path, true);
}

bool SaveChangesFirst(ProgramState& state, DocumentWindow& window) {
  if (!window.Modified()) return true;
  switch (window.AskToSaveChanges()) {
    case SaveChoice::Save:
      // The operator asked to keep the edits: go on only once they are in a file.
      return Save(state, window, true);
    case SaveChoice::Discard: return true;
    case SaveChoice::Cancel: break;
  }
  return false;
}

bool LoadFile(ProgramState& state, DocumentWindow& window, const std::filesystem::path& path, bool announce) {
  const ParameterFileLoad load = LoadParameterFile(path);
  if (load.status != ParameterFileStatus::Loaded || !load.contents) {
    const ParameterFileStatus refused =
        load.status == ParameterFileStatus::Loaded ? ParameterFileStatus::CannotOpen : load.status;
    window.ShowMessage(Text(*RefusalText(refused), state.language));
    return false;
  }
  state.parameters = load.contents->parameters;
  state.transferredSet.reset();
  window.NameDocument(path, load.documentTitle);
  window.SetModified(false);
  // No defaults: values the file's model does not use stay as the file has them.
  window.ApplyLayout(load.contents->model);
  if (announce) window.ShowMessage(Text(TextId::FileRead, state.language));
  window.NoteParameterFile(path);
  return true;
}

bool Save(ProgramState& state, DocumentWindow& window, bool alwaysAsk) {
  // First, and not undone when the command is cancelled or fails.
  window.ReadScreen();
  if (alwaysAsk || window.DocumentPath().empty()) {
    const auto chosen = window.ChooseSaveFile(window.DocumentTitle(), state.options.parameterFolder);
    if (!chosen) {
      window.ShowMessage(Text(TextId::Cancelled, state.language));
      return false;
    }
    state.options.parameterFolder = chosen->parent_path();
    KeepOptions(state);
    window.NameDocument(*chosen, DocumentTitleFor(*chosen));
  }
  const std::filesystem::path path = window.DocumentPath();
  const SaveOutcome saved = WriteParameterFile(path, state.parameters, state.currentModel);
  if (!saved.ok) {
    window.ShowMessage(
        WithSystemReason(alwaysAsk ? kSaveAsFailure : Text(TextId::FileException, state.language), saved.error));
    return false;
  }
  window.ShowMessage(Text(TextId::FileWritten, state.language));
  window.SetModified(false);
  window.NoteParameterFile(path);
  return true;
}

}  // namespace klv::document_flow
