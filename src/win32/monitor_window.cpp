#include "win32/monitor_window.h"

#include <commctrl.h>

#include <algorithm>
#include <utility>

#include "monitor/data_recorder.h"
#include "monitor/monitor_window_texts.h"
#include "serial/line_settings.h"
#include "text/texts.h"
#include "win32/screen_face.h"
#include "win32/wide_text.h"
#include "win32/window_class.h"

namespace klv {

namespace {

// The line thread has left events to take.
constexpr UINT kMonitorEvents = WM_APP + 11;

constexpr int kMargin = 10;
constexpr int kButtonWidth = 104;

// The screens' typeface of the language at the screen's scale.
HFONT MakeScreenFont(Language language) {
  const ScreenFont font = ScreenFontFor(language);
  const HDC screen = GetDC(nullptr);
  const int height = -MulDiv(font.pointSize, GetDeviceCaps(screen, LOGPIXELSY), 72);
  ReleaseDC(nullptr, screen);
  // The face the main screen uses: the language's own, or an installed one
  // with the language's characters.
  const std::wstring family = Widen(ScreenFaceName(language));
  const BYTE charset = language == Language::Japanese ? SHIFTJIS_CHARSET : DEFAULT_CHARSET;
  return CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, charset, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, family.c_str());
}

std::wstring MonitorCaption(std::string_view key, Language language) {
  return Widen(Caption(Screen::Monitor, key, language));
}

}  // namespace

MonitorWindow::MonitorWindow(MonitorWindowDependencies& dependencies, WindowOperator& dialogs, HWND owner)
    : dependencies_(dependencies),
      dialogs_(dialogs),
      owner_(owner),
      language_(dependencies.language),
      session_(dependencies.connection, dependencies.clock, dependencies.language) {}

MonitorWindow::~MonitorWindow() {
  Close();
  if (font_ != nullptr) DeleteObject(font_);
  if (valueBrush_ != nullptr) DeleteObject(valueBrush_);
}

bool MonitorWindow::Create() {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  font_ = MakeScreenFont(language_);
  valueBrush_ = CreateSolidBrush(RGB(255, 255, 255));
  // The language's size in pixels at 96 dots per inch, grown with the scale
  // of the owner's monitor as the main window is.
  const WindowSize size = MonitorWindowSize(language_);
  const UINT dpi = owner_ != nullptr ? GetDpiForWindow(owner_) : GetDpiForSystem();
  const int width = MulDiv(size.width, static_cast<int>(dpi == 0 ? 96 : dpi), 96);
  const int height = MulDiv(size.height, static_cast<int>(dpi == 0 ? 96 : dpi), 96);
  const int left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  const int top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  if (RegisterWindowClassOnce(instance, MonitorWindow::kClassName, WindowProc, IDC_ARROW,
                              GetSysColorBrush(COLOR_BTNFACE))) {
    title_ = session_.Display().title;
    window_ = CreateWindowExW(WS_EX_DLGMODALFRAME, kClassName, Widen(title_).c_str(),
                              WS_POPUP | WS_CAPTION | WS_SYSMENU, left, top, width, height,
                              owner_, nullptr, instance, this);
  }
  if (window_ == nullptr || !CreateControls()) {
    closed_ = true;
    dialogs_.ShowMessage(owner_, Text(TextId::TransferCannotStart, language_));
    return false;
  }
  // Without the pictures the monitor runs without lamps, markers and graph.
  if (pictures_.Ready()) {
    for (int lamp = 0; lamp < kLampCount; ++lamp) SetLamp(lamp, kLampOff);
    MarkPolledRow(kNoMarkedRow);
    graph_ = std::make_unique<TrendGraphWindow>(language_, dependencies_.clock, dialogs_, window_, font_);
    if (graph_->Create()) {
      graph_->SetExportFolder(dependencies_.exportFolder, dependencies_.rememberExportFolder);
    } else {
      graph_.reset();
    }
  }
  if (!graph_) EnableWindow(Control(monitor_id::kGraph), FALSE);

  thread_ = std::make_unique<MonitorThread>(session_, dependencies_.clock,
                                            [window = window_] { PostMessageW(window, kMonitorEvents, 0, 0); });
  if (graph_) session_.SetTrend(&thread_->QueuedTrend());
  // Read before the thread starts: from then on only the thread uses the session.
  view_ = ViewOf(session_, std::nullopt);
  if (!thread_->Launch()) {
    thread_.reset();
    dialogs_.ShowMessage(owner_, Text(TextId::TransferCannotStart, language_));
    Close();
    return false;
  }
  Show(view_);
  if (owner_ != nullptr && IsWindowVisible(owner_)) {
    ShowWindow(window_, SW_SHOW);
    UpdateWindow(window_);
  }
  return true;
}

