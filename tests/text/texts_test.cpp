#include "text/texts.h"

#include "text/numbered_text_table.h"
#include "text/text_format.h"

#include <gtest/gtest.h>

#include "support/text_checks.h"

#include <map>
#include <set>
#include <utility>
#include <string>
#include <string_view>

namespace klv {
namespace {

using namespace std::string_view_literals;

// The table is checked by the texts' own numbers, typed out independently.
std::string_view Text(int number, Language language) { return klv::Text(static_cast<TextId>(number), language); }
int TextNumber(int number, Language language) { return klv::TextNumber(static_cast<TextId>(number), language); }

// Every number that has a text, typed out independently of the table.
constexpr int kAllTextNumbers[] = {172, 174, 175, 176, 177, 178, 179, 180, 181, 182, 183, 184, 185,
                                   186, 187, 188, 189, 191, 192, 193, 194, 195, 197, 198, 199, 204,
                                   205, 206, 207, 208, 209, 210, 211, 212, 213, 214, 215, 216, 217,
                                   218, 219, 220, 221, 222, 223, 225, 226, 227, 228, 231, 232, 233,
                                   640, 641, 642, 643, 644, 645};

TEST(ChooseLanguage, JapaneseOnlyForTheJapaneseLanguageTag) {
  struct Case {
    std::string_view name;
    Language expected;
  };
  const Case cases[] = {
      {"ja", Language::Japanese},
      {"ja-JP", Language::Japanese},
      {"ja_JP", Language::Japanese},
      {"JA-jp", Language::Japanese},
      {"Ja", Language::Japanese},
      {"ja-Jpan-JP", Language::Japanese},
      {"ja_JP.UTF-8", Language::Japanese},
      {"en-US", Language::English},
      {"en", Language::English},
      {"de-DE", Language::English},
      {"", Language::English},
      {"j", Language::English},
      {"jav", Language::English},
      {"jv-ID", Language::English},
      {"zh-Hans-JP", Language::English},
      {"en-JP", Language::English},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ChooseLanguage(c.name), c.expected) << c.name;
  }
}

TEST(NumberedTexts, RepresentativeTextsInBothLanguages) {
  struct Case {
    int number;
    std::string_view english;
    std::string_view japanese;
  };
  const Case cases[] = {
      {172, "KlvToolEng.pdf", "KlvTool.pdf"},
      {174, "End monitor", "モニタ終了"},
      {178, "System error: file PATH cannot be set", "システムエラー：file PATH を設定できません"},
      {180, "Save changes to file?", "への変更を保存しますか？"},
      {187, "??Parameter reading failure", "??パラメータ読出し失敗"},
      {191, "?? Parameter writing failure", "??パラメータ書込み失敗"},
      {195, "Linear", "リニア"},
      // English ends in one ellipsis character, Japanese in seven full stops.
      {198, "Reading parameter\u2026", "パラメータ読出し中......."},
      {199, "Writing parameter\u2026", "パラメータ書込み中......."},
      {207, "Digital control output", "デジタル制御出力"},
      {216, "Alarm output 2", "警報出力2"},
      {221, "output ( x 0.1% )", "出力 ( \u00d7 0.1% )"},
      {223, "Analog output scaling ( x 0.1% )", "アナログ出力スケーリング ( \u00d7 0.1% )"},
      {227, "Slow-up/slow-down", "スローアップ/スローダウン"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Text(c.number, Language::English), c.english) << c.number;
    EXPECT_EQ(Text(c.number, Language::Japanese), c.japanese) << c.number;
  }
}

TEST(NumberedTexts, SaveQuestionFollowsTheTitleDirectly) {
  const std::string question = std::string("Untitled") + std::string(Text(180, Language::Japanese));
  EXPECT_EQ(question, "Untitledへの変更を保存しますか？");
}

TEST(NumberedTexts, EveryNumberHasATextInBothLanguagesAndOthersHaveNone) {
  std::set<std::string_view> english;
  for (int number : kAllTextNumbers) {
    EXPECT_FALSE(Text(number, Language::English).empty()) << number;
    EXPECT_FALSE(Text(number, Language::Japanese).empty()) << number;
    english.insert(Text(number, Language::English));
  }
  // Distinct texts: a copy-paste slip would show as a duplicate.
  EXPECT_EQ(english.size(), std::size(kAllTextNumbers));

  for (int number : {0, -1, 171, 173, 190, 196, 200, 203, 224, 229, 230, 234, 999}) {
    EXPECT_TRUE(Text(number, Language::English).empty()) << number;
    EXPECT_TRUE(Text(number, Language::Japanese).empty()) << number;
  }
}

TEST(FillIn, ValuesGoWhereTheirNumberStands) {
  struct Case {
    std::string_view pattern;
    std::string_view expected;
  };
  const Case cases[] = {
      {"%2 of %1", "b of a"},          // a language may put them in any order
      {"%1 and %1", "a and a"},        // a value may stand twice
      {"%3 (%4)", " ()"},              // a value not given leaves nothing
      {"%1", "a"},                     //
      {"100% %0 %", "100% %0 %"},      // other percent signs stay
      {"x%2y", "xby"},                 //
  };
  for (const Case& c : cases) EXPECT_EQ(FillIn(c.pattern, {"a", "b"}), c.expected) << c.pattern;
  // A value that reads like a placeholder is copied, not filled in again.
  EXPECT_EQ(FillIn("%1 %2", {"%2", "b"}), "%2 b");
}

TEST(NumberedTexts, FilledInTheWordOrderOfEachLanguage) {
  EXPECT_EQ(klv::Text(TextId::ReadIncompleteCount, Language::English, {"3", "10"}),
            "Parameter reading incomplete: 3 of 10 registers read");
  EXPECT_EQ(klv::Text(TextId::ReadIncompleteCount, Language::Japanese, {"3", "10"}),
            "パラメータ読出し未完了: 10 レジスタ中 3 レジスタを読出し");
  EXPECT_EQ(klv::Text(TextId::PortDeniedJoinGroup, Language::English, {"/dev/ttyUSB0", "dialout"}),
            "/dev/ttyUSB0: permission denied; join the group \"dialout\" that owns it (sudo usermod -aG dialout "
            "$USER) and log in again");
}

using test::HasNonAscii;
using test::Placeholders;

TEST(MessageTexts, EveryMessageIsTranslatedWithTheSameValuesAndSaidOnce) {
  std::map<std::pair<std::string_view, std::string_view>, int> seen;
  for (const texts_detail::NumberedText& text : texts_detail::kMessageTexts) {
    SCOPED_TRACE(text.number);
    EXPECT_GE(text.number, 1000);
    // Looked up through its name like every other text.
    EXPECT_EQ(klv::Text(static_cast<TextId>(text.number), Language::Japanese), text.japanese);
    EXPECT_FALSE(text.english.empty());
    EXPECT_TRUE(HasNonAscii(text.japanese) || text.japanese != text.english);
    EXPECT_EQ(Placeholders(text.english), Placeholders(text.japanese));
    // One number per text: a second copy would drift from the first.
    EXPECT_TRUE(seen.emplace(std::pair(text.english, text.japanese), text.number).second);
  }
}

TEST(ToolkitTexts, OnlyTheTextsTheToolkitLacksAreGiven) {
  EXPECT_EQ(ToolkitJapanese("Folder"), "フォルダ");
  EXPECT_EQ(ToolkitJapanese("Unknown"), "不明");
  EXPECT_TRUE(ToolkitJapanese("Folders").empty());
  EXPECT_TRUE(ToolkitJapanese("").empty());
}

TEST(NumberedTexts, WindowSizesPerLanguage) {
  EXPECT_EQ(TextNumber(225, Language::English), 800);
  EXPECT_EQ(TextNumber(231, Language::English), 660);
  EXPECT_EQ(TextNumber(232, Language::English), 690);
  EXPECT_EQ(TextNumber(233, Language::English), 310);
  EXPECT_EQ(TextNumber(225, Language::Japanese), 675);
  EXPECT_EQ(TextNumber(231, Language::Japanese), 603);
  EXPECT_EQ(TextNumber(232, Language::Japanese), 630);
  EXPECT_EQ(TextNumber(233, Language::Japanese), 280);

  const WindowSize main = MainWindowSize(Language::Japanese);
  const WindowSize monitor = MonitorWindowSize(Language::English);
  EXPECT_EQ(main.width, 675);
  EXPECT_EQ(main.height, 603);
  EXPECT_EQ(monitor.width, 690);
  EXPECT_EQ(monitor.height, 310);

  // A text that is no number, or no text at all, reads as 0.
  EXPECT_EQ(TextNumber(180, Language::English), 0);
  EXPECT_EQ(TextNumber(224, Language::English), 0);
}

TEST(MenuTexts, EveryItemInBothLanguages) {
  EXPECT_EQ(MenuText(MenuItem::File, Language::Japanese), "ファイル(&F)");
  // English marks the mnemonic in the word, Japanese after it; the key column holds keys only.
  EXPECT_EQ(MenuText(MenuItem::ReadFromDevice, Language::English), "&Read from KLV\tCtrl+R");
  EXPECT_EQ(MenuText(MenuItem::ReadFromDevice, Language::Japanese), "KLVから読出す(&R)\tCtrl+R");
  EXPECT_EQ(MenuText(MenuItem::SaveAs, Language::Japanese), "名前をつけて保存(&A)\tCtrl+A");
  EXPECT_EQ(MenuText(MenuItem::Model, Language::Japanese), "機種(&C)");
  EXPECT_EQ(MenuText(MenuItem::ModelKlv30E, Language::Japanese), "KLV30E");
  EXPECT_EQ(MenuText(MenuItem::Manual, Language::Japanese), "マニュアル(&M)\tF1");

  // Every item exists once, in both languages, and is found by its English caption.
  std::set<MenuItem> seen;
  for (const MenuEntry& entry : MenuEntries()) {
    EXPECT_TRUE(seen.insert(entry.item).second);
    EXPECT_FALSE(entry.english.empty());
    EXPECT_FALSE(entry.japanese.empty());
    EXPECT_EQ(FindMenuItem(entry.english), entry.item) << entry.english;
  }
  EXPECT_EQ(seen.size(), static_cast<std::size_t>(MenuItem::VersionInformation) + 1);
  EXPECT_FALSE(FindMenuItem("Read from KLV").has_value());  // the tab belongs to the caption
}

TEST(MenuTexts, StructureOfTheMenuBar) {
  std::string popups;
  std::string separated;
  for (const MenuEntry& entry : MenuEntries()) {
    if (entry.isPopup) popups += std::string(entry.english) + ";";
    if (entry.separatorBefore) separated += std::string(entry.english) + ";";
  }
  EXPECT_EQ(popups, "&File;&Tools;&Model;&Help;");
  EXPECT_EQ(separated, "&Read from KLV\tCtrl+R;&Save\tCtrl+S;E&xit\tCtrl+X;&Monitor\tCtrl+M;");
}

TEST(Captions, JapaneseByEnglishCaption) {
  struct Case {
    Screen screen;
    std::string_view english;
    std::string_view japanese;
  };
  const Case cases[] = {
      {Screen::MainWindow, "Key lock", "キーロック"},
      {Screen::MainWindow, "( x 0.1% )", "( \u00d7 0.1% )"},
      {Screen::MainWindow, ":", "："},
      {Screen::MainWindow, "Alarm output 2", "警報出力２"},
      {Screen::MainWindow, "Digital control output", "ディジタル制御出力"},
      {Screen::MainWindow, "( Ramp higher limit setting x VR2 )", "(勾配上限設定×VR2)"},
      {Screen::MainWindow, "Variation limit", "変化率制限"},
      {Screen::MainWindow, "Control input scaling ( x 0.1% )", "制御入力スケーリング ( × 0.1% )"},
      {Screen::CommunicationSettings, "Communication settings", "通信設定"},
      {Screen::CommunicationSettings, "Port", "ポート "},  // with its trailing blank
      {Screen::CommunicationSettings, "Cancel", "キャンセル"},
      {Screen::Monitor, "Load voltage ( V )", "負荷電圧 ( V )"},
      {Screen::Monitor, "Load current  ( x 0.1A )", "負荷電流 ( × 0.1A )"},
      {Screen::Monitor, "DI input", "DＩ 入力"},
      {Screen::Monitor, "Data record [control input/control output]",
       "データ記録 [ 制御入力／制御出力 ]"},
      {Screen::Monitor, "End monitor", "モニタ終了"},
      {Screen::Monitor, "AL output", "AL 出力"},
      {Screen::TrendGraph, "Graph display", "グラフ表示"},
      {Screen::TrendGraph, "<Control output>", "<制御出力>"},
      {Screen::MainWindow, "Untitled", "無題"},  // a new document's name
      {Screen::Monitor, "Monitor", "モニタ"},     // the window title's first word
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Caption(c.screen, c.english, Language::Japanese), c.japanese) << c.english;
    EXPECT_EQ(Caption(c.screen, c.english, Language::English), c.english) << c.english;
    EXPECT_EQ(Caption(c.english, Language::Japanese), c.japanese) << c.english;
  }
}

