#pragma once
// The numbered texts as a compile-time table, shared by the text lookup and
// the screen captions that the code sets from numbered texts.
#include <array>

#include "text/message_text_table.h"
#include "text/numbered_text.h"

namespace klv::texts_detail {

// Sorted by number. 180 follows the document title directly, so the Japanese
// text starts with its particle; 225, 231, 232 and 233 are pixel sizes.
inline constexpr std::array kNumberedTexts = {
    NumberedText{172, "KlvToolEng.pdf", "KlvTool.pdf"},
    NumberedText{174, "End monitor", "モニタ終了"},
    NumberedText{175, "Log file cannot be created", "ログファイルを作成できません"},
    NumberedText{176, "Start monitor", "モニタ開始"},
    NumberedText{177, "Data record complete", "データ記録完了"},
    NumberedText{178, "System error: file PATH cannot be set",
                 "システムエラー：file PATH を設定できません"},
    NumberedText{179, "Pointer for menu cannot be acquired",
                 "メニューへのポインタを取得できません"},
    NumberedText{180, "Save changes to file?", "への変更を保存しますか？"},
    NumberedText{181, "File writing complete", "ファイル書込み完了"},
    NumberedText{182, "Cancelled", "キャンセルされました"},
    NumberedText{183, "File exception occurred", "ファイル例外発生"},
    NumberedText{184, "File reading complete", "ファイル読込み完了"},
    NumberedText{185, "File data is unauthorized", "ファイルデータが不正です"},
    NumberedText{186, "File cannot be opened", "ファイルを開けません"},
    NumberedText{187, "??Parameter reading failure", "??パラメータ読出し失敗"},
    NumberedText{188, "Parameter reading complete", "パラメータ読出し終了"},
    NumberedText{189, "Parameter reading failure", "パラメータ読出し失敗"},
    NumberedText{191, "?? Parameter writing failure", "??パラメータ書込み失敗"},
    NumberedText{192, "Parameter writing failure", "パラメータ書込み失敗"},
    NumberedText{193, "Parameter writing complete", "パラメータ書込み終了"},
    NumberedText{194, "Variation limit", "変化率制限"},
    NumberedText{195, "Linear", "リニア"},
    NumberedText{197, "System error: new inifile cannot be created",
                 "システムエラー：inifileを新規作成できません"},
    NumberedText{198, "Reading parameter…", "パラメータ読出し中......."},
    NumberedText{199, "Writing parameter…", "パラメータ書込み中......."},
    NumberedText{204, "Model differs", "機種が異なります"},
    NumberedText{205, "Optional information differs", "オプション情報が異なります"},
    NumberedText{206, "Optional information of connected device", "接続機器のオプション情報"},
    NumberedText{207, "Digital control output", "デジタル制御出力"},
    NumberedText{208, "Confirm screen setting", "画面の設定を確認してください"},
    NumberedText{209, "Control input type differs", "制御入力の種類が異なります"},
    NumberedText{210, "Control input type of connected device", "接続機器の制御入力種類"},
    NumberedText{211, "Current input", "電流入力"},
    NumberedText{212, "Voltage input", "電圧入力"},
    NumberedText{213, "Output current detection function", "出力電流検出機能"},
    NumberedText{214, "Analog input", "アナログ入力"},
    NumberedText{215, "Analog output", "アナログ出力"},
    NumberedText{216, "Alarm output 2", "警報出力2"},
    NumberedText{217, "AL/DO output", "AL/DO 出力"},
    NumberedText{218, "output ( V )", "出力 ( V )"},
    NumberedText{219, "output ( A )", "出力 ( A )"},
    NumberedText{220, "output ( kVA )", "出力 ( kVA )"},
    NumberedText{221, "output ( x 0.1% )", "出力 ( × 0.1% )"},
    NumberedText{222, "AL output", "AL 出力"},
    NumberedText{223, "Analog output scaling ( x 0.1% )", "アナログ出力スケーリング ( × 0.1% )"},
    NumberedText{225, "800", "675"},
    NumberedText{226, "Control input scaling ( x 0.1% )", "制御入力スケーリング ( × 0.1% )"},
    NumberedText{227, "Slow-up/slow-down", "スローアップ/スローダウン"},
    NumberedText{228, "Slow-up", "スローアップ"},
    NumberedText{231, "660", "603"},
    NumberedText{232, "690", "630"},
    NumberedText{233, "310", "280"},
    NumberedText{640, "No reply from address %1 on %2 (%3).", "アドレス %1、%2（%3）から応答がありません。"},
    NumberedText{641, "%1 is the model selected, not one detected.", "%1 は選択されている機種で、検出された機種ではありません。"},
    NumberedText{642, "%1 is the model expected, not one detected.", "%1 は想定した機種で、検出された機種ではありません。"},
    NumberedText{643, "Check the cable and the address, or use Find device (Tools > Communication settings)",
                 "ケーブルとアドレスを確認するか、機器検索（ツール > 通信設定）を使ってください"},
    NumberedText{644, "; the exchange is in %1.", "。通信内容は %1 にあります。"},
    NumberedText{645, ".", "。"},
    // Between the items of a list in running text.
    NumberedText{646, ", ", "、"},
    // Said after a failure when the line's echo of the requests was at fault.
    NumberedText{647, "The echo of a request differed from the request sent (Local echo is on): a line fault.",
                 "要求のエコーが送信した要求と異なりました（ローカルエコーがオンです）。回線の障害です。"},
    NumberedText{648, "The request came back instead of a reply: the adapter echoes; turn on Local echo (--echo).",
                 "応答の代わりに要求が返ってきました。アダプターがエコーしています。ローカルエコー（--echo）をオンにしてください。"},
};

// The screens' numbers and the program's messages (from 1000) share one
// range of numbers; each number has one text.
constexpr const NumberedText* FindNumberedText(int number) {
  for (const NumberedText& text : kNumberedTexts) {
    if (text.number == number) return &text;
  }
  for (const NumberedText& text : kMessageTexts) {
    if (text.number == number) return &text;
  }
  return nullptr;
}

}  // namespace klv::texts_detail
