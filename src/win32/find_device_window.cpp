#include "win32/find_device_window.h"

#include <commctrl.h>

#include <algorithm>

#include "device/scan_texts.h"
#include "text/texts.h"
#include "win32/dialog_template_writer.h"
#include "win32/screen_face.h"
#include "win32/wide_text.h"

namespace klv {

namespace {

// The scanning threads have left new reports.
constexpr UINT kReportsPosted = WM_APP + 11;
constexpr int kBarMaximum = 1000;
constexpr short kWidth = 330;
constexpr short kHeight = 200;

// An empty dialog in the screens' font; the controls are made when it opens.
std::vector<uint32_t> DialogTemplate(Language language) {
  DialogTemplateWriter t;
  t.Head(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_CENTER, 0, kWidth, kHeight,
         Text(TextId::FindDevice, language), language);
  return t.Finish();
}

// A control at x, y, width, height in dialog units, in the dialog's font.
HWND AddControl(HWND dialog, const wchar_t* type, std::string_view text, DWORD style, int id, RECT units,
                DWORD extendedStyle = 0) {
  units.right += units.left;
  units.bottom += units.top;
  MapDialogRect(dialog, &units);
  HWND control = CreateWindowExW(extendedStyle, type, Widen(text).c_str(), WS_CHILD | WS_VISIBLE | style,
                                 units.left, units.top, units.right - units.left, units.bottom - units.top, dialog,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
  SendMessageW(control, WM_SETFONT, SendMessageW(dialog, WM_GETFONT, 0, 0), FALSE);
  return control;
}

void SetText(HWND dialog, int id, std::string_view text) { SetDlgItemTextW(dialog, id, Widen(text).c_str()); }

// Each column as wide as its widest cell and its title, the last one filling the rest.
void FitColumns(HWND list, const std::vector<std::string>& titles) {
  const int last = static_cast<int>(titles.size()) - 1;
  for (int column = 0; column < last; ++column) {
    SendMessageW(list, LVM_SETCOLUMNWIDTH, column, LVSCW_AUTOSIZE);
    const auto cells = static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, column, 0));
    const std::wstring title = Widen(titles[static_cast<std::size_t>(column)]);
    const auto header = static_cast<int>(SendMessageW(list, LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(title.c_str())));
    SendMessageW(list, LVM_SETCOLUMNWIDTH, column, std::max(cells, header + 16));
  }
  SendMessageW(list, LVM_SETCOLUMNWIDTH, last, LVSCW_AUTOSIZE_USEHEADER);
}

}  // namespace

FindDeviceWindow::FindDeviceWindow(ScanPlan plan, SerialPortFactory ports, Language language, Clock& clock)
    : plan_(std::move(plan)),
      ports_(std::move(ports)),
      language_(language),
      clock_(clock),
      template_(DialogTemplate(language)) {}

FindDeviceWindow::~FindDeviceWindow() {
  StopScan();
  if (window_ != nullptr && !modal_) DestroyWindow(window_);
}

std::optional<FoundRegulator> FindDeviceWindow::Run(HWND owner) {
  modal_ = true;
  DialogBoxIndirectParamW(GetModuleHandleW(nullptr), reinterpret_cast<LPCDLGTEMPLATEW>(template_.data()), owner,
                          DialogProc, reinterpret_cast<LPARAM>(this));
  window_ = nullptr;
  return chosen_;
}

HWND FindDeviceWindow::Create(HWND owner) {
  modal_ = false;
  return CreateDialogIndirectParamW(GetModuleHandleW(nullptr), reinterpret_cast<LPCDLGTEMPLATEW>(template_.data()),
                                    owner, DialogProc, reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK FindDeviceWindow::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(window, DWLP_USER, lParam);
    auto* self = reinterpret_cast<FindDeviceWindow*>(lParam);
    self->window_ = window;
    self->Open();
    return TRUE;
  }
  auto* self = reinterpret_cast<FindDeviceWindow*>(GetWindowLongPtrW(window, DWLP_USER));
  return self == nullptr ? FALSE : self->Handle(message, wParam, lParam);
}

