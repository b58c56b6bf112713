#pragma once
// The program's texts in English and Japanese: the numbered texts (the
// screens' messages, captions the code sets and window sizes, and the
// program's own messages from 1000), the menu bar and the captions of the
// four screens, plus the rule that picks the language and the screen font of
// each language. All texts are UTF-8 and live for the whole program.
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "text/language.h"
#include "text/text_id.h"

namespace klv {

// ---- Numbered texts --------------------------------------------------------

// The numbered text in that language.
std::string_view Text(TextId id, Language language);

// The numbered text in that language with "%1".."%9" filled in (FillIn).
std::string Text(TextId id, Language language, std::initializer_list<std::string_view> values);

// A numbered text read as a decimal number, for the window sizes
// (225, 231, 232, 233). 0 when the text does not start with digits.
int TextNumber(TextId id, Language language);


struct WindowSize {
  int width = 0;
  int height = 0;
};

// Outer sizes in pixels: English 800 x 660 and 690 x 310, Japanese 675 x 603
// and 630 x 280 (the Japanese font is wider, the layout narrower).
WindowSize MainWindowSize(Language language);
WindowSize MonitorWindowSize(Language language);

// ---- Menu bar ----------------------------------------------------------------

// Popups and their items, in menu-bar order.
enum class MenuItem {
  File,
  New,
  Open,
  ReadFromDevice,
  WriteToDevice,
  CompareWithDevice,
  Save,
  SaveAs,
  Report,
  Exit,
  Tools,
  CommunicationSettings,
  CommunicationLog,
  Monitor,
  RecordData,
  Model,
  ModelKlv40,
  ModelKlv30,
  ModelKlv30E,
  Help,
  Manual,
  VersionInformation,
};

// One menu-bar entry as stored: "\t" separates the shortcut text, "&" marks
// the mnemonic letter. Entries after a popup belong to it until the next popup.
struct MenuEntry {
  MenuItem item;
  bool isPopup;
  bool separatorBefore;  // a separator line sits above this item
  std::string_view english;
  std::string_view japanese;
};

// The whole menu bar in order, popups included.
std::span<const MenuEntry> MenuEntries();

std::string_view MenuText(MenuItem item, Language language);

// The item whose English caption is exactly that text (tab and "&" included).
std::optional<MenuItem> FindMenuItem(std::string_view english);

// ---- Screen captions ---------------------------------------------------------

enum class Screen { MainWindow, CommunicationSettings, Monitor, TrendGraph };

// One caption of a screen. The key is the English caption, except where one
// English caption stands for two different Japanese ones on the same screen.
// Captions that are the same in both languages ("OFF", "COM01", "OK", ...)
// carry the English text as their Japanese one.
struct CaptionText {
  std::string_view key;
  std::string_view english;
  std::string_view japanese;
};

// "Analog output" is both the main window's group of the analog output
// setting and the option check box under "Optional item information" (both
// "アナログ出力" in Japanese). The key "Analog output" gives the group
// caption; this key gives the check box ("Analog output" in English).
inline constexpr std::string_view kAnalogOutputOptionKey = "Analog output (option check box)";

// Every caption of one screen, including the captions the code sets from
// numbered texts (for example "Linear", "End monitor", "output ( V )").
std::span<const CaptionText> ScreenCaptions(Screen screen);

// The caption for a key in that language, looked up on the given screen or,
// without one, on all four screens in the order of Screen. A key found nowhere
// is returned itself, so texts that are the same in both languages pass
// through; that view then refers to the caller's text.
std::string_view Caption(Screen screen, std::string_view key, Language language);
std::string_view Caption(std::string_view key, Language language);

// ---- The window toolkit's own texts ---------------------------------------

// The Japanese of the few texts of the toolkit's file dialogs that its own
// Japanese translation lacks ("Folder", "Drive", "Shortcut", "Unknown");
// empty for any other text.
std::string_view ToolkitJapanese(std::string_view english);

// ---- Fonts -------------------------------------------------------------------

struct ScreenFont {
  std::string_view family;
  int pointSize;
};

// The screens' font: Japanese "ＭＳ Ｐゴシック" 9 pt, English Tahoma 8 pt.
// The window layer substitutes an installed font when the family is missing.
ScreenFont ScreenFontFor(Language language);

}  // namespace klv
