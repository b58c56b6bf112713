#include "transfer/ui/transfer_progress_dialog.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QHBoxLayout>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <string>

#include "transfer/write_refusal_messages.h"
#include "widgets/message_box.h"
#include "widgets/operator_dialogs.h"
#include "widgets/screen_controls.h"
#include "text/texts.h"

namespace klv {

QString WorkerStartFailureText(Language language) {
  return ToQString(Text(TextId::TransferCannotStart, language));
}

TransferProgressDialog::TransferProgressDialog(TransferSession& session, Language language, OperatorDialogs& dialogs, QWidget* parent,
                     WorkerStart start)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint),
      session_(session),
      language_(language),
      dialogs_(dialogs),
      start_(start ? std::move(start)
                   : WorkerStart([](TransferThread& thread, const TransferContext& context, TransferState& state,
                                    std::function<void()> finished) {
                       return thread.Start(context, state, std::move(finished));
                     })),
      context_(MakeTransferContext(session, language, *this)) {
  setFont(ScreenQFont(language));
  setModal(true);
  // A raised frame, since the window has no caption to set it apart.
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  auto* frame = new QFrame(this);
  frame->setFrameStyle(QFrame::Panel | QFrame::Raised);
  frame->setLineWidth(2);
  outer->addWidget(frame);
  auto* layout = new QVBoxLayout(frame);
  layout->setContentsMargins(16, 12, 16, 16);
  statusText_ = new QLabel(frame);
  statusText_->setObjectName(QStringLiteral("statusLine"));
  bar_ = new QProgressBar(frame);
  bar_->setRange(0, kProgressMaximum);
  bar_->setValue(0);
  bar_->setTextVisible(false);
  cancelButton_ = new QPushButton(ToQString(Caption(Screen::CommunicationSettings, "Cancel", language)), frame);
  cancelButton_->setAutoDefault(false);
  cancelButton_->setFocusPolicy(Qt::NoFocus);  // Enter and Space never cancel by accident
  connect(cancelButton_, &QPushButton::clicked, this, [this] {
    cancelRequested_.store(true, std::memory_order_release);
    cancelButton_->setEnabled(false);
  });
  // A caller's own stop request (none in the window) wins over the button.
  if (context_.cancel == nullptr) context_.cancel = &cancelRequested_;
  layout->addWidget(statusText_);
  auto* barRow = new QHBoxLayout;
  barRow->addWidget(bar_, 1);
  barRow->addWidget(cancelButton_);
  layout->addLayout(barRow);
  connect(this, &TransferProgressDialog::WorkerFinished, this, &TransferProgressDialog::EndAfterWorker,
          Qt::QueuedConnection);

  // The middle of the screen, divided as integers.
  QScreen* screen = parent != nullptr && parent->screen() != nullptr ? parent->screen() : QGuiApplication::primaryScreen();
  const QRect area = screen != nullptr ? screen->geometry() : QRect(0, 0, kWidth, kHeight);
  setFixedSize(kWidth, kHeight);
  move(area.x() + (area.width() - kWidth) / 2, area.y() + (area.height() - kHeight) / 2);
}

TransferProgressDialog::~TransferProgressDialog() {
  // The worker, the port and this window never outlive each other.
  thread_.Join();
}

bool TransferProgressDialog::Run() {
  bar_->setValue(0);
  statusText_->clear();
  ending_ = false;
  cancelRequested_.store(false, std::memory_order_relaxed);
  cancelButton_->setEnabled(true);
  if (!start_(thread_, context_, session_.state, [this] { emit WorkerFinished(); })) {
    // Nothing would ever finish: say so and close at once.
    TransferState& state = session_.state;
    (state.mode == TransferMode::Read ? state.readResult : state.writeResult) = 0;
    state.result = TransferResult{};
    state.result.mode = state.mode;
    state.result.model = session_.currentModel;
    show();
    dialogs_.ShowMessage(this, WorkerStartFailureText(language_).toStdString());
    ending_ = true;
    hide();
    return false;
  }
  // Only the worker's end closes the window: an event loop left for another
  // reason (the application asked to quit) is entered again until it has.
  do {
    exec();
  } while (!ending_);
  return true;
}

void TransferProgressDialog::EndAfterWorker() {
  if (ending_ || !thread_.Done()) return;
  thread_.Join();
  const TransferResult& result = session_.state.result;
  // Shown while this window still stands, as the transfer's own words.
  if (result.refusal) dialogs_.ShowMessage(this, RefusalMessage(*result.refusal, result.tally, language_));
  ending_ = true;
  done(QDialog::Accepted);
}

void TransferProgressDialog::SetStatusText(std::string_view text) {
  QMetaObject::invokeMethod(this, [this, line = ToQString(text)] { statusText_->setText(line); }, Qt::QueuedConnection);
}

void TransferProgressDialog::SetBarPosition(int position) {
  QMetaObject::invokeMethod(this, [this, position] { bar_->setValue(ClampProgress(position)); }, Qt::QueuedConnection);
}

void TransferProgressDialog::reject() {
  // Escape, the close box: only the worker's end closes the window.
  if (ending_) QDialog::reject();
}

void TransferProgressDialog::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
      event->accept();  // a dialog would end on these
      return;
    default:
      QDialog::keyPressEvent(event);
  }
}

void TransferProgressDialog::closeEvent(QCloseEvent* event) {
  if (ending_) {
    QDialog::closeEvent(event);
  } else {
    event->ignore();
  }
}

}  // namespace klv
