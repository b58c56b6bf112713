#include "win32/transfer_progress_window.h"

#include <commctrl.h>

#include "transfer/write_refusal_messages.h"
#include "win32/wide_text.h"
#include "win32/window_class.h"

namespace klv {

namespace {

// The worker has left new progress here.
constexpr UINT kProgressPosted = WM_APP + 1;
// The worker's result is stored and its thread is about to end.
constexpr UINT kWorkerFinished = WM_APP + 2;

}  // namespace

TransferProgressWindow::TransferProgressWindow(TransferSession& session, Language language, WindowOperator& dialogs,
                                               HWND owner)
    : session_(session),
      language_(language),
      dialogs_(dialogs),
      owner_(owner),
      context_(MakeTransferContext(session, language, *this)) {
  // A caller's own stop request wins over the button.
  if (context_.cancel == nullptr) context_.cancel = &cancelRequested_;
}

TransferProgressWindow::~TransferProgressWindow() {
  // The worker, the port and this window never outlive each other.
  thread_.Join();
  if (window_ != nullptr) DestroyWindow(window_);
}

bool TransferProgressWindow::CreateControls() {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  if (!RegisterWindowClassOnce(instance, TransferProgressWindow::kClassName, WindowProc, IDC_WAIT,
                               GetSysColorBrush(COLOR_BTNFACE))) {
    return false;
  }
  const int left = (GetSystemMetrics(SM_CXSCREEN) - kWidth) / 2;
  const int top = (GetSystemMetrics(SM_CYSCREEN) - kHeight) / 2;
  // No caption and no frame of the system's: the window draws its own
  // raised edge (WM_PAINT), so it looks the same with or without a window
  // manager.
  window_ = CreateWindowExW(0, kClassName, L"", WS_POPUP, left, top, kWidth, kHeight, owner_, nullptr, instance, this);
  if (window_ == nullptr) return false;
  RECT inside{};
  GetClientRect(window_, &inside);
  const int margin = 12;
  const int width = inside.right - 2 * margin;
  const int buttonWidth = 72;
  status_ = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, margin, margin, width, 20,
                            window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kStatusId)), instance, nullptr);
  bar_ = CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE, margin, margin + 28,
                         width - buttonWidth - 8, 22, window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kBarId)),
                         instance, nullptr);
  const std::wstring cancelText = Widen(Caption(Screen::CommunicationSettings, "Cancel", language_));
  cancel_ = CreateWindowExW(0, L"BUTTON", cancelText.c_str(), WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON,
                            margin + width - buttonWidth, margin + 26, buttonWidth, 26, window_,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(kCancelId)), instance, nullptr);
  SendMessageW(bar_, PBM_SETRANGE32, 0, kProgressMaximum);
  SendMessageW(bar_, PBM_SETPOS, 0, 0);
  // The screen's typeface, so Japanese status lines show in the window's font.
  if (const auto font = static_cast<WPARAM>(SendMessageW(owner_, WM_GETFONT, 0, 0)); font != 0) {
    for (HWND control : {status_, cancel_}) SendMessageW(control, WM_SETFONT, font, FALSE);
  }
  return status_ != nullptr && bar_ != nullptr && cancel_ != nullptr;
}

void TransferProgressWindow::NoWorker() {
  // Nothing would ever finish: say so and end at once.
  TransferState& state = session_.state;
  (state.mode == TransferMode::Read ? state.readResult : state.writeResult) = 0;
  state.result = TransferResult{};
  state.result.mode = state.mode;
  state.result.model = session_.currentModel;
  dialogs_.ShowMessage(owner_, Text(TextId::TransferCannotStart, language_));
}

bool TransferProgressWindow::Run() {
  cancelRequested_.store(false, std::memory_order_relaxed);
  if (!CreateControls()) {
    NoWorker();
    return false;
  }
  const bool ownerShown = owner_ != nullptr && IsWindowVisible(owner_);
  if (!thread_.Start(context_, session_.state, [window = window_] { PostMessageW(window, kWorkerFinished, 0, 0); })) {
    NoWorker();
    return false;
  }
  // Only this window takes input while the worker runs; the others still paint.
  const bool ownerWasEnabled = owner_ != nullptr && IsWindowEnabled(owner_);
  if (ownerWasEnabled) EnableWindow(owner_, FALSE);
  if (ownerShown) {
    ShowWindow(window_, SW_SHOW);
    UpdateWindow(window_);
  }
  bool quit = false;
  WPARAM quitCode = 0;
  MSG message;
  while (!ending_) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == -1) break;
    if (got == 0) {
      // The program was asked to end: that comes once the transfer has.
      quit = true;
      quitCode = message.wParam;
      continue;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  if (!ending_) EndAfterWorker();
  if (ownerWasEnabled) EnableWindow(owner_, TRUE);
  if (ownerShown) {
    ShowWindow(window_, SW_HIDE);
    SetForegroundWindow(owner_);
  }
  if (quit) PostQuitMessage(static_cast<int>(quitCode));
  return true;
}

void TransferProgressWindow::EndAfterWorker() {
  thread_.Join();
  ShowProgress();
  const TransferResult& result = session_.state.result;
  // Shown while this window still stands, as the transfer's own words.
  if (result.refusal) dialogs_.ShowMessage(window_, RefusalMessage(*result.refusal, result.tally, language_));
  ending_ = true;
}

void TransferProgressWindow::SetStatusText(std::string_view text) {
  std::lock_guard lock(progressMutex_);
  statusText_.assign(text);
  if (!progressPosted_) progressPosted_ = PostMessageW(window_, kProgressPosted, 0, 0) != FALSE;
}

void TransferProgressWindow::SetBarPosition(int position) {
  std::lock_guard lock(progressMutex_);
  barPosition_ = ClampProgress(position);
  if (!progressPosted_) progressPosted_ = PostMessageW(window_, kProgressPosted, 0, 0) != FALSE;
}

void TransferProgressWindow::ShowProgress() {
  std::string text;
  int position = 0;
  {
    std::lock_guard lock(progressMutex_);
    text = statusText_;
    position = barPosition_;
    progressPosted_ = false;
  }
  SetWindowTextW(status_, Widen(text).c_str());
  SendMessageW(bar_, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

LRESULT CALLBACK TransferProgressWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<TransferProgressWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->window_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<TransferProgressWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  return self == nullptr ? DefWindowProcW(window, message, wParam, lParam) : self->Handle(message, wParam, lParam);
}

LRESULT TransferProgressWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case kProgressPosted: ShowProgress(); return 0;
    case kWorkerFinished:
      if (!ending_ && thread_.Done()) EndAfterWorker();
      return 0;
    case WM_COMMAND:
      if (LOWORD(wParam) == kCancelId && HIWORD(wParam) == BN_CLICKED) {
        cancelRequested_.store(true, std::memory_order_release);
        EnableWindow(cancel_, FALSE);
      }
      return 0;
    case WM_PAINT: {
      // A raised frame, since the window has no caption to set it apart.
      PAINTSTRUCT paint;
      const HDC context = BeginPaint(window_, &paint);
      RECT edge{};
      GetClientRect(window_, &edge);
      DrawEdge(context, &edge, EDGE_RAISED, BF_RECT);
      EndPaint(window_, &paint);
      return 0;
    }
    case WM_CLOSE:
      // Alt+F4: only the worker's end closes the window.
      return 0;
    case WM_DESTROY: SetWindowLongPtrW(window_, GWLP_USERDATA, 0); return 0;
    default: return DefWindowProcW(window_, message, wParam, lParam);
  }
}

}  // namespace klv