HWND MonitorWindow::Make(const wchar_t* type, const std::wstring& text, DWORD style, int id, int x, int y, int w,
                         int h, DWORD extended) {
  const HWND control = CreateWindowExW(extended, type, text.c_str(), WS_CHILD | WS_VISIBLE | style, x, y, w, h, window_,
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
                                       nullptr);
  if (control != nullptr) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  return control;
}

// Left column rows 0-7; middle column rows 8 and 9 with their lamp panels,
// then rows 10 and 11; the buttons on the right; the data record group below.
bool MonitorWindow::CreateControls() {
  RECT client{};
  GetClientRect(window_, &client);
  const HDC dc = GetDC(window_);
  const HGDIOBJ before = SelectObject(dc, font_);
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  SIZE digits{};
  GetTextExtentPoint32W(dc, L"-32768", 6, &digits);
  SIZE lampName{};
  GetTextExtentPoint32W(dc, L"DO2", 3, &lampName);
  const int labelWidth = static_cast<int>(lampName.cx) + 4;
  // The left column as wide as its longest caption needs, the rest to the lamps.
  int captionWidth = 0;
  for (int index = 0; index < 8; ++index) {
    const std::wstring caption = Widen(MonitorRowCaption(view_.display, index, language_));
    SIZE size{};
    GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &size);
    captionWidth = std::max(captionWidth, static_cast<int>(size.cx));
  }
  SelectObject(dc, before);
  ReleaseDC(window_, dc);
  const int rowHeight = std::max(static_cast<int>(metrics.tmHeight) + 6, kLampBitmapSize + 4);
  const int valueWidth = std::max(56, static_cast<int>(digits.cx) + 14);
  const int width = client.right;

  const int buttonsLeft = width - kMargin - kButtonWidth;
  const int columns = buttonsLeft - kMargin - 2 * kMargin;
  const int leftWidth = std::min(columns * 5 / 9, kLampBitmapSize + 6 + captionWidth + 12 + valueWidth);
  const int middleLeft = kMargin + leftWidth + 2 * kMargin;
  const int middleWidth = buttonsLeft - kMargin - middleLeft;
  const int markerOffset = (rowHeight - kLampBitmapSize) / 2;
  const DWORD valueStyle = SS_RIGHT | SS_CENTERIMAGE | SS_NOPREFIX;
  bool made = true;

  const auto row = [&](int index, int left, int columnWidth, int y) {
    made &= Make(L"STATIC", L"", SS_BITMAP, monitor_id::Marker(index), left, y + markerOffset, kLampBitmapSize,
                 kLampBitmapSize) != nullptr;
    const std::wstring caption = Widen(MonitorRowCaption(view_.display, index, language_));
    made &= Make(L"STATIC", caption, SS_LEFT | SS_CENTERIMAGE | SS_NOPREFIX, monitor_id::RowCaption(index),
                 left + kLampBitmapSize + 6, y, columnWidth - kLampBitmapSize - 12 - valueWidth, rowHeight) != nullptr;
    made &= Make(L"STATIC", Widen(kNoReadingText), valueStyle, monitor_id::Value(index),
                 left + columnWidth - valueWidth, y, valueWidth, rowHeight - 2, WS_EX_STATICEDGE) != nullptr;
  };
  int y = kMargin;
  for (int index = 0; index < 8; ++index, y += rowHeight) row(index, kMargin, leftWidth, y);
  const int rowsBottom = y;

  // Rows 8 and 9: caption, then a sunken panel of lamps with their names.
  y = kMargin;
  const auto lampRow = [&](int index, int firstLamp, int lampCount, int panelId) {
    made &= Make(L"STATIC", L"", SS_BITMAP, monitor_id::Marker(index), middleLeft, y + markerOffset, kLampBitmapSize,
                 kLampBitmapSize) != nullptr;
    const std::wstring caption = Widen(MonitorRowCaption(view_.display, index, language_));
    made &= Make(L"STATIC", caption, SS_LEFT | SS_CENTERIMAGE | SS_NOPREFIX, monitor_id::RowCaption(index),
                 middleLeft + kLampBitmapSize + 6, y, middleWidth - kLampBitmapSize - 6, rowHeight) != nullptr;
    y += rowHeight;
    const int panelLeft = middleLeft + kLampBitmapSize + 6;
    made &= Make(L"STATIC", L"", SS_SUNKEN, panelId, panelLeft, y, middleWidth - kLampBitmapSize - 6, rowHeight + 2) !=
            nullptr;
    int x = panelLeft + 6;
    for (int lamp = firstLamp; lamp < firstLamp + lampCount; ++lamp) {
      made &= Make(L"STATIC", L"", SS_BITMAP, monitor_id::Lamp(lamp), x, y + 1 + markerOffset, kLampBitmapSize,
                   kLampBitmapSize) != nullptr;
      made &= Make(L"STATIC", Widen(MonitorLampName(lamp)), SS_LEFT | SS_CENTERIMAGE | SS_NOPREFIX,
                   monitor_id::LampLabel(lamp), x + kLampBitmapSize + 3, y + 1, labelWidth, rowHeight) != nullptr;
      x += kLampBitmapSize + 3 + labelWidth + 6;
    }
    // The bit string lies outside the window: the operator reads the lamps.
    made &= Make(L"STATIC", Widen(kNoReadingText), SS_LEFT | SS_NOPREFIX, monitor_id::Value(index), middleLeft,
                 client.bottom + 40, 80, rowHeight) != nullptr;
    ShowWindow(Control(monitor_id::Value(index)), SW_HIDE);
    y += rowHeight + 6;
  };
  lampRow(kAlarmOutputRow, 0, 4, monitor_id::kAlarmPanel);
  lampRow(kDigitalInputRow, 4, 3, monitor_id::kInputPanel);
  for (int index = 10; index < kMonitorRowCount; ++index, y += rowHeight) row(index, middleLeft, middleWidth, y);

  // The buttons.
  const int buttonHeight = rowHeight + 4;
  const std::pair<std::string_view, int> buttons[] = {
      {"Monitor start", monitor_id::kStart}, {"Graph display", monitor_id::kGraph}, {"Close", monitor_id::kClose}};
  y = kMargin;
  for (const auto& [key, id] : buttons) {
    made &= Make(L"BUTTON", MonitorCaption(key, language_), BS_PUSHBUTTON | WS_TABSTOP, id, buttonsLeft, y,
                 kButtonWidth, buttonHeight) != nullptr;
    y += buttonHeight + 6;
  }

  // The data record group: its check box, progress bar and status line.
  const int groupTop = std::max(rowsBottom, y) + 2;
  const int groupBottom = std::max(groupTop + 2 * rowHeight + 16, static_cast<int>(client.bottom) - 6);
  made &= Make(L"BUTTON", L"", BS_GROUPBOX, monitor_id::kRecordGroup, kMargin, groupTop, width - 2 * kMargin,
               groupBottom - groupTop) != nullptr;
  made &= Make(L"BUTTON", MonitorCaption("Data record [control input/control output]", language_),
               BS_AUTOCHECKBOX | WS_TABSTOP, monitor_id::kRecord, kMargin + 8, groupTop + 10, width - 2 * kMargin - 16,
               rowHeight) != nullptr;
  const int statusWidth = std::min(width / 2, 260);
  made &= Make(PROGRESS_CLASSW, L"", 0, monitor_id::kRecordProgress, kMargin + 8, groupTop + 12 + rowHeight,
               width - 2 * kMargin - 24 - statusWidth, rowHeight - 4) != nullptr;
  made &= Make(L"STATIC", L"", SS_LEFT | SS_NOPREFIX, monitor_id::kStatus, width - kMargin - 8 - statusWidth,
               groupTop + 10 + rowHeight, statusWidth, groupBottom - groupTop - 14 - rowHeight) != nullptr;
  if (!made) return false;
  SendMessageW(Control(monitor_id::kRecordProgress), PBM_SETRANGE32, 0, kRecordProgressRange);
  SendMessageW(Control(monitor_id::kRecordProgress), PBM_SETPOS, 0, 0);
  SendMessageW(Control(monitor_id::kRecord), BM_SETCHECK, dependencies_.armRecord ? BST_CHECKED : BST_UNCHECKED, 0);
  recordFileChosen_ = dependencies_.armRecord;
  return true;
}

