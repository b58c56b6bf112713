#pragma once
// The main window's transfers, shared by both front ends: what is asked
// before (the save question, the line's settings), which report and advice
// lines follow, and what the program state becomes. Each window keeps its
// own progress window, message boxes and screen, and lends them through
// TransferWindow.
#include <string>
#include <string_view>

#include "app/program_state.h"
#include "editor/parameter_comparison.h"
#include "transfer/transfer_worker.h"

namespace klv {

class TransferWindow {
 public:
  virtual ~TransferWindow() = default;
  virtual void ShowMessage(std::string_view text) = 0;
  // The save question before the screen's set is replaced; false: the
  // operator stopped.
  virtual bool SaveChangesFirst() = 0;
  // The communication settings window; false: the operator cancelled it.
  virtual bool ConfirmSettings() = 0;
  // Runs the session's body behind the progress window until it has ended.
  virtual void RunBehindProgress(TransferSession& session) = 0;
  // The screen into the parameter set, before a write or a comparison.
  virtual void ReadScreen() = 0;
  // A complete read replaced the set and the model: the screen shows them,
  // arranged for the model, as unmodified.
  virtual void ShowReadSet() = 0;
  virtual void ShowComparison(const ParameterComparison& comparison) = 0;
};

namespace transfer_flow {

// Before a transfer or the monitor: a ports/ folder that cannot be listed
// stops it; a settings file that could not be read is told once; then the
// operator confirms the line's settings. False: nothing is to run.
bool ConfirmConnection(ProgramState& state, TransferWindow& window);

// Read from KLV: the screen, the model and the modified mark change only
// when the read got every register, so a half-read set never reaches a file.
void Read(ProgramState& state, TransferWindow& window);
// Write in KLV, with the read-back when the options ask for it; a verified
// write is recorded for the unit's report.
void Write(ProgramState& state, TransferWindow& window);
// Compare with KLV: the screen as it stands against a complete read of the
// regulator; a failed or incomplete read shows its own message instead.
void Compare(ProgramState& state, TransferWindow& window);

// The lines after a report when registers got no reply: what to try next,
// with the communication log's name.
std::string NoReplyAdviceLines(const ProgramState& state, const TransferResult& result);

}  // namespace transfer_flow
}  // namespace klv
