#include <algorithm>
#include <array>

#include "text/texts.h"

namespace klv {

namespace {

// Same structure, commands and shortcuts in both languages; the model names
// are not translated (they are the models' labels).
constexpr std::array kMenuEntries = {
    MenuEntry{MenuItem::File, true, false, "&File", "ファイル(&F)"},
    MenuEntry{MenuItem::New, false, false, "&New\tCtrl+N", "新規作成(&N)\tCtrl+N"},
    MenuEntry{MenuItem::Open, false, false, "&Open\tCtrl+O", "開く(&O)\tCtrl+O"},
    MenuEntry{MenuItem::ReadFromDevice, false, true, "&Read from KLV\tCtrl+R", "KLVから読出す(&R)\tCtrl+R"},
    MenuEntry{MenuItem::WriteToDevice, false, false, "&Write in KLV\tCtrl+W", "KLVへ書込む(&W)\tCtrl+W"},
    // Menu only: no shortcut key besides the ones operators already know.
    MenuEntry{MenuItem::CompareWithDevice, false, false, "Compare with &KLV", "KLVと比較(&K)"},
    MenuEntry{MenuItem::Save, false, true, "&Save\tCtrl+S", "保存(&S)\tCtrl+S"},
    MenuEntry{MenuItem::SaveAs, false, false, "Save &as\tCtrl+A", "名前をつけて保存(&A)\tCtrl+A"},
    MenuEntry{MenuItem::Report, false, false, "Report…", "レポート…"},
    MenuEntry{MenuItem::Exit, false, true, "E&xit\tCtrl+X", "終了(&X)\tCtrl+X"},
    MenuEntry{MenuItem::Tools, true, false, "&Tools", "ツール(&T)"},
    MenuEntry{MenuItem::CommunicationSettings, false, false, "&Communication settings\tCtrl+C",
              "通信設定(&C)\tCtrl+C"},
    MenuEntry{MenuItem::CommunicationLog, false, false, "Communication &log\tCtrl+L", "通信ログ(&L)\tCtrl+L"},
    MenuEntry{MenuItem::Monitor, false, true, "&Monitor\tCtrl+M", "モニタ(&M)\tCtrl+M"},
    MenuEntry{MenuItem::RecordData, false, false, "Record &data\tCtrl+D", "記録データ(&D)\tCtrl+D"},
    MenuEntry{MenuItem::Model, true, false, "&Model", "機種(&C)"},
    MenuEntry{MenuItem::ModelKlv40, false, false, "KLV40", "KLV40"},
    MenuEntry{MenuItem::ModelKlv30, false, false, "KLV30", "KLV30"},
    MenuEntry{MenuItem::ModelKlv30E, false, false, "KLV30E", "KLV30E"},
    MenuEntry{MenuItem::Help, true, false, "&Help", "ヘルプ(&H)"},
    MenuEntry{MenuItem::Manual, false, false, "&Manual\tF1", "マニュアル(&M)\tF1"},
    MenuEntry{MenuItem::VersionInformation, false, false, "&Version information", "バージョン情報(&V)"},
};

}  // namespace

std::span<const MenuEntry> MenuEntries() { return kMenuEntries; }

std::string_view MenuText(MenuItem item, Language language) {
  const auto entry = std::find_if(kMenuEntries.begin(), kMenuEntries.end(),
                                  [item](const MenuEntry& e) { return e.item == item; });
  if (entry == kMenuEntries.end()) return {};
  return InLanguage(language, entry->english, entry->japanese);
}

std::optional<MenuItem> FindMenuItem(std::string_view english) {
  for (const MenuEntry& entry : kMenuEntries) {
    if (entry.english == english) return entry.item;
  }
  return std::nullopt;
}

}  // namespace klv
