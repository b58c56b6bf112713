#include "win32/trend_graph_window.h"

#include <algorithm>
#include <optional>

#include "platform/file_store.h"
#include "text/texts.h"
#include "win32/wide_text.h"
#include "win32/window_class.h"

namespace klv {

namespace {

constexpr UINT_PTR kGraphTimer = 1;
constexpr int kMargin = 12;

}  // namespace

TrendGraphWindow::TrendGraphWindow(Language language, Clock& clock, WindowOperator& dialogs, HWND owner, HFONT font)
    : language_(language),
      clock_(clock),
      dialogs_(dialogs),
      owner_(owner),
      font_(font != nullptr ? font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT))) {
  history_.ClearHistory();
}

TrendGraphWindow::~TrendGraphWindow() {
  if (window_ != nullptr) {
    KillTimer(window_, kGraphTimer);
    DestroyWindow(window_);
  }
}

bool TrendGraphWindow::Create() {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  // No background brush: the face paints all of the client area itself.
  if (!RegisterWindowClassOnce(instance, TrendGraphWindow::kClassName, WindowProc, IDC_ARROW, nullptr)) return false;
  const std::wstring title = Widen(Caption(Screen::TrendGraph, "Graph display", language_));
  window_ = CreateWindowExW(0, kClassName, title.c_str(),
                            WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_CLIPCHILDREN, CW_USEDEFAULT,
                            CW_USEDEFAULT, kInitialWidth, kInitialHeight, owner_, nullptr, instance, this);
  if (window_ == nullptr) return false;
  const auto button = [&](std::string_view key, int id) {
    const std::wstring text = Widen(Caption(Screen::TrendGraph, key, language_));
    const HWND made =
        CreateWindowExW(0, L"BUTTON", text.c_str(), WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 0, 10, 10,
                        window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    SendMessageW(made, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    return made;
  };
  ok_ = button("OK", kOkId);
  savePicture_ = button("Save picture…", kSavePictureId);
  saveData_ = button("Save data…", kSaveDataId);
  Arrange();
  SetTimer(window_, kGraphTimer, kFirstTimerMs, nullptr);
  return ok_ != nullptr && savePicture_ != nullptr && saveData_ != nullptr;
}

void TrendGraphWindow::Toggle() {
  if (window_ == nullptr) return;
  if (IsWindowVisible(window_)) {
    ShowWindow(window_, SW_HIDE);
    return;
  }
  ShowWindow(window_, SW_SHOW);
  InvalidateRect(window_, nullptr, FALSE);
}

void TrendGraphWindow::GraphTick() {
  if (const std::optional<TrendHistory::Points> points = history_.TakeSample(clock_.LocalNow())) {
    PushPoint(history_.Input(), points->input);
    PushPoint(history_.Output(), points->output);
  }
  // Also without a sample: the monitor may have cleared the history.
  if (window_ != nullptr && IsWindowVisible(window_)) InvalidateRect(window_, nullptr, FALSE);
}

SIZE TrendGraphWindow::ButtonSize(HWND button) const {
  wchar_t text[64] = {};
  GetWindowTextW(button, text, 64);
  const HDC dc = GetDC(window_);
  const HGDIOBJ before = SelectObject(dc, font_);
  SIZE size{};
  GetTextExtentPoint32W(dc, text, lstrlenW(text), &size);
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  SelectObject(dc, before);
  ReleaseDC(window_, dc);
  return {std::max(80L, size.cx + 24), metrics.tmHeight + 10};
}

// The buttons at the right of the band under the chart: "OK" last.
void TrendGraphWindow::Arrange() {
  RECT client{};
  GetClientRect(window_, &client);
  const SIZE okSize = ButtonSize(ok_);
  const HDC dc = GetDC(window_);
  const HGDIOBJ before = SelectObject(dc, font_);
  const TrendGraphGeometry geometry = LayOutTrendGraph(dc, client.right, client.bottom, okSize.cy, language_);
  SelectObject(dc, before);
  ReleaseDC(window_, dc);
  const int top = geometry.band.top + kMargin;
  int right = client.right - kMargin;
  for (HWND button : {ok_, saveData_, savePicture_}) {
    const SIZE size = ButtonSize(button);
    MoveWindow(button, right - size.cx, top, size.cx, okSize.cy, TRUE);
    right -= size.cx + (button == ok_ ? kMargin : kMargin / 2);
  }
  InvalidateRect(window_, nullptr, FALSE);
}

void TrendGraphWindow::Draw(HDC dc, int width, int height) {
  const HGDIOBJ before = SelectObject(dc, font_);
  const TrendGraphGeometry geometry = LayOutTrendGraph(dc, width, height, ButtonSize(ok_).cy, language_);
  DrawTrendGraph(dc, width, height, geometry, history_, language_, layout_);
  SelectObject(dc, before);
}

TrendGraphGeometry TrendGraphWindow::GeometryFor(int width, int height) {
  const int buttonHeight = ButtonSize(ok_).cy;
  const HDC dc = GetDC(window_);
  const HGDIOBJ before = SelectObject(dc, font_);
  const TrendGraphGeometry geometry = LayOutTrendGraph(dc, width, height, buttonHeight, language_);
  SelectObject(dc, before);
  ReleaseDC(window_, dc);
  return geometry;
}

// Through a memory bitmap and one copy, so the chart never flickers.
void TrendGraphWindow::Paint() {
  PAINTSTRUCT paint;
  const HDC dc = BeginPaint(window_, &paint);
  RECT client{};
  GetClientRect(window_, &client);
  if (client.right > 0 && client.bottom > 0) {
    const HDC memory = CreateCompatibleDC(dc);
    const HBITMAP bitmap = CreateCompatibleBitmap(dc, client.right, client.bottom);
    if (memory != nullptr && bitmap != nullptr) {
      const HGDIOBJ before = SelectObject(memory, bitmap);
      Draw(memory, client.right, client.bottom);
      BitBlt(dc, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
      SelectObject(memory, before);
      ++paints_;
    }
    if (bitmap != nullptr) DeleteObject(bitmap);
    if (memory != nullptr) DeleteDC(memory);
  }
  EndPaint(window_, &paint);
}

HBITMAP TrendGraphWindow::MakePicture() {
  RECT client{};
  GetClientRect(window_, &client);
  const int width = std::max(1L, client.right);
  const int height = std::max(1L, client.bottom);
  const HDC screen = GetDC(nullptr);
  const HDC memory = CreateCompatibleDC(screen);
  // The caption line's height in the window's font.
  const HGDIOBJ fontBefore = SelectObject(memory, font_);
  TEXTMETRICW metrics{};
  GetTextMetricsW(memory, &metrics);
  const int line = metrics.tmHeight + kMargin / 2;
  HBITMAP picture = CreateCompatibleBitmap(screen, width, height + line);
  ReleaseDC(nullptr, screen);
  if (memory == nullptr || picture == nullptr) {
    if (picture != nullptr) DeleteObject(picture);
    if (memory != nullptr) DeleteDC(memory);
    return nullptr;
  }
  const HGDIOBJ before = SelectObject(memory, picture);
  const RECT top{0, 0, width, line};
  FillRect(memory, &top, GetSysColorBrush(COLOR_BTNFACE));
  SetBkMode(memory, TRANSPARENT);
  SetTextColor(memory, RGB(0, 0, 0));
  const std::wstring caption = Widen(TrendPictureCaption(clock_.LocalNow(), model_, port_));
  TextOutW(memory, kMargin, (line - metrics.tmHeight) / 2, caption.c_str(), static_cast<int>(caption.size()));
  // The face below it, without the buttons (they are windows of their own).
  SetViewportOrgEx(memory, 0, line, nullptr);
  Draw(memory, width, height);
  SetViewportOrgEx(memory, 0, 0, nullptr);
  SelectObject(memory, before);
  SelectObject(memory, fontBefore);
  DeleteDC(memory);
  return picture;
}

PngBytes TrendGraphWindow::PictureBytes() {
  const HBITMAP picture = MakePicture();
  if (picture == nullptr) {
    PngBytes none;
    none.error = "the picture could not be made";
    return none;
  }
  PngBytes png = EncodePng(picture, TrendPictureCaption(clock_.LocalNow(), model_, port_));
  DeleteObject(picture);
  return png;
}

void TrendGraphWindow::SavePicture() { Export(TrendExport::Picture); }

void TrendGraphWindow::SaveData() { Export(TrendExport::Data); }

void TrendGraphWindow::Export(TrendExport kind) {
  const std::optional<std::filesystem::path> path =
      dialogs_.ChooseExportFile(window_, kind, TrendExportFileName(kind, clock_.LocalNow()), exportFolder_);
  if (!path) return;
  exportFolder_ = path->parent_path();
  if (rememberFolder_) rememberFolder_(exportFolder_);
  const std::string shownPath = Narrow(path->wstring());
  std::string bytes;
  if (kind == TrendExport::Picture) {
    PngBytes png = PictureBytes();
    if (!png.ok) {
      dialogs_.ShowMessage(window_, TrendExportMessage(kind, language_, shownPath, false, png.error));
      return;
    }
    bytes = std::move(png.bytes);
  } else {
    bytes = TrendHistoryCsv(history_);
  }
  const SaveOutcome saved = SaveFileAtomically(*path, bytes);
  dialogs_.ShowMessage(window_, TrendExportMessage(kind, language_, shownPath, saved.ok, saved.error));
}

LRESULT CALLBACK TrendGraphWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<TrendGraphWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->window_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<TrendGraphWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  return self == nullptr ? DefWindowProcW(window, message, wParam, lParam) : self->Handle(message, wParam, lParam);
}

LRESULT TrendGraphWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER:
      if (wParam != kGraphTimer) break;
      KillTimer(window_, kGraphTimer);
      GraphTick();
      SetTimer(window_, kGraphTimer, kTimerMs, nullptr);
      return 0;
    case WM_COMMAND:
      if (HIWORD(wParam) != BN_CLICKED) break;
      switch (LOWORD(wParam)) {
        case kOkId: ShowWindow(window_, SW_HIDE); return 0;
        case kSavePictureId: SavePicture(); return 0;
        case kSaveDataId: SaveData(); return 0;
        default: break;
      }
      break;
    case WM_SIZE:
      if (ok_ != nullptr) Arrange();
      return 0;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: Paint(); return 0;
    case WM_CLOSE:
      // The close box hides the window like "OK": the history stays with the monitor.
      ShowWindow(window_, SW_HIDE);
      return 0;
    case WM_DESTROY:
      SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
      window_ = nullptr;
      return 0;
    default: break;
  }
  return DefWindowProcW(window_, message, wParam, lParam);
}

}  // namespace klv