INT_PTR FindDeviceWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case kReportsPosted: ShowReports(); return TRUE;
    case WM_DESTROY:
      StopScan();
      window_ = nullptr;
      return TRUE;
    case WM_NOTIFY: {
      const auto* note = reinterpret_cast<const NMHDR*>(lParam);
      if (note->idFrom != find_id::kFoundList) return FALSE;
      if (note->code == LVN_ITEMCHANGED) {
        const bool selected = SendDlgItemMessageW(window_, find_id::kFoundList, LVM_GETSELECTEDCOUNT, 0, 0) > 0;
        EnableWindow(GetDlgItem(window_, find_id::kTake), selected);
      } else if (note->code == NM_DBLCLK) {
        TakeSelected();
      }
      return TRUE;
    }
    case WM_COMMAND: break;
    default: return FALSE;
  }
  const int id = LOWORD(wParam);
  if (HIWORD(wParam) != BN_CLICKED) return FALSE;
  if (id == find_id::kTake) {
    TakeSelected();
  } else if (id == find_id::kStop && !finished_) {
    cancel_.store(true, std::memory_order_release);
  } else if (id == find_id::kStop || id == IDCANCEL) {
    Close();
  } else {
    return FALSE;
  }
  return TRUE;
}

void FindDeviceWindow::Open() {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS | ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);
  const short inner = kWidth - 14;
  AddControl(window_, L"STATIC", "", SS_LEFT | SS_NOPREFIX, find_id::kStatus, {7, 7, inner, 34});
  HWND bar = AddControl(window_, PROGRESS_CLASSW, "", 0, find_id::kBar, {7, 43, inner, 9});
  SendMessageW(bar, PBM_SETRANGE32, 0, kBarMaximum);
  HWND list = AddControl(window_, WC_LISTVIEWW, "",
                         LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER | WS_TABSTOP,
                         find_id::kFoundList, {7, 56, inner, 90}, WS_EX_CLIENTEDGE);
  SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  int column = 0;
  for (const std::string& title : FoundColumnTitles(language_)) {
    const std::wstring text = Widen(title);
    LVCOLUMNW header{};
    header.mask = LVCF_TEXT | LVCF_SUBITEM;
    header.pszText = const_cast<wchar_t*>(text.c_str());
    header.iSubItem = column;
    SendMessageW(list, LVM_INSERTCOLUMNW, column, reinterpret_cast<LPARAM>(&header));
    ++column;
  }
  FitColumns(list, FoundColumnTitles(language_));
  AddControl(window_, L"STATIC", "", SS_LEFT | SS_NOPREFIX, find_id::kTroubles, {7, 150, inner, 26});
  HWND take = AddControl(window_, L"BUTTON", Text(TextId::FindTakeSettings, language_),
                         BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP, find_id::kTake, {kWidth - 7 - 54 - 4 - 90, 180, 90, 14});
  EnableWindow(take, FALSE);
  AddControl(window_, L"BUTTON", Text(TextId::FindStop, language_), BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP,
             find_id::kStop, {kWidth - 7 - 54, 180, 54, 14});
  StartScan();
}

void FindDeviceWindow::StartScan() {
  cancel_.store(false, std::memory_order_relaxed);
  worker_ = std::thread([this] {
    ScanCallbacks callbacks;
    callbacks.stop = &cancel_;
    callbacks.progress = [this](const ScanProgress& progress) {
      std::lock_guard lock(mutex_);
      progress_ = progress;
      if (!posted_) posted_ = PostMessageW(window_, kReportsPosted, 0, 0) != FALSE;
    };
    callbacks.found = [this](const FoundRegulator& found) { Post({Event::Kind::Found, found, {}, false}); };
    callbacks.trouble = [this](const ScanTrouble& trouble) {
      Post({Event::Kind::Trouble, {}, ScanTroubleText(trouble), false});
    };
    const ScanReport report = ScanForRegulators(plan_, ports_, clock_, language_, callbacks);
    Post({Event::Kind::Finished, {}, {}, report.cancelled});
  });
}

