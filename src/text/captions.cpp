#include <algorithm>
#include <array>

#include "text/numbered_text_table.h"
#include "text/texts.h"

namespace klv {

namespace {

// A caption that reads the same in both languages (codes, units, numbers).
constexpr CaptionText Same(std::string_view text) { return {text, text, text}; }

// A caption the code sets from a numbered text; an unknown number does not compile.
constexpr CaptionText FromText(int number) {
  const texts_detail::NumberedText* text = texts_detail::FindNumberedText(number);
  return {text->english, text->english, text->japanese};
}

// Main window: group boxes, buttons, labels and units, then the fixed texts,
// then the captions that the model layouts set.
constexpr std::array kMainWindow = {
    CaptionText{"Number", "Number", "数値"},
    CaptionText{"Ramp higher limit setting only", "Ramp higher limit setting only",
                "勾配上限設定のみ"},
    CaptionText{"Potential", "Potential", "ポテンショ"},
    CaptionText{"Contact", "Contact", "接点"},
    CaptionText{"Voltage pulse", "Voltage pulse", "電圧パルス"},
    CaptionText{"Key lock", "Key lock", "キーロック"},
    CaptionText{"Alarm allocation", "Alarm allocation", "警報割付"},
    CaptionText{"Fuse melted", "Fuse melted", "ヒューズ溶断"},
    CaptionText{"Power supply error", "Power supply error", "電源異常"},
    CaptionText{"Current error", "Current error", "電流異常"},
    CaptionText{"H/W error", "H/W error", "H/W異常"},
    CaptionText{"Temperature error", "Temperature error", "温度異常"},
    CaptionText{"Heater break", "Heater break", "ヒータ断線"},
    CaptionText{"Ramp lower limit", "Ramp lower limit", "勾配下限"},
    CaptionText{"Ramp higher limit selection", "Ramp higher limit selection", "勾配上限選択"},
    CaptionText{"Slow-up/slow-down", "Slow-up/slow-down", "スローアップ/スローダウン"},
    CaptionText{"Current limiter ( % )", "Current limiter ( % )", "電流リミッタ ( % )"},
    CaptionText{"Analog input", "Analog input", "アナログ入力"},
    CaptionText{"Analog output", "Analog output", "アナログ出力"},
    CaptionText{"Control input", "Control input", "制御入力"},
    CaptionText{"Power supply instantaneous", "Power supply instantaneous", "電源瞬停"},
    CaptionText{"Slow-up", "Slow-up", "スローアップ"},
    CaptionText{"Slow-down", "Slow-down", "スローダウン"},
    CaptionText{":", ":", "："},
    CaptionText{"Limiter when booting", "Limiter when booting", "起動時リミッタ"},
    CaptionText{"Output limiter", "Output limiter", "出力リミッタ"},
    CaptionText{"Limiter time", "Limiter time", "リミッタ時間"},
    CaptionText{"( x 0.1% )", "( x 0.1% )", "( × 0.1% )"},
    CaptionText{"( x 0.1sec )", "( x 0.1sec )", "( × 0.1sec )"},
    CaptionText{"Analog output scaling ( x 0.1% )", "Analog output scaling ( x 0.1% )",
                "アナログ出力スケーリング ( × 0.1% )"},
    CaptionText{"Lower limit value", "Lower limit value", "下限値"},
    CaptionText{"Higher limit value", "Higher limit value", "上限値"},
    CaptionText{"Heater break alarm current", "Heater break alarm current", "ヒータ断線警報電流"},
    CaptionText{"Manual operation", "Manual operation", "マニュアル動作"},
    CaptionText{"EXE setting", "EXE setting", "EXE設定"},
    CaptionText{"Restrictions when booting", "Restrictions when booting", "起動時制限"},
    CaptionText{"Current", "Current", "電流"},
    CaptionText{"Voltage", "Voltage", "電圧"},
    CaptionText{"Output current detection function", "Output current detection function",
                "出力電流検出機能"},
    CaptionText{"Analog auxiliary input", "Analog auxiliary input", "アナログ補助入力"},
    CaptionText{"Alarm output 2", "Alarm output 2", "警報出力２"},
    CaptionText{"Digital control output", "Digital control output", "ディジタル制御出力"},
    CaptionText{"Optional item information", "Optional item information", "オプション情報"},
    CaptionText{kAnalogOutputOptionKey, "Analog output", "アナログ出力"},
    CaptionText{"stop handling function", "stop handling function", "対応機能"},
    CaptionText{"( Ramp higher limit setting x VR1 )", "( Ramp higher limit setting x VR1 )",
                "(勾配上限設定×VR1)"},
    CaptionText{"Ramp higher limit setting", "Ramp higher limit setting", "勾配上限設定"},
    CaptionText{"( Ramp higher limit setting x VR2 )", "( Ramp higher limit setting x VR2 )",
                "(勾配上限設定×VR2)"},
    Same("KLV Loader"),
    CaptionText{"Untitled", "Untitled", "無題"},
    Same("OFF"),
    Same("ON"),
    Same("AL1"),
    Same("AL2"),
    Same("non"),
    Same("( % )"),
    Same("VR1"),
    Same("VR2"),
    Same("VR3"),
    Same("DO-1"),
    Same("DO-2"),
    Same("STY"),
    Same("EXE"),
    Same("HB"),
    Same("DI-1"),
    Same("DI-2"),
    Same("DI-3"),
    Same("POS"),
    Same("INV"),
    Same("NON"),
    Same("GAIN"),
    Same("OUTP"),
    Same("INPT"),
    Same("4-20mA"),
    Same("0-20mA"),
    Same("0-1V"),
    Same("1-5V"),
    Same("0-10V"),
    Same("KLV30"),
    Same("KLV30E"),
    Same("KLV40"),
    FromText(194),
    FromText(195),
    FromText(226),
};

// Communication settings; the port buttons read COM13 to COM24 while "+ 12"
// is ticked, and the protocol group is never shown but still has captions.
constexpr std::array kCommunicationSettings = {
    CaptionText{"Communication settings", "Communication settings", "通信設定"},
    CaptionText{"Port", "Port", "ポート "},
    CaptionText{"Parity", "Parity", "パリティ"},
    CaptionText{"Time out", "Time out", "タイムアウト"},
    CaptionText{"Data record sampling", "Data record sampling", "データ記録サンプリング"},
    CaptionText{"Data record time", "Data record time", "データ記録時間"},
    CaptionText{"Speed", "Speed", "速度"},
    CaptionText{"Stop bit", "Stop bit", "ストップビット"},
    CaptionText{"Machine address", "Machine address", "機器アドレス"},
    CaptionText{"Cancel", "Cancel", "キャンセル"},
    Same("COM01"),
    Same("COM02"),
    Same("COM03"),
    Same("COM04"),
    Same("COM05"),
    Same("COM06"),
    Same("COM07"),
    Same("COM08"),
    Same("COM09"),
    Same("COM10"),
    Same("COM11"),
    Same("COM12"),
    Same("COM13"),
    Same("COM14"),
    Same("COM15"),
    Same("COM16"),
    Same("COM17"),
    Same("COM18"),
    Same("COM19"),
    Same("COM20"),
    Same("COM21"),
    Same("COM22"),
    Same("COM23"),
    Same("COM24"),
    Same("+ 12"),
    Same("EVEN"),
    Same("NON"),
    Same("ODD"),
    Same("50 ms"),
    Same("100 ms"),
    Same("200 ms"),
    CaptionText{"10 sec", "10 sec", "10秒"},
    CaptionText{"1 min.", "1 min.", "1分"},
    CaptionText{"5 min.", "5 min.", "5分"},
    CaptionText{"10 min.", "10 min.", "10分"},
    CaptionText{"1 hour", "1 hour", "1時間"},
    CaptionText{"24 hour", "24 hour", "24時間"},
    Same("19200"),
    Same("9600"),
    Same("1"),
    Same("2"),
    Same("TORVALEK"),
    Same("Modbus RTU"),
    Same("Modbus ASCII"),
    Same("OK"),
};

// Monitor: buttons, data record check box, row captions, lamp labels, then
// the captions that monitoring sets (start/stop button, model-dependent rows).
constexpr std::array kMonitor = {
    CaptionText{"Monitor start", "Monitor start", "モニタ開始"},
    CaptionText{"Graph display", "Graph display", "グラフ表示"},
    CaptionText{"Close", "Close", "閉じる"},
    CaptionText{"Data record [control input/control output]",
                "Data record [control input/control output]", "データ記録 [ 制御入力／制御出力 ]"},
    CaptionText{"Output ( x 0.1% )", "Output ( x 0.1% )", "出力 ( × 0.1% )"},
    CaptionText{"Load voltage ( V )", "Load voltage ( V )", "負荷電圧 ( V )"},
    CaptionText{"Load current  ( x 0.1A )", "Load current  ( x 0.1A )", "負荷電流 ( × 0.1A )"},
    CaptionText{"Load power ( x 0.01VA )", "Load power ( x 0.01VA )", "負荷電力 ( × 0.01VA )"},
    CaptionText{"Control input ( x 0.1% )", "Control input ( x 0.1% )", "制御入力 ( × 0.1% )"},
    CaptionText{"VR1 operation amount ( x 0.1% )", "VR1 operation amount ( x 0.1% )",
                "VR1 操作量 ( × 0.1% )"},
    CaptionText{"VR2 operation amount ( x 0.1% )", "VR2 operation amount ( x 0.1% )",
                "VR2 操作量 ( × 0.1% )"},
    CaptionText{"VR3 operation amount ( x 0.1% )", "VR3 operation amount ( x 0.1% )",
                "VR3 操作量 ( × 0.1% )"},
    CaptionText{"AL/DO output", "AL/DO output", "AL/DO 出力"},
    CaptionText{"DI input", "DI input", "DＩ 入力"},
    CaptionText{"Analog input ( x 0.1% )", "Analog input ( x 0.1% )", "アナログ入力 ( × 0.1% )"},
    CaptionText{"Analog output ( x 0.1% )", "Analog output ( x 0.1% )", "アナログ出力 ( × 0.1% )"},
    CaptionText{"Monitor", "Monitor", "モニタ"},
    Same("AL1"),
    Same("AL2"),
    Same("DO1"),
    Same("DO2"),
    Same("DI1"),
    Same("DI2"),
    Same("DI3"),
    FromText(174),
    FromText(176),
    FromText(218),
    FromText(219),
    FromText(220),
    FromText(221),
    FromText(222),
};

// Trend graph: title, legends, scale labels and the OK button.
constexpr std::array kTrendGraph = {
    CaptionText{"Graph display", "Graph display", "グラフ表示"},
    CaptionText{"<Control input>", "<Control input>", "<制御入力>"},
    CaptionText{"<Control output>", "<Control output>", "<制御出力>"},
    Same("100.0%"),
    Same("50.0%"),
    Same("0.0%"),
    Same("OK"),
    CaptionText{"Save picture…", "Save picture…", "画像を保存…"},
    CaptionText{"Save data…", "Save data…", "データを保存…"},
};

const CaptionText* FindCaption(std::span<const CaptionText> captions, std::string_view key) {
  const auto found = std::find_if(captions.begin(), captions.end(),
                                  [key](const CaptionText& c) { return c.key == key; });
  return found == captions.end() ? nullptr : &*found;
}

std::string_view Pick(const CaptionText* caption, std::string_view key, Language language) {
  if (caption == nullptr) return key;
  return InLanguage(language, caption->english, caption->japanese);
}

}  // namespace

std::span<const CaptionText> ScreenCaptions(Screen screen) {
  switch (screen) {
    case Screen::MainWindow:
      return kMainWindow;
    case Screen::CommunicationSettings:
      return kCommunicationSettings;
    case Screen::Monitor:
      return kMonitor;
    case Screen::TrendGraph:
      return kTrendGraph;
  }
  return {};
}

std::string_view Caption(Screen screen, std::string_view key, Language language) {
  return Pick(FindCaption(ScreenCaptions(screen), key), key, language);
}

std::string_view Caption(std::string_view key, Language language) {
  for (Screen screen :
       {Screen::MainWindow, Screen::CommunicationSettings, Screen::Monitor, Screen::TrendGraph}) {
    if (const CaptionText* caption = FindCaption(ScreenCaptions(screen), key)) {
      return Pick(caption, key, language);
    }
  }
  return key;
}

}  // namespace klv
