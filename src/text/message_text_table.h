#pragma once
// The program's own messages and captions (numbers from 1000), in the same
// form as the numbered texts and looked up with them (numbered_text_table.h).
// "%1".."%9" are filled in by FillIn.
#include <array>

#include "text/numbered_text.h"

namespace klv::texts_detail {

inline constexpr std::array kMessageTexts = {
    // Serial ports: %1 the device.
    NumberedText{1000, "%1: no such port", "%1: そのポートはありません"},
    NumberedText{1001, "%1: no such device", "%1: デバイスがありません"},
    NumberedText{1002, "%1: busy, in use by another program", "%1: 使用中です（ほかのプログラムが使っています）"},
    NumberedText{1003, "%1: permission denied; owned by %2, mode %3",
                 "%1: アクセスが許可されていません（所有者 %2、モード %3）"},
    NumberedText{1004, "%1: permission denied", "%1: アクセスが許可されていません"},
    NumberedText{1005, "%1: permission denied; join the group \"%2\" that owns it (sudo usermod -aG %2 $USER) and log in again",
                 "%1: アクセスが許可されていません。デバイスを所有するグループ「%2」に参加して (sudo usermod -aG %2 $USER)、ログインし直してください"},
    NumberedText{1006, "%1: this is the terminal the program runs in, not a serial port",
                 "%1: プログラムが動いている端末です。シリアルポートではありません"},
    // Lines over the network: %1 HOST:PORT (the address as written for 1012).
    NumberedText{1007, "could not connect to %1 within %2 s; check that the device server is on and reachable (host, port, network cable, firewall)",
                 "%1 に %2 秒以内に接続できませんでした。デバイスサーバの電源と、ホスト、ポート番号、ネットワークケーブル、ファイアウォールを確認してください"},
    NumberedText{1008, "%1: connection refused; check the port number and that the device server has this port enabled",
                 "%1: 接続を拒否されました。ポート番号と、デバイスサーバでこのポートが有効になっていることを確認してください"},
    NumberedText{1009, "%1: unknown host; check the host name, or give its IP address",
                 "%1: ホストが見つかりません。ホスト名を確認するか、IP アドレスを指定してください"},
    NumberedText{1010, "%1: the server closed the connection; the port may be in use by another client: close it there and try again",
                 "%1: サーバが接続を閉じました。ほかのクライアントがポートを使っている可能性があります。そちらを閉じてからやり直してください"},
    NumberedText{1011, "%1: the server refused the RFC 2217 line settings (COM-PORT-OPTION); set the line on the server and use tcp://%1 instead",
                 "%1: サーバが RFC 2217 の回線設定（COM-PORT-OPTION）を拒否しました。回線をサーバ側で設定し、代わりに tcp://%1 を使ってください"},
    NumberedText{1012, "%1: not a network address; write tcp://HOST:PORT or rfc2217://HOST:PORT",
                 "%1: ネットワークアドレスではありません。tcp://ホスト:ポート または rfc2217://ホスト:ポート と書いてください"},

    // Transfers.
    NumberedText{1100, "\nRefused by the device: %1", "\nエラー応答のレジスタ: %1"},
    NumberedText{1101, "\nNo valid reply: %1", "\n正常な応答のないレジスタ: %1"},
    NumberedText{1102, "Parameter reading incomplete: the options of the connected device could not be read",
                 "パラメータ読出し未完了: 接続機器のオプション情報を読み出せませんでした"},
    // %1 registers done, %2 asked.
    NumberedText{1103, "Parameter reading incomplete: %1 of %2 registers read",
                 "パラメータ読出し未完了: %2 レジスタ中 %1 レジスタを読出し"},
    NumberedText{1104, "\n\nThe values read have not been used.", "\n\n読み出した値は使用していません。"},
    NumberedText{1105, "Parameter writing incomplete: %1 of %2 registers written",
                 "パラメータ書込み未完了: %2 レジスタ中 %1 レジスタを書込み"},
    NumberedText{1106, "\n\nThe device may now hold a mix of old and new values.",
                 "\n\n接続機器には新旧の値が混在している可能性があります。"},
    // %1 register, %2 value, %3..%4 its limits.
    NumberedText{1107, "\n%1 = %2 (%3..%4): check the regulator", "\n%1 = %2 (%3..%4): 接続機器を確認してください"},
    NumberedText{1108, "\n%1 not written: not used in control mode %2",
                 "\n%1 は書き込んでいません: 制御モード %2 では使用しません"},
    NumberedText{1109, "Output current detection: not fitted (0102 did not answer)",
                 "出力電流検出：なし（0102 が応答しませんでした）"},
    NumberedText{1110, "Values outside their range; nothing was written:", "範囲外の値があるため、何も書き込んでいません:"},
    // %1 registers done, %2 planned.
    NumberedText{1111, "Cancelled: %1 of %2 registers written; the regulator may hold a mix of old and new values.",
                 "中止しました: %2 レジスタ中 %1 レジスタを書き込みました。調整器には新旧の値が混在している可能性があります。"},
    NumberedText{1112, "Cancelled: %1 of %2 registers read; nothing was saved.",
                 "中止しました: %2 レジスタ中 %1 レジスタを読み出しました。何も保存していません。"},
    NumberedText{1113, "Verifying…", "照合中......."},
    NumberedText{1114, "Verified: all %1 registers read back equal", "照合済み: 全 %1 レジスタの読出し値が一致しました"},
    // %1 failing, %2 checked.
    NumberedText{1115, "Verification failed: %1 of %2 registers do not read back equal",
                 "照合失敗: %2 レジスタ中 %1 レジスタが一致しません"},
    NumberedText{1116, "\n  %1: written %2, read back %3", "\n  %1: 書込み値 %2、読出し値 %3"},
    NumberedText{1117, "\n  %1: no valid reply when read back", "\n  %1: 読出しに正常な応答なし"},
    NumberedText{1118, "The transfer cannot be started: the system could not start its thread.",
                 "転送を開始できません（スレッドを作成できません）"},
    NumberedText{1150, "Nothing to write: the regulator already holds these values",
                 "書き込む値はありません：調整器はすでにこれらの値を保持しています"},
    // %1 how many, %2 their registers.
    NumberedText{1151, "\nChanged values written: %1 registers (%2)", "\n変更した値を書き込みました：%1 レジスタ（%2）"},

    // Monitoring. The sampling and record-time words start the record's file name.
    NumberedText{1200, "10sec-sample ", "10秒周期 "},
    NumberedText{1201, "1min-sample ", "1分周期 "},
    NumberedText{1202, "5min-sample ", "5分周期 "},
    NumberedText{1203, "\?\?-sample ", "\?\?周期 "},
    NumberedText{1204, "10min-log ", "10分記録 "},
    NumberedText{1205, "1hour-log ", "1時間記録 "},
    NumberedText{1206, "24hour-log ", "24時間記録 "},
    NumberedText{1207, "\?\?-log ", "\?\?記録 "},
    // Short: they share the status line's room with the data record's status.
    NumberedText{1208, "Line lost: no reply", "回線断: 応答なし"},
    NumberedText{1209, "Line lost: reconnecting", "回線断: 再接続中"},
    NumberedText{1210, "Line unreliable: replies out of step", "回線不安定：応答の順序ずれ"},
    NumberedText{1211, "Line back", "回線復帰"},
    NumberedText{1212, "Another unit: %1", "接続機器が変わりました: %1"},
    NumberedText{1213, "; record goes on in %1", "（記録の続きは %1）"},
    NumberedText{1214, "Picture saved: %1", "画像を保存しました: %1"},
    NumberedText{1215, "Data saved: %1", "データを保存しました: %1"},
    NumberedText{1216, "Picture cannot be saved: %1 (%2)", "画像を保存できません: %1（%2）"},
    NumberedText{1217, "Data cannot be saved: %1 (%2)", "データを保存できません: %1（%2）"},

    // Parameter descriptions and comparison.
    NumberedText{1300, "not a choice (the screen checks none)", "選択肢にない値（画面ではどれも選ばれません）"},
    NumberedText{1301, "not a choice (the screen shows %1)", "選択肢にない値（画面では %1 と表示）"},
    NumberedText{1302, "No differences", "相違なし"},
    NumberedText{1303, "Model", "機種"},
    NumberedText{1304, "Options", "オプション"},
    NumberedText{1305, "none", "なし"},
    // The unit report; it names the model, options and columns with the texts above and below.
    NumberedText{1310, "Parameter report", "パラメータ設定レポート"},
    NumberedText{1314, "File", "ファイル"},
    NumberedText{1315, "Date and time", "作成日時"},
    NumberedText{1316, "Serial number or note", "製造番号・メモ"},
    NumberedText{1317, "(none)", "（なし）"},
    NumberedText{1318, "Device", "機器"},
    NumberedText{1319, "not read from a regulator in this session", "この起動中に調整器から読出していません"},
    // %1 code, %2 model, %3 time.
    NumberedText{1320, "Model code %1 (%2), read %3", "機種コード %1（%2）、%3 読出し"},
    NumberedText{1321, "Model code %1 (%2), written %3", "機種コード %1（%2）、%3 書込み"},
    NumberedText{1322, "Verification", "照合"},
    NumberedText{1323, "not verified", "照合していません"},
    NumberedText{1324, "verified: every register read back equal", "照合済み: すべてのレジスタが一致"},
    NumberedText{1325, "verified: registers differ", "照合済み: 一致しないレジスタがあります"},
    NumberedText{1326, "Register", "レジスタ"},
    NumberedText{1327, "Parameter", "パラメータ"},
    NumberedText{1328, "Value", "値"},
    NumberedText{1329, "Meaning", "意味"},
    NumberedText{1330, "[option absent: not transferred]", "[オプションなし: 転送しません]"},
    NumberedText{1331, "Report saved: %1", "レポートを保存しました: %1"},
    NumberedText{1332, "Report cannot be saved: %1 (%2)", "レポートを保存できません: %1（%2）"},
    NumberedText{1333, "Report cannot be printed", "レポートを印刷できません"},
    NumberedText{1334, "Connection", "接続"},
    // %1 port, %2 address, %3 line settings.
    NumberedText{1335, "%1, address %2, %3", "%1、アドレス %2、%3"},
    // %1 port, %2 the device it reaches.
    NumberedText{1336, "%1 (%2)", "%1（%2）"},
    NumberedText{1337, "not verified: the set as read from the regulator, every register answered",
                 "照合していません: 調整器から読出したままの設定（全レジスタ応答）"},
    // %1 time, %2 what the check found then.
    NumberedText{1338, "changed after verification on %1 (then: %2)", "%1 の照合後に変更されています（照合時: %2）"},
    NumberedText{1339, "changed after reading on %1", "%1 の読出し後に変更されています"},
    NumberedText{1340, "Report", "レポート"},
    NumberedText{1341, "Serial number or note of the unit:", "製造番号またはメモ:"},
    NumberedText{1342, "Save PDF…", "PDF保存…"},
    NumberedText{1343, "Print…", "印刷…"},
    NumberedText{1344, "Cancel", "キャンセル"},
    // The sign-off lines at the foot of the report.
    NumberedText{1345, "Checked by", "確認者"},
    NumberedText{1346, "Date", "日付"},
    NumberedText{1347, "Signature", "署名"},
    // %1 the file's name, %2 its folder.
    NumberedText{1350, "No program is set up to open %1.\nThe file is in the folder:\n%2",
                 "%1 を開くプログラムが設定されていません。\nファイルのフォルダ：\n%2"},
    NumberedText{1360, "Compare with KLV", "KLVと比較"},
    NumberedText{1361, "The models differ: the parameters were not compared.",
                 "機種が異なるため、パラメータは比較していません。"},
    // %1 differing, %2 compared.
    NumberedText{1362, "%1 of %2 parameters differ.", "%2 パラメータ中 %1 パラメータが異なります。"},
    NumberedText{1365, "Screen", "画面"},
    NumberedText{1370, "Outside the limits %1: check the regulator", "範囲 %1 の外の値です: 接続機器を確認してください"},

    // Start-up, settings and the main window.
    NumberedText{1400, "The settings file cannot be read: %1", "設定ファイルを読めません：%1"},
    NumberedText{1401, "\nThe program runs with the default settings and leaves this file as it is.",
                 "\n既定の設定で動作します。このファイルは変更しません。"},
    // %1 the file, %2 the reason in brackets (1404) or nothing.
    NumberedText{1402, "%1 cannot be read%2: give every setting in the communication settings that follow, or fix its permissions",
                 "%1 を読めません%2。次の通信設定の画面で、すべての設定を確かめて指定するか、ファイルの権限を直してください。"},
    NumberedText{1403, "%1 cannot be read%2: fix its permissions; nothing is sent to a regulator until then",
                 "%1 を読めません%2。フォルダの権限を直してください。それまで機器には何も送りません。"},
    NumberedText{1404, " (%1)", "（%1）"},
    NumberedText{1405, "The program's settings cannot be saved: %1", "プログラムの設定を保存できません: %1"},
    NumberedText{1406, "klv-loader: unknown option %1", "klv-loader: 不明なオプション %1"},
    NumberedText{1407,
                 "Usage: klv-loader [FILE.klv]\n"
                 "       klv-loader --demo [KLV40|KLV30|KLV30E] [FILE.klv]\n"
                 "       klv-loader --help | --version\n"
                 "Sets up KLV40, KLV30 and KLV30E regulators over a serial line; FILE.klv is opened at start-up.\n"
                 "\n"
                 "  --demo [MODEL]  try the program without a regulator: a simulated one (KLV40\n"
                 "                  unless MODEL says otherwise) answers on COM1 for this run;\n"
                 "                  port links and other ports are left as they are\n"
                 "  --help          show this text\n"
                 "  --version       show the version\n",
                 "使い方: klv-loader [FILE.klv]\n"
                 "       klv-loader --demo [KLV40|KLV30|KLV30E] [FILE.klv]\n"
                 "       klv-loader --help | --version\n"
                 "KLV40、KLV30、KLV30E 調整器をシリアル回線で設定します。FILE.klv は起動時に開きます。\n"
                 "\n"
                 "  --demo [MODEL]  調整器なしでプログラムを試します: この実行の間だけ模擬調整器\n"
                 "                  （MODEL の指定がなければ KLV40）が COM1 で応答します。\n"
                 "                  ポートの接続先とほかのポートはそのままです\n"
                 "  --help          この説明を表示\n"
                 "  --version       バージョンを表示\n"},
    NumberedText{1408, "Demo mode: %1", "デモモード: %1"},
    NumberedText{1409, " [Demo: simulated %1 on COM1]", " [デモ: COM1 に模擬 %1]"},
    NumberedText{1410, "Recent files", "最近使ったファイル"},
    // The Japanese question follows the title with its particle, as 180 does.
    NumberedText{1411, "Save changes to %1?", "%1への変更を保存しますか？"},
    NumberedText{1412, "KLV Loader Files(*.klv)", "KLV Loader ファイル(*.klv)"},

    // Communication settings and Find device.
    NumberedText{1500, "Device", "接続先"},
    NumberedText{1501, "(standard)", "(標準)"},
    NumberedText{1502, "Verify after writing", "書込み後に照合"},
    NumberedText{1503, "simulated %1 (demo)", "模擬 %1（デモ）"},
    // %1 the port, %2 the system's reason.
    NumberedText{1504, "The port link cannot be made: %1\n%2", "ポートの接続先を設定できません: %1\n%2"},
    // The port the demonstration's simulated regulator sits on, %1 its model.
    NumberedText{1505, "simulated %1", "模擬 %1"},
    NumberedText{1509, "Local echo", "ローカルエコー"},
    NumberedText{1560, "Write changed values only", "変更した値だけ書き込む"},
    NumberedText{1510, "Find device", "機器検索"},
    // %1 port, %2 line settings, %3 address.
    NumberedText{1511, "%1  %2  trying address %3", "%1  %2  アドレス %3 を確認中"},
    NumberedText{1512, "not read", "読めません"},
    NumberedText{1513, "Port", "ポート"},
    NumberedText{1514, "Line settings", "通信条件"},
    NumberedText{1515, "Address", "アドレス"},
    NumberedText{1516, "&Take these settings", "この設定を使う(&T)"},
    NumberedText{1517, "&Stop", "中止(&S)"},
    NumberedText{1518, "No regulator found.", "調整器は見つかりませんでした。"},
    NumberedText{1519, "Regulators found: %1.", "調整器が %1 台見つかりました。"},
    NumberedText{1520, "Stopped. ", "中止しました。"},
    NumberedText{1521, "&Close", "閉じる(&C)"},
    NumberedText{1522, "&Find device", "機器検索(&F)"},
    // What a scan that found nothing tried: %1 the ports, %2 the protocols.
    NumberedText{1523,
                 "Tried: %1 (addresses 1 to 99, 9600 and 19200 bps, every parity and stop bits, %2).\n"
                 "Check that the regulator is powered, that the cable and the USB adapter are plugged in, "
                 "and which device each COM number reaches.",
                 "試したポート: %1（アドレス 1～99、9600/19200 bps、全パリティ・ストップビット、%2）。\n"
                 "調整器の電源、ケーブルと USB 変換器の接続、COM 番号の接続先を確認してください。"},
    // Whether a regulator was found with the adapter's echo read back.
    NumberedText{1530, "on", "オン"},
    NumberedText{1531, "off", "オフ"},
};

}  // namespace klv::texts_detail
