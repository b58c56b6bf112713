#pragma once
// The transfer's progress window: no caption, 300 by 100 pixels in the middle
// of the screen, a status line over a bar with a Cancel button. Run starts
// the worker and keeps the messages flowing (the main window is disabled
// meanwhile, but paints) until the worker is done. The worker never touches
// a control: it leaves its status text and bar position here and posts a
// private message; the window thread then moves the controls. Cancel asks
// the body to stop before its next exchange; Enter, Escape and Alt+F4 cannot
// end the window while the worker runs.
#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <string_view>

#include "text/texts.h"
#include "transfer/progress_sink.h"
#include "transfer/transfer_commands.h"
#include "transfer/transfer_worker.h"
#include "win32/window_operator.h"

namespace klv {

class TransferProgressWindow final : public ProgressSink {
 public:
  static constexpr int kWidth = 300;
  static constexpr int kHeight = 100;
  // The window class, so that an operator (or a test) can find it.
  static constexpr const wchar_t* kClassName = L"KlvTransferProgress";
  static constexpr int kStatusId = 101;
  static constexpr int kBarId = 102;
  static constexpr int kCancelId = 103;

  // session.state.mode says which body runs; session and dialogs must
  // outlive the window. The window is shown only when owner is visible.
  TransferProgressWindow(TransferSession& session, Language language, WindowOperator& dialogs, HWND owner);
  ~TransferProgressWindow() override;
  TransferProgressWindow(const TransferProgressWindow&) = delete;
  TransferProgressWindow& operator=(const TransferProgressWindow&) = delete;

  // Runs until the worker is done, then shows the refusal of a refused
  // transfer. False when the window or the worker could not start: the
  // operator has been told, and the result of the mode is 0.
  bool Run();

  // Worker side (any thread).
  void SetStatusText(std::string_view text) override;
  void SetBarPosition(int position) override;

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  bool CreateControls();
  void ShowProgress();
  void EndAfterWorker();
  void NoWorker();

  TransferSession& session_;
  Language language_;
  WindowOperator& dialogs_;
  HWND owner_;
  HWND window_ = nullptr;
  HWND status_ = nullptr;
  HWND bar_ = nullptr;
  HWND cancel_ = nullptr;
  // Set by Cancel; the body looks at it before each exchange.
  std::atomic<bool> cancelRequested_{false};
  TransferContext context_;
  TransferThread thread_;
  bool ending_ = false;
  // What the worker last reported, for the window thread to show.
  std::mutex progressMutex_;
  std::string statusText_;
  int barPosition_ = 0;
  bool progressPosted_ = false;
};

}  // namespace klv
