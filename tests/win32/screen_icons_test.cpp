// The groups' pictures on the Win32 main screen: each sits inside its group,
// clear of every other control, in both layouts, and is painted from the
// core's shapes.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <filesystem>
#include <memory>
#include <vector>

#include "app/program_state.h"
#include "support/fake_clock.h"
#include "win32/caption_fit.h"
#include "win32/icon_painter.h"
#include "win32/main_window.h"
#include "win32/screen_controls.h"
#include "win32/screen_template.h"

namespace klv {
namespace {

class NoOperator : public WindowOperator {
 public:
  void ShowMessage(HWND, std::string_view) override {}
  SaveAnswer AskSaveChanges(HWND, std::string_view) override { return SaveAnswer::No; }
  std::optional<std::filesystem::path> ChooseFileToOpen(HWND, const std::filesystem::path&) override { return {}; }
  std::optional<std::filesystem::path> ChooseFileToSave(HWND, std::string_view,
                                                        const std::filesystem::path&) override {
    return {};
  }
  bool ConfirmCommSettings(HWND, ProgramState&) override { return false; }
};

struct PlacedIcon {
  ScreenIcon icon;
  int group;  // the control number of the box it belongs in
};

const PlacedIcon kPlacedIcons[] = {
    {ScreenIcon::KeyLock, screen_id::GroupBox(RadioGroup::KeyLock)},
    {ScreenIcon::FuseMelted, screen_id::GroupBox(RadioGroup::FuseMelted)},
    {ScreenIcon::PowerSupplyError, screen_id::GroupBox(RadioGroup::PowerSupplyError)},
    {ScreenIcon::CurrentError, screen_id::GroupBox(RadioGroup::CurrentError)},
    {ScreenIcon::HardwareError, screen_id::GroupBox(RadioGroup::HardwareError)},
    {ScreenIcon::TemperatureError, screen_id::GroupBox(RadioGroup::TemperatureError)},
    {ScreenIcon::HeaterBreak, screen_id::GroupBox(RadioGroup::HeaterBreak)},
    {ScreenIcon::CurrentLimiter, screen_id::GroupBox(RadioGroup::CurrentLimiter)},
    {ScreenIcon::BootLimiter, screen_id::kBootLimiterBox},
};

RECT PlaceOf(HWND control) {
  RECT place;
  GetWindowRect(control, &place);
  return place;
}

bool Inside(const RECT& inner, const RECT& outer) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

class ScreenIconsTest : public ::testing::TestWithParam<Language> {};

TEST_P(ScreenIconsTest, EachPictureSitsInItsGroupClearOfTheOtherControls) {
  testing::FakeClock clock;
  ProgramState state(clock, MakeSystemSerialPort, GetParam());
  NoOperator dialogs;
  MainWindow window(state, dialogs);
  ASSERT_TRUE(window.Create(GetModuleHandleW(nullptr)));
  for (const PlacedIcon& placed : kPlacedIcons) {
    SCOPED_TRACE(static_cast<int>(placed.icon));
    HWND picture = GetDlgItem(window.Handle(), screen_id::Icon(placed.icon));
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(GetWindowLongPtrW(picture, GWL_STYLE) & SS_TYPEMASK, SS_OWNERDRAW);
    const RECT place = PlaceOf(picture);
    EXPECT_GE(place.right - place.left, 16);
    EXPECT_GE(place.bottom - place.top, 16);
    EXPECT_TRUE(Inside(place, PlaceOf(GetDlgItem(window.Handle(), placed.group))));
    // No caption, button or field under it (group boxes hold it).
    for (const ScreenControl& other : ScreenControls()) {
      if (other.kind == ControlKind::GroupBox || other.id == screen_id::Icon(placed.icon)) continue;
      RECT overlap;
      const RECT otherPlace = PlaceOf(GetDlgItem(window.Handle(), other.id));
      EXPECT_FALSE(IntersectRect(&overlap, &place, &otherPlace)) << "control " << other.id;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Languages, ScreenIconsTest, ::testing::Values(Language::English, Language::Japanese));

// The pixels of icon painted on white into a 32 x 32 bitmap.
std::vector<COLORREF> Painted(ScreenIcon icon) {
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, 32, 32);
  HGDIOBJ old = SelectObject(dc, bitmap);
  PaintScreenIcon(dc, RECT{0, 0, 32, 32}, icon, RGB(255, 255, 255));
  std::vector<COLORREF> pixels;
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) pixels.push_back(GetPixel(dc, x, y));
  }
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return pixels;
}

TEST(ScreenIconPainterTest, EveryPictureIsDrawnAndDiffersFromTheOthers) {
  std::vector<std::vector<COLORREF>> pictures;
  for (const ScreenIcon icon : kScreenIcons) {
    SCOPED_TRACE(static_cast<int>(icon));
    const std::vector<COLORREF> pixels = Painted(icon);
    const auto inked = std::count_if(pixels.begin(), pixels.end(), [](COLORREF c) { return c != RGB(255, 255, 255); });
    // Lines and fills cover a good part of the square, never all of it.
    EXPECT_GT(inked, 60);
    EXPECT_LT(inked, 32 * 32 - 100);
    for (const auto& earlier : pictures) EXPECT_NE(pixels, earlier);
    pictures.push_back(pixels);
  }
}

// A caption cut short by its control is widened into free room: a label
// made too narrow for its text on a window of its own grows to show it whole,
// but not past a control to its right.
TEST(CaptionFitTest, ClippedCaptionGrowsIntoFreeRoomOnly) {
  HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 400, 100, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(window, nullptr);
  const auto add = [&](const wchar_t* type, const wchar_t* text, DWORD style, int x, int y, int w) {
    return CreateWindowExW(0, type, text, WS_CHILD | WS_VISIBLE | style, x, y, w, 16, window, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
  };
  HWND free = add(L"STATIC", L"A caption far too long for its place", SS_LEFT, 4, 4, 30);
  HWND bounded = add(L"STATIC", L"Another caption far too long", SS_LEFT, 4, 40, 30);
  HWND neighbour = add(L"EDIT", L"12", 0, 80, 40, 40);
  HWND fitting = add(L"STATIC", L"OK", SS_LEFT, 4, 70, 60);
  const auto width = [&](HWND control) {
    RECT place;
    GetWindowRect(control, &place);
    return place.right - place.left;
  };
  WidenClippedCaptions(window);
  EXPECT_GT(width(free), 100);
  EXPECT_EQ(width(bounded), 80 - 2 - 4);
  EXPECT_EQ(width(neighbour), 40);
  EXPECT_EQ(width(fitting), 60);
  DestroyWindow(window);
}

// Where there is no room left, the text takes the same face a little smaller:
// a group box's title longer than its box, a caption bounded by its
// neighbour, an edit field too narrow for four digits. What fits keeps its
// font, and fitting again starts from the original font.
TEST(CaptionFitTest, TextWithoutRoomTakesASmallerFontAndFittingTextKeepsItsOwn) {
  HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 400, 200, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(window, nullptr);
  HFONT font = CreateFontW(-16, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"Tahoma");
  const auto add = [&](const wchar_t* type, const wchar_t* text, DWORD style, int x, int y, int w) {
    HWND control = CreateWindowExW(0, type, text, WS_CHILD | WS_VISIBLE | style, x, y, w, 20, window, nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return control;
  };
  const auto fontOf = [](HWND control) { return reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)); };
  HWND box = add(L"BUTTON", L"Fuse melted", BS_GROUPBOX, 4, 4, 70);
  HWND bounded = add(L"STATIC", L"Slow-up", SS_LEFT, 4, 40, 50);
  add(L"EDIT", L"12", 0, 58, 40, 40);
  HWND narrowField = add(L"EDIT", L"100", 0, 4, 70, 30);
  HWND wideBox = add(L"BUTTON", L"OK", BS_GROUPBOX, 4, 100, 200);
  HWND wideField = add(L"EDIT", L"1000", 0, 4, 130, 120);
  WidenClippedCaptions(window);
  EXPECT_NE(fontOf(box), font);
  EXPECT_NE(fontOf(bounded), font);
  EXPECT_NE(fontOf(narrowField), font);
  EXPECT_EQ(fontOf(wideBox), font);
  EXPECT_EQ(fontOf(wideField), font);
  // The smaller face is the same face.
  LOGFONTW original{};
  LOGFONTW smaller{};
  GetObjectW(font, sizeof original, &original);
  GetObjectW(fontOf(box), sizeof smaller, &smaller);
  EXPECT_STREQ(smaller.lfFaceName, original.lfFaceName);
  EXPECT_GT(smaller.lfHeight, original.lfHeight);  // negative heights: closer to 0 is smaller
  // Fitted again, with room now: the control gets its own font back.
  SetWindowPos(box, nullptr, 0, 0, 300, 20, SWP_NOMOVE | SWP_NOZORDER);
  const HFONT shrunk = fontOf(bounded);
  WidenClippedCaptions(window);
  EXPECT_EQ(fontOf(box), font);
  EXPECT_EQ(fontOf(bounded), shrunk);  // fitted from the original again: not smaller still
  DestroyWindow(window);
  DeleteObject(font);
}

}  // namespace
}  // namespace klv
