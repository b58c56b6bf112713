#pragma once
// The main window's document commands, shared by both front ends: the save
// question's answers, loading a file, and Save / Save as (the file asked for, the folder
// kept, the file written, the failure told, the modified mark and the recent
// files). Each window keeps its own dialogs and title bar, and lends them
// through DocumentWindow.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "app/program_state.h"
#include "model/model_kind.h"

namespace klv {

enum class SaveChoice { Save, Discard, Cancel };

class DocumentWindow {
 public:
  virtual ~DocumentWindow() = default;
  virtual void ShowMessage(std::string_view text) = 0;
  // The screen into the parameter set.
  virtual void ReadScreen() = 0;
  // "Save changes to …?" about the document as it is titled now.
  virtual SaveChoice AskToSaveChanges() = 0;
  // The file to save into, offered under the title in the folder; nothing
  // when the operator cancelled.
  virtual std::optional<std::filesystem::path> ChooseSaveFile(const std::string& title,
                                                              const std::filesystem::path& folder) = 0;
  // The file to open from the folder; nothing when the operator cancelled.
  virtual std::optional<std::filesystem::path> ChooseOpenFile(const std::filesystem::path& folder) = 0;
  virtual bool Modified() const = 0;
  virtual void SetModified(bool modified) = 0;
  virtual const std::string& DocumentTitle() const = 0;
  virtual const std::filesystem::path& DocumentPath() const = 0;
  // The document now lives in this file under this title; the title bar shows it.
  virtual void NameDocument(const std::filesystem::path& path, const std::string& title) = 0;
  // An untitled document with no file, unmodified, from no regulator.
  virtual void ResetDocument() = 0;
  // The screen shows the parameter set as it stands.
  virtual void ShowParameters() = 0;
  // The screen arranged for the model, showing the parameter set.
  virtual void ApplyLayout(ModelKind model) = 0;
  // A file just read or written: it heads the recent files.
  virtual void NoteParameterFile(const std::filesystem::path& path) = 0;
  // The recent files in the File menu, after the list changed.
  virtual void ShowRecentFiles() = 0;
};

namespace document_flow {

// Before the screen's set is replaced: true when the command may go on
// (nothing unsaved, the operator said No, or said Yes and the file was
// written through Save as).
bool SaveChangesFirst(ProgramState& state, DocumentWindow& window);

// New: the save question, then the current model's defaults untitled.
void New(ProgramState& state, DocumentWindow& window);

// Another model: its defaults replace the screen; on Cancel the model stays.
void ChooseModel(ProgramState& state, DocumentWindow& window, ModelKind model);

// Open: the save question, then the file dialog; a cancelled dialog leaves
// the document unmodified and says so.
void Open(ProgramState& state, DocumentWindow& window);

// A recent file: one gone since leaves the list, and is told as Open would.
void OpenRecent(ProgramState& state, DocumentWindow& window, const std::filesystem::path& path);

// Save (alwaysAsk false: into the document's file when it has one) or Save
// as. True when the file was written.
bool Save(ProgramState& state, DocumentWindow& window, bool alwaysAsk);

// A parameter file onto the screen, "File read" told when announce is set.
// A refused file is told and changes nothing. True when it was loaded.
bool LoadFile(ProgramState& state, DocumentWindow& window, const std::filesystem::path& path, bool announce);

}  // namespace document_flow
}  // namespace klv