TEST(Captions, AnalogOutputGroupAndOptionCheckBoxHaveTheirOwnKeys) {
  EXPECT_EQ(Caption("Analog output", Language::Japanese), "アナログ出力");
  EXPECT_EQ(Caption(kAnalogOutputOptionKey, Language::Japanese), "アナログ出力");
  EXPECT_EQ(Caption(kAnalogOutputOptionKey, Language::English), "Analog output");
  EXPECT_EQ(Caption(Screen::MainWindow, "Analog output", Language::English), "Analog output");
}

TEST(Captions, SameInBothLanguagesAndUnknownPassThrough) {
  for (std::string_view text :
       {"OFF"sv, "ON"sv, "AL1"sv, "VR1"sv, "DO-1"sv, "EVEN"sv, "COM01"sv, "COM24"sv, "19200"sv,
        "OK"sv, "KLV Loader"sv, "4-20mA"sv, "100.0%"sv}) {
    EXPECT_EQ(Caption(text, Language::Japanese), text);
    EXPECT_EQ(Caption(text, Language::English), text);
  }
  const std::string unknown = "No such caption";
  EXPECT_EQ(Caption(unknown, Language::Japanese), unknown);
  EXPECT_EQ(Caption(Screen::TrendGraph, "Key lock", Language::Japanese), "Key lock");
}

