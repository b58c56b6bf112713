#include "win32/caption_fit.h"

#include <algorithm>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace klv {

namespace {

struct Child {
  HWND window = nullptr;
  RECT place{};
  bool box = false;      // a group box: holds others, stops nobody on its row
  bool caption = false;  // a label, radio button or check box
  bool button = false;   // a radio button or check box: its mark comes first
  bool field = false;    // an edit field: its digits must show
};

std::vector<Child> Children(HWND dialog) {
  std::vector<Child> children;
  for (HWND w = GetWindow(dialog, GW_CHILD); w != nullptr; w = GetWindow(w, GW_HWNDNEXT)) {
    Child child;
    child.window = w;
    GetWindowRect(w, &child.place);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&child.place), 2);
    wchar_t type[32] = {};
    GetClassNameW(w, type, 32);
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(w, GWL_STYLE));
    if (lstrcmpiW(type, L"Button") == 0) {
      const DWORD kind = style & BS_TYPEMASK;
      child.box = kind == BS_GROUPBOX;
      child.button = kind == BS_AUTORADIOBUTTON || kind == BS_RADIOBUTTON || kind == BS_AUTOCHECKBOX ||
                     kind == BS_CHECKBOX;
      child.caption = child.button;
    } else if (lstrcmpiW(type, L"Static") == 0) {
      child.caption = (style & SS_TYPEMASK) == SS_LEFT;
    } else if (lstrcmpiW(type, L"Edit") == 0) {
      child.field = true;
    }
    children.push_back(child);
  }
  return children;
}

std::wstring TextOf(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

// The width the text needs on one line; 0 when it already fits (a label
// high enough for its text wrapped to its width fits too). Measured in dc,
// one for all the captions (a device context each costs a round trip to the
// display under Wine).
int NeededWidth(HDC dc, const Child& child, HFONT font) {
  const std::wstring text = TextOf(child.window);
  if (text.empty()) return 0;
  HGDIOBJ old = SelectObject(dc, font);
  const int mark = child.button ? GetSystemMetrics(SM_CXMENUCHECK) + 6 : 0;
  const LONG width = child.place.right - child.place.left;
  const LONG height = child.place.bottom - child.place.top;
  RECT wrapped{0, 0, width - mark, 0};
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &wrapped, DT_CALCRECT | DT_WORDBREAK);
  RECT line{0, 0, 0, 0};
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &line, DT_CALCRECT | DT_SINGLELINE);
  SelectObject(dc, old);
  const bool fits = line.right + mark <= width || (wrapped.bottom <= height && wrapped.right + mark <= width);
  return fits ? 0 : line.right + mark + 1;
}

HFONT FontOf(HWND window) { return reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)); }

// The width a group box's title or an edit field's longest number takes in
// font, with the control's own margins.
int ContentWidth(HDC dc, const Child& child, HFONT font) {
  std::wstring text = TextOf(child.window);
  // An edit field holds up to four digits (1000, the largest limits).
  if (child.field && text.size() < 4) text = L"1000";
  if (text.empty()) return 0;
  HGDIOBJ old = SelectObject(dc, font);
  RECT line{0, 0, 0, 0};
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &line, DT_CALCRECT | DT_SINGLELINE);
  SelectObject(dc, old);
  // A group box's title sits inset from its frame; an edit field's text
  // inside its border and margins.
  return line.right + (child.box ? 10 : 8);
}

// The fonts made smaller here, each with the font it was made from.
std::map<HFONT, HFONT>& SmallerFontsMade() {
  static std::map<HFONT, HFONT> origins;
  return origins;
}

// The font a control had before it was made smaller here: a layout fitted
// again starts from it, not from the smaller one.
HFONT OriginalFont(HWND window) {
  HFONT font = FontOf(window);
  const auto& origins = SmallerFontsMade();
  if (const auto found = origins.find(font); found != origins.end()) return found->second;
  return font;
}

// The same face a size smaller, kept for the program's life (a handful of
// fonts: the controls that use them live as long).
HFONT SmallerFont(HFONT font, int step) {
  static std::map<std::pair<HFONT, int>, HFONT> made;
  const auto key = std::make_pair(font, step);
  if (const auto found = made.find(key); found != made.end()) return found->second;
  LOGFONTW shape{};
  if (font == nullptr || GetObjectW(font, sizeof shape, &shape) == 0) return nullptr;
  const LONG height = shape.lfHeight < 0 ? -shape.lfHeight : shape.lfHeight;
  shape.lfHeight = (shape.lfHeight < 0 ? -1 : 1) * std::max<LONG>(1, height - step);
  shape.lfWidth = 0;
  HFONT smaller = CreateFontIndirectW(&shape);
  made.emplace(key, smaller);
  if (smaller != nullptr) SmallerFontsMade().emplace(smaller, font);
  return smaller;
}

// A text that still runs past its control where there is no more room gets
// the same face up to three pixels smaller, the largest that fits.
void ShrinkToFit(HDC dc, const Child& child, LONG width) {
  HFONT font = OriginalFont(child.window);
  const auto fits = [&](HFONT candidate) {
    if (child.caption) return NeededWidth(dc, child, candidate) == 0 || NeededWidth(dc, child, candidate) <= width;
    return ContentWidth(dc, child, candidate) <= width;
  };
  if (font == nullptr) return;
  if (fits(font)) {
    if (FontOf(child.window) != font) SendMessageW(child.window, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    return;
  }
  for (int step = 1; step <= 3; ++step) {
    HFONT smaller = SmallerFont(font, step);
    if (smaller == nullptr) return;
    if (fits(smaller) || step == 3) {
      SendMessageW(child.window, WM_SETFONT, reinterpret_cast<WPARAM>(smaller), TRUE);
      return;
    }
  }
}

bool Holds(const RECT& outer, const RECT& inner) {
  return inner.left >= outer.left && inner.right <= outer.right && inner.top >= outer.top &&
         inner.bottom <= outer.bottom;
}

}  // namespace

void WidenClippedCaptions(HWND dialog) {
  const std::vector<Child> children = Children(dialog);
  RECT client;
  GetClientRect(dialog, &client);
  HDC dc = GetDC(dialog);
  for (const Child& child : children) {
    const LONG current = child.place.right - child.place.left;
    if (child.box || child.field) {
      ShrinkToFit(dc, child, current);
      continue;
    }
    if (!child.caption) continue;
    const int needed = NeededWidth(dc, child, FontOf(child.window));
    if (needed == 0) continue;
    // The innermost group holding it, else the window, bounds it.
    LONG limit = client.right - 4;
    LONG boxWidth = LONG_MAX;
    for (const Child& box : children) {
      if (box.box && Holds(box.place, child.place) && box.place.right - box.place.left < boxWidth) {
        boxWidth = box.place.right - box.place.left;
        limit = box.place.right - 4;
      }
    }
    // So does the next control on its row.
    for (const Child& other : children) {
      if (other.box || other.window == child.window) continue;
      const bool sameRow = other.place.top < child.place.bottom && other.place.bottom > child.place.top;
      if (sameRow && other.place.left >= child.place.right - 1) limit = std::min(limit, other.place.left - 2);
    }
    const LONG width = std::min<LONG>(needed, limit - child.place.left);
    if (width > current) {
      SetWindowPos(child.window, nullptr, 0, 0, width, child.place.bottom - child.place.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ShrinkToFit(dc, child, std::max(width, current));
  }
  ReleaseDC(dialog, dc);
}

}  // namespace klv
