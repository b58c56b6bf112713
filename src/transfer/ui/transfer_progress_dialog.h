#pragma once
// The transfer's progress window: no caption, 300 by 100 pixels in the middle
// of the screen, a status line over a bar. It starts the worker when it
// opens; the worker's queued WorkerFinished signal ends it, after it has
// shown the message of a refused transfer (owned by this window). The worker
// reaches it only through queued calls.
// Enter, Escape and the close box cannot end it while the worker runs; its
// Cancel button asks the worker to stop before its next exchange, and the
// transfer then reports how far it got, as an incomplete one does.
#include <QDialog>
#include <QString>
#include <atomic>
#include <functional>
#include <string_view>

#include "text/texts.h"
#include "transfer/progress_sink.h"
#include "transfer/transfer_commands.h"
#include "transfer/transfer_worker.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace klv {

class OperatorDialogs;

class TransferProgressDialog final : public QDialog, public ProgressSink {
  Q_OBJECT

 public:
  static constexpr int kWidth = 300;
  static constexpr int kHeight = 100;

  // How the worker is started (the last argument is called on the worker
  // once it is done); tests replace it to see a start that fails.
  using WorkerStart =
      std::function<bool(TransferThread&, const TransferContext&, TransferState&, std::function<void()>)>;

  // session.state.mode says which body runs; session must outlive the window.
  TransferProgressDialog(TransferSession& session, Language language, OperatorDialogs& dialogs, QWidget* parent = nullptr,
            WorkerStart start = {});
  ~TransferProgressDialog() override;

  // Runs the window modally until the worker is done, then shows the
  // refusal of a refused transfer. False when the worker could not start:
  // the operator has been told, the result of the mode is 0 (nothing went
  // through, nothing was asked) and the window is closed.
  bool Run();

  // Worker side (any thread).
  void SetStatusText(std::string_view text) override;
  void SetBarPosition(int position) override;

  QLabel* StatusLine() const { return statusText_; }
  QProgressBar* Bar() const { return bar_; }
  QPushButton* CancelButton() const { return cancelButton_; }
  // The worker has finished (acquire).
  bool WorkerDone() const { return thread_.Done(); }

  void reject() override;

 signals:
  // Emitted on the worker thread once its result is stored; queued to this window.
  void WorkerFinished();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void EndAfterWorker();

 private:
  TransferSession& session_;
  Language language_;
  OperatorDialogs& dialogs_;
  WorkerStart start_;
  // Set by the Cancel button; the body looks at it before each exchange.
  std::atomic<bool> cancelRequested_{false};
  TransferContext context_;
  TransferThread thread_;
  bool ending_ = false;
  QLabel* statusText_ = nullptr;
  QProgressBar* bar_ = nullptr;
  QPushButton* cancelButton_ = nullptr;
};

// Shown when no worker thread could be started.
QString WorkerStartFailureText(Language language);

}  // namespace klv