TEST(Captions, CaptionsSetFromNumberedTextsAgreeWithThem) {
  struct Case {
    Screen screen;
    int number;
  };
  const Case cases[] = {
      {Screen::MainWindow, 194}, {Screen::MainWindow, 195}, {Screen::MainWindow, 223},
      {Screen::MainWindow, 226}, {Screen::MainWindow, 227}, {Screen::MainWindow, 228},
      {Screen::Monitor, 174},    {Screen::Monitor, 176},    {Screen::Monitor, 217},
      {Screen::Monitor, 218},    {Screen::Monitor, 219},    {Screen::Monitor, 220},
      {Screen::Monitor, 221},    {Screen::Monitor, 222},
  };
  for (const Case& c : cases) {
    for (Language language : {Language::English, Language::Japanese}) {
      EXPECT_EQ(Caption(c.screen, Text(c.number, Language::English), language),
                Text(c.number, language))
          << c.number;
    }
  }
}

TEST(Captions, EveryScreenTableIsWellFormed) {
  for (Screen screen :
       {Screen::MainWindow, Screen::CommunicationSettings, Screen::Monitor, Screen::TrendGraph}) {
    std::set<std::string_view> keys;
    for (const CaptionText& caption : ScreenCaptions(screen)) {
      EXPECT_FALSE(caption.english.empty());
      EXPECT_FALSE(caption.japanese.empty());
      EXPECT_TRUE(keys.insert(caption.key).second) << "duplicate key " << caption.key;
      // Every entry is reachable by its own key on its own screen.
      EXPECT_EQ(Caption(screen, caption.key, Language::Japanese), caption.japanese);
    }
  }
}

