#include <algorithm>
#include <array>

#include "text/texts.h"

namespace klv {

namespace {

// Same structure, commands and shortcuts in both languages; the model names
// are not translated (they are the models' labels).
constexpr std::array kMenuEntries = {
    MenuEntry{MenuItem::File, true, false, "File(&F)", "ファイル(&F)"},
    MenuEntry{MenuItem::New, false, false, "New\tCtrl+N(&N)", "新規作成\tCtrl+N(&N)"},
    MenuEntry{MenuItem::Open, false, false, "Open\tCtrl+O(&O)", "開く\tCtrl+O(&O)"},
    MenuEntry{MenuItem::ReadFromDevice, false, true, "Read from KLV\tCtrl+R(&R)",
              "KLVから読出す\tCtrl+R(&R)"},
    MenuEntry{MenuItem::WriteToDevice, false, false, "Write in KLV\tCtrl+W(&W)",
              "KLVへ書込む\tCtrl+W(&W)"},
    // Menu only: no shortcut key besides the ones operators already know.
    MenuEntry{MenuItem::CompareWithDevice, false, false, "Compare with KLV(&K)", "KLVと比較(&K)"},
    MenuEntry{MenuItem::Save, false, true, "Save\tCtrl+S(&S)", "保存\tCtrl+S(&S)"},
    MenuEntry{MenuItem::SaveAs, false, false, "Save as\tCtrl+A(&A)",
              "名前をつけて保存\tCtrl+A(&A)"},
    MenuEntry{MenuItem::Report, false, false, "Report…", "レポート…"},
    MenuEntry{MenuItem::Exit, false, false, "Exit\tCtrl+X(&X)", "終了\tCtrl+X(&X)"},
    MenuEntry{MenuItem::Tools, true, false, "Tools(&T)", "ツール(&T)"},
    MenuEntry{MenuItem::CommunicationSettings, false, false, "Communication settings\tCtrl+C(&C)",
              "通信設定\tCtrl+C(&C)"},
    MenuEntry{MenuItem::CommunicationLog, false, false, "Communication log\tCtrl+L(&L)",
              "通信ログ\tCtrl+L(&L)"},
    MenuEntry{MenuItem::Monitor, false, true, "Monitor\tCtrl+M(&M)", "モニタ\tCtrl+M(&M)"},
    MenuEntry{MenuItem::RecordData, false, false, "Record data\tCtrl+D(&D)",
              "記録データ\tCtrl+D(&D)"},
    MenuEntry{MenuItem::Model, true, false, "Model(&C)", "機種(&C)"},
    MenuEntry{MenuItem::ModelKlv40, false, false, "KLV40", "KLV40"},
    MenuEntry{MenuItem::ModelKlv30, false, false, "KLV30", "KLV30"},
    MenuEntry{MenuItem::ModelKlv30E, false, false, "KLV30E", "KLV30E"},
    MenuEntry{MenuItem::Help, true, false, "Help(&H)", "ヘルプ(&H)"},
    MenuEntry{MenuItem::Manual, false, false, "Manual\t(&M)", "マニュアル\t(&M)"},
    MenuEntry{MenuItem::VersionInformation, false, false, "Version information\t(&V)",
              "バージョン情報\t(&V)"},
};

}  // namespace

std::span<const MenuEntry> MenuEntries() { return kMenuEntries; }

std::string_view MenuText(MenuItem item, Language language) {
  const auto entry = std::find_if(kMenuEntries.begin(), kMenuEntries.end(),
                                  [item](const MenuEntry& e) { return e.item == item; });
  if (entry == kMenuEntries.end()) return {};
  return language == Language::Japanese ? entry->japanese : entry->english;
}

std::optional<MenuItem> FindMenuItem(std::string_view english) {
  for (const MenuEntry& entry : kMenuEntries) {
    if (entry.english == english) return entry.item;
  }
  return std::nullopt;
}

}  // namespace klv