void FindDeviceWindow::StopScan() {
  cancel_.store(true, std::memory_order_release);
  if (worker_.joinable()) worker_.join();
}

void FindDeviceWindow::Post(Event event) {
  std::lock_guard lock(mutex_);
  events_.push_back(std::move(event));
  if (!posted_) posted_ = PostMessageW(window_, kReportsPosted, 0, 0) != FALSE;
}

void FindDeviceWindow::ShowReports() {
  std::optional<ScanProgress> progress;
  std::deque<Event> events;
  {
    std::lock_guard lock(mutex_);
    progress.swap(progress_);
    events.swap(events_);
    posted_ = false;
  }
  if (progress && !finished_) {
    SendDlgItemMessageW(window_, find_id::kBar, PBM_SETPOS, static_cast<WPARAM>(progress->fraction * kBarMaximum), 0);
    SetText(window_, find_id::kStatus, ScanProgressText(*progress, language_));
  }
  for (const Event& event : events) {
    switch (event.kind) {
      case Event::Kind::Found: AddFound(event.found); break;
      case Event::Kind::Trouble: AddTrouble(event.trouble); break;
      case Event::Kind::Finished: ShowFinished(event.cancelled); break;
    }
  }
}

void FindDeviceWindow::AddFound(const FoundRegulator& found) {
  // After the finds of this port and of the ports before it.
  const auto portIndex = [this](const FoundRegulator& f) {
    return std::find_if(plan_.ports.begin(), plan_.ports.end(),
                        [&](const ScanPort& p) { return p.device == f.port.device; }) -
           plan_.ports.begin();
  };
  const auto place = std::find_if(found_.begin(), found_.end(),
                                  [&](const FoundRegulator& f) { return portIndex(f) > portIndex(found); });
  const int row = static_cast<int>(place - found_.begin());
  found_.insert(place, found);
  HWND list = GetDlgItem(window_, find_id::kFoundList);
  const std::vector<std::string> cells = FoundRowCells(found, language_);
  for (int column = 0; column < static_cast<int>(cells.size()); ++column) {
    const std::wstring text = Widen(cells[static_cast<std::size_t>(column)]);
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.iSubItem = column;
    item.pszText = const_cast<wchar_t*>(text.c_str());
    SendMessageW(list, column == 0 ? LVM_INSERTITEMW : LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
  }
  FitColumns(list, FoundColumnTitles(language_));
  if (found_.size() == 1) {
    LVITEMW state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&state));
  }
}

void FindDeviceWindow::AddTrouble(const std::string& text) {
  troubles_ += (troubles_.empty() ? "" : "\n") + text;
  SetText(window_, find_id::kTroubles, troubles_);
}

void FindDeviceWindow::ShowFinished(bool cancelled) {
  finished_ = true;
  // Its last report: the thread is ending.
  if (worker_.joinable()) worker_.join();
  if (!cancelled) SendDlgItemMessageW(window_, find_id::kBar, PBM_SETPOS, kBarMaximum, 0);
  SetText(window_, find_id::kStatus, ScanFinishedText(found_.size(), cancelled, plan_.ports, plan_.protocols, language_));
  SetText(window_, find_id::kStop, Text(TextId::FindClose, language_));
}

void FindDeviceWindow::TakeSelected() {
  const LRESULT row = SendDlgItemMessageW(window_, find_id::kFoundList, LVM_GETNEXTITEM, static_cast<WPARAM>(-1),
                                          LVNI_SELECTED);
  if (row < 0 || static_cast<std::size_t>(row) >= found_.size()) return;
  chosen_ = found_[static_cast<std::size_t>(row)];
  Close();
}

void FindDeviceWindow::Close() {
  StopScan();
  closed_ = true;
  if (modal_) {
    EndDialog(window_, chosen_ ? IDOK : IDCANCEL);
  } else {
    DestroyWindow(window_);
  }
}

}  // namespace klv