// Half-width katakana (U+FF61..U+FF9F) in UTF-8: EF BD A1..EF BD BF or
// EF BE 80..EF BE 9F. Their detached sound marks render badly beside the
// full-width kana of the system's own dialogs.
bool HasHalfWidthKatakana(std::string_view text) {
  for (std::size_t i = 0; i + 2 < text.size(); ++i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[i + k]); };
    if (byte(0) != 0xEF) continue;
    if ((byte(1) == 0xBD && byte(2) >= 0xA1 && byte(2) <= 0xBF) ||
        (byte(1) == 0xBE && byte(2) >= 0x80 && byte(2) <= 0x9F)) {
      return true;
    }
  }
  return false;
}

TEST(JapaneseTexts, HalfWidthKatakanaIsFoundWhereItIs) {
  EXPECT_TRUE(HasHalfWidthKatakana("\uFF61"));
  EXPECT_TRUE(HasHalfWidthKatakana("電流\uFF98\uFF90\uFF6F\uFF80"));
  EXPECT_TRUE(HasHalfWidthKatakana("x\uFF9F"));
  EXPECT_FALSE(HasHalfWidthKatakana("\uFF60 \uFFA0 \uFF41 ポート アナログ"));
}

TEST(JapaneseTexts, EveryDisplayedTextIsInFullWidthKatakana) {
  for (const int number : kAllTextNumbers) {
    EXPECT_FALSE(HasHalfWidthKatakana(Text(number, Language::Japanese))) << number;
  }
  for (const MenuEntry& entry : MenuEntries()) EXPECT_FALSE(HasHalfWidthKatakana(entry.japanese)) << entry.english;
  for (const Screen screen : {Screen::MainWindow, Screen::CommunicationSettings, Screen::Monitor, Screen::TrendGraph}) {
    for (const CaptionText& caption : ScreenCaptions(screen)) {
      EXPECT_FALSE(HasHalfWidthKatakana(caption.japanese)) << caption.key;
    }
  }
  EXPECT_EQ(Caption(Screen::CommunicationSettings, "Cancel", Language::Japanese), "キャンセル");
  EXPECT_EQ(Text(195, Language::Japanese), "リニア");
}

TEST(Fonts, PerLanguage) {
  const ScreenFont japanese = ScreenFontFor(Language::Japanese);
  const ScreenFont english = ScreenFontFor(Language::English);
  EXPECT_EQ(japanese.family, "ＭＳ Ｐゴシック");
  EXPECT_EQ(japanese.pointSize, 9);
  EXPECT_EQ(english.family, "Tahoma");
  EXPECT_EQ(english.pointSize, 8);
}

}  // namespace
}  // namespace klv