void MonitorWindow::Run() {
  if (!Create()) return;
  const bool ownerWasEnabled = owner_ != nullptr && IsWindowEnabled(owner_);
  if (ownerWasEnabled) EnableWindow(owner_, FALSE);
  bool quit = false;
  WPARAM quitCode = 0;
  MSG message;
  while (!closed_) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == -1) break;
    if (got == 0) {
      // The program was asked to end: that comes once the monitor has closed.
      quit = true;
      quitCode = message.wParam;
      continue;
    }
    // Escape hides the graph like its "OK"; Enter and Escape do nothing in
    // the monitor itself.
    if (message.message == WM_KEYDOWN && (message.wParam == VK_ESCAPE || message.wParam == VK_RETURN)) {
      if (message.wParam == VK_ESCAPE && IsGraphMessage(message)) ShowWindow(graph_->Handle(), SW_HIDE);
      continue;
    }
    // Tab and the arrow keys move between the buttons of either window.
    if (window_ != nullptr && (message.hwnd == window_ || IsChild(window_, message.hwnd)) &&
        IsDialogMessageW(window_, &message)) {
      continue;
    }
    if (IsGraphMessage(message) && IsDialogMessageW(graph_->Handle(), &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  Close();
  if (ownerWasEnabled) EnableWindow(owner_, TRUE);
  if (owner_ != nullptr && IsWindowVisible(owner_)) SetForegroundWindow(owner_);
  if (quit) PostQuitMessage(static_cast<int>(quitCode));
}

bool MonitorWindow::IsGraphMessage(const MSG& message) const {
  if (!graph_ || graph_->Handle() == nullptr) return false;
  return message.hwnd == graph_->Handle() || IsChild(graph_->Handle(), message.hwnd);
}

void MonitorWindow::Close() {
  // Waits for an exchange under way (at most one read time-out); the thread
  // then finishes the record, closes the port and ends.
  if (thread_) {
    thread_->Close();
    // Nothing the thread said before it ended is shown any more.
    thread_->Take();
  } else {
    session_.Close();
  }
  graph_.reset();
  if (window_ != nullptr) {
    // No message reaches this object from here on.
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
    window_ = nullptr;
  }
  closed_ = true;
}

// ---- Start and stop ---------------------------------------------------------------------

void MonitorWindow::StartOrStop() {
  if (view_.running) {
    StopMonitoring();
  } else {
    StartMonitoring();
  }
}

void MonitorWindow::StartMonitoring() {
  if (view_.running || pending_ || !thread_) return;
  const bool armed = SendMessageW(Control(monitor_id::kRecord), BM_GETCHECK, 0, 0) == BST_CHECKED;
  // An armed record goes to a file the operator names, so an earlier record
  // is replaced only when the operator says so.
  if (armed && !recordFileChosen_ && dependencies_.chooseRecordFile) {
    const std::optional<std::filesystem::path> file = dependencies_.chooseRecordFile(window_);
    if (!file) return;
    dependencies_.dataLogPath = *file;
  }
  recordFileChosen_ = false;  // the next record is asked for again
  pending_ = true;
  EnableWindow(Control(monitor_id::kStart), FALSE);
  thread_->Start(armed, dependencies_.dataLogPath);
}

void MonitorWindow::StopMonitoring() {
  if (pending_ || !thread_) return;
  pending_ = true;
  EnableWindow(Control(monitor_id::kStart), FALSE);
  thread_->Stop();
}

void MonitorWindow::Started(bool started, const std::string& portMessage, const MonitorView& view) {
  pending_ = false;
  EnableWindow(Control(monitor_id::kStart), TRUE);
  if (!started) {
    Message(portMessage);
    return;
  }
  SetWindowTextW(Control(monitor_id::kStart), Widen(Text(TextId::EndMonitor, language_)).c_str());
  EnableWindow(Control(monitor_id::kRecord), FALSE);
  Show(view);
}

void MonitorWindow::Stopped(const MonitorView& view) {
  pending_ = false;
  EnableWindow(Control(monitor_id::kStart), TRUE);
  SendMessageW(Control(monitor_id::kRecord), BM_SETCHECK, BST_UNCHECKED, 0);
  EnableWindow(Control(monitor_id::kRecord), TRUE);
  SetWindowTextW(Control(monitor_id::kStart), Widen(Text(TextId::StartMonitor, language_)).c_str());
  Show(view);
}

// ---- What the thread reports ---------------------------------------------------------------

void MonitorWindow::DrainEvents() {
  if (!thread_) return;
  for (MonitorEvent& event : thread_->Take()) events_.push_back(std::move(event));
  // A message box below runs a loop of its own, in which the next drain
  // only adds to the queue; this one goes on in order.
  if (draining_) return;
  draining_ = true;
  while (!events_.empty() && !closed_) {
    MonitorEvent event = std::move(events_.front());
    events_.erase(events_.begin());
    Take(event);
  }
  draining_ = false;
}

void MonitorWindow::Take(MonitorEvent& event) {
  switch (event.kind) {
    case MonitorEvent::Kind::Started: Started(event.started, event.text, event.view); break;
    case MonitorEvent::Kind::Changed: Show(event.view); break;
    case MonitorEvent::Kind::Stopped: Stopped(event.view); break;
    case MonitorEvent::Kind::Message:
      // The data record cannot be made: monitoring goes on without it.
      EnableWindow(Control(monitor_id::kRecord), FALSE);
      Message(event.text);
      break;
    case MonitorEvent::Kind::Trend:
      if (graph_ && event.trendCall) event.trendCall(graph_->History());
      break;
  }
}

void MonitorWindow::Show(const MonitorView& view) {
  if (&view != &view_) view_ = view;
  if (window_ == nullptr) return;
  const MonitorDisplay& display = view_.display;
  if (display.title != title_) {
    title_ = display.title;
    SetWindowTextW(window_, Widen(title_).c_str());
    // The saved graph names the regulator as the title does: "KLV40 - V-FB".
    const std::string unit = MonitoredUnitName(display);
    if (graph_ && !unit.empty()) {
      const Connection& line = dependencies_.connection;
      graph_->SetSource(unit, line.portLabel.empty() ? PortName(line.settings.PortInUse()) : line.portLabel);
    }
  }
  for (const int row : {kOutputRow, kAlarmOutputRow}) {
    ShowText(monitor_id::RowCaption(row), MonitorRowCaption(display, row, language_));
  }
  for (int row = 0; row < kMonitorRowCount; ++row) {
    ShowText(monitor_id::Value(row), display.rowTexts[static_cast<std::size_t>(row)]);
  }
  for (int lamp = 0; lamp < kLampCount; ++lamp) SetLamp(lamp, display.lamps[static_cast<std::size_t>(lamp)]);
  if (display.markedRow != markedRow_) MarkPolledRow(display.markedRow);
  ShowRowLayout();
  ShowText(monitor_id::kStatus, MonitorStatusText(view_, language_));
  if (view_.recordProgress != shownProgress_) {
    shownProgress_ = view_.recordProgress;
    SendMessageW(Control(monitor_id::kRecordProgress), PBM_SETPOS, static_cast<WPARAM>(shownProgress_), 0);
  }
}

// Only what changed is set: each change repaints its control.
void MonitorWindow::ShowText(int id, std::string_view text) {
  std::string& shown = shownTexts_[id];
  if (shown == text) return;
  shown.assign(text);
  SetWindowTextW(Control(id), Widen(text).c_str());
}

void MonitorWindow::ShowRowLayout() {
  const MonitorDisplay& display = view_.display;
  const auto show = [this](int id, bool shown) {
    // The control's own flag: a window not shown yet shows none of its controls.
    const HWND control = Control(id);
    const bool flagged = (GetWindowLongPtrW(control, GWL_STYLE) & WS_VISIBLE) != 0;
    if (flagged != shown) ShowWindow(control, shown ? SW_SHOWNA : SW_HIDE);
  };
  for (int row = 0; row < kMonitorRowCount; ++row) {
    const bool shown = display.RowShown(row);
    show(monitor_id::Marker(row), shown);
    show(monitor_id::RowCaption(row), shown);
    if (row != kAlarmOutputRow && row != kDigitalInputRow) show(monitor_id::Value(row), shown);
  }
  show(monitor_id::kInputPanel, display.RowShown(kDigitalInputRow));
  for (int lamp = 0; lamp < kLampCount; ++lamp) {
    const bool shown = display.LampShown(lamp);
    show(monitor_id::Lamp(lamp), shown);
    show(monitor_id::LampLabel(lamp), shown);
  }
}

void MonitorWindow::SetLamp(int index, int state) {
  if (index < 0 || index >= kLampCount || state < 0 || state > 3) return;
  lampStates_[static_cast<std::size_t>(index)] = state;
  if (!pictures_.Ready() || state > kLampUnknown) return;
  const HBITMAP picture = pictures_.Lamp(index, state);
  const HWND lamp = Control(monitor_id::Lamp(index));
  if (reinterpret_cast<HBITMAP>(SendMessageW(lamp, STM_GETIMAGE, IMAGE_BITMAP, 0)) != picture) {
    SendMessageW(lamp, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture));
  }
}

void MonitorWindow::MarkPolledRow(int index) {
  if (index < 0) return;
  markedRow_ = index;
  if (!pictures_.Ready()) return;
  for (int row = 0; row < kMonitorRowCount; ++row) {
    const HBITMAP picture = pictures_.Marker(row == index);
    const HWND marker = Control(monitor_id::Marker(row));
    if (reinterpret_cast<HBITMAP>(SendMessageW(marker, STM_GETIMAGE, IMAGE_BITMAP, 0)) != picture) {
      SendMessageW(marker, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture));
    }
  }
}

void MonitorWindow::Message(std::string_view text) { dialogs_.ShowMessage(window_, text); }

// ---- Messages -----------------------------------------------------------------------------

LRESULT CALLBACK MonitorWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<MonitorWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->window_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<MonitorWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  return self == nullptr || self->window_ != window ? DefWindowProcW(window, message, wParam, lParam)
                                                    : self->Handle(message, wParam, lParam);
}

LRESULT MonitorWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case kMonitorEvents: DrainEvents(); return 0;
    case WM_COMMAND:
      if (HIWORD(wParam) != BN_CLICKED) break;
      switch (LOWORD(wParam)) {
        case monitor_id::kStart: StartOrStop(); return 0;
        case monitor_id::kGraph:
          if (graph_) graph_->Toggle();
          return 0;
        case monitor_id::kClose: Close(); return 0;
        default: break;
      }
      break;
    case WM_CTLCOLORSTATIC: {
      // The value fields are white, as edit fields that cannot be typed in.
      const int id = GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
      if (id >= monitor_id::Value(0) && id < monitor_id::Value(kMonitorRowCount)) {
        SetBkColor(reinterpret_cast<HDC>(wParam), RGB(255, 255, 255));
        return reinterpret_cast<LRESULT>(valueBrush_);
      }
      break;
    }
    case WM_CLOSE: Close(); return 0;
    default: break;
  }
  return DefWindowProcW(window_, message, wParam, lParam);
}

}  // namespace klv
