#include "cli_texts.h"

#include <array>

#include "text/text_format.h"

namespace klv::cli {
namespace {

using enum CliTextId;

constexpr std::array kTexts = {
    CliTextEntry{TryHelp, "Try 'klv-loader-cli --help'.", "使い方は 'klv-loader-cli --help' で表示されます。"},
    CliTextEntry{NoCommand, "no command given", "コマンドが指定されていません"},
    CliTextEntry{UnknownCommand, "unknown command '%1'", "不明なコマンド '%1'"},
    CliTextEntry{UnknownOption, "unknown option --%1", "不明なオプション --%1"},
    CliTextEntry{UnknownOptionFor, "unknown option --%1 for '%2'", "'%2' に使えないオプション --%1"},
    CliTextEntry{NeedsValue, "--%1 needs a value", "--%1 には値が必要です"},
    CliTextEntry{NeedsFileName, "--%1 needs a file name", "--%1 にはファイル名が必要です"},
    CliTextEntry{NotAllowed, "--%1: '%2' is not %3", "--%1: '%2' は %3 ではありません"},
    CliTextEntry{AllowedPort, "COM1..COM24 or a device path such as /dev/ttyUSB0",
                 "COM1～COM24、または /dev/ttyUSB0 のようなデバイスのパス"},
    CliTextEntry{AllowedAddress, "a device address from 1 to 99", "1～99 の機器アドレス"},
    CliTextEntry{AllowedAddresses, "a device address from 1 to 99, or a list such as 1-12,15",
                 "1～99 の機器アドレス、または 1-12,15 のような並び"},
    CliTextEntry{AllowedSpeed, "9600 or 19200", "9600 か 19200"},
    CliTextEntry{AllowedParity, "even, none or odd", "even、none、odd のどれか"},
    CliTextEntry{AllowedStopBits, "1 or 2", "1 か 2"},
    CliTextEntry{AllowedTimeout, "50, 100 or 200", "50、100、200 のどれか"},
    CliTextEntry{AllowedProtocol, "torvalek, rtu or ascii", "torvalek、rtu、ascii のどれか"},
    CliTextEntry{ReadTakesNoFile, "read takes no file argument; name the file with --output",
                 "read にファイルの引数はありません。ファイルは --output で指定してください"},
    CliTextEntry{ReadNeedsOutput, "read needs --output FILE.klv", "read には --output FILE.klv が必要です"},
    CliTextEntry{NeedsOneFile, "%1 needs exactly one parameter file", "%1 にはパラメータファイルを 1 つだけ指定してください"},
    CliTextEntry{TakesNoArguments, "%1 takes no arguments", "%1 に引数はありません"},
    CliTextEntry{MonitorTakesNoArgument, "monitor takes no argument '%1'", "monitor に引数 '%1' は使えません"},
    CliTextEntry{SecondsNotANumber, "--seconds: '%1' is not a number of seconds from 1 to %2",
                 "--seconds: '%1' は 1～%2 の秒数ではありません"},
    CliTextEntry{FolderMissing, "%1: the folder %2 does not exist", "%1: フォルダ %2 がありません"},
    CliTextEntry{IsAFolder, "%1: is a folder", "%1: フォルダです"},
    CliTextEntry{DataFolderUnusable, "data folder: %1", "データフォルダ: %1"},
    CliTextEntry{DataFolderForTransfer, "data folder: %1 (default settings; no comlog.txt)",
                 "データフォルダ: %1（既定の設定を使います。comlog.txt は書きません）"},
    CliTextEntry{SettingsUnreadable, "%1: %2 (using the default settings)", "%1: %2（既定の設定を使います）"},
    CliTextEntry{SettingsCannotBeRead,
                 "%1 cannot be read (%2): give --port, --address, --speed, --parity, --stop-bits, --timeout and "
                 "--protocol, or fix its permissions",
                 "%1 を読めません（%2）。--port、--address、--speed、--parity、--stop-bits、--timeout、--protocol "
                 "をすべて指定するか、ファイルの権限を直してください"},
    CliTextEntry{PortsCannotBeRead,
                 "%1 cannot be read (%2): give --port with the serial device's path, or fix its permissions",
                 "%1 を読めません（%2）。--port でシリアルデバイスのパスを指定するか、フォルダの権限を直してください"},
    CliTextEntry{SettingsTooShort,
                 "%1 holds %2 bytes, not 24: give --port, --address, --speed, --parity, --stop-bits, --timeout and "
                 "--protocol, or save the settings again",
                 "%1 は %2 バイトで、24 バイトではありません。--port、--address、--speed、--parity、--stop-bits、"
                 "--timeout、--protocol をすべて指定するか、設定を保存し直してください"},
    CliTextEntry{SettingsFieldInvalid, "%1: the %2 %3 is invalid (allowed: %4): give --%5 or correct the file",
                 "%1: %2 %3 は無効です（%4）。--%5 を指定するか、ファイルを直してください"},
    CliTextEntry{ScanUsage, "Usage: klv-loader-cli scan [--port P]... [OPTIONS]\n"
                 "\n"
                 "Looks for regulators. Each port is tried first at the speed, parity and stop\n"
                 "bits of the settings file over all addresses 1..99 (the stored address first),\n"
                 "then at the other line settings, the likeliest first: 9600/19200 bps, even/\n"
                 "none/odd parity, 1/2 stop bits. Each address is asked for its model code\n"
                 "(register 0110, and 0119 when 0110 gives no normal reply) with a short\n"
                 "time-out; every regulator that answers is listed with its port, line\n"
                 "settings, address, model and options. At 50 ms one line setting takes about\n"
                 "10 s a port (5 s with --quick), all twelve about 2 minutes.\n"
                 "\n"
                 "  --port P              COMn (through its port link) or a device path; may be\n"
                 "                        given more than once (default: every serial device the\n"
                 "                        communication settings offer, the COM port of the\n"
                 "                        settings file first when it is linked to a device)\n"
                 "  --speed, --parity, --stop-bits, --address\n"
                 "                        the line and address tried first (default: the\n"
                 "                        settings file)\n"
                 "  --protocol torvalek|rtu|ascii\n"
                 "                        the protocol (default torvalek, as the windows connect)\n"
                 "  --timeout 50|100|200  the time-out of each request in ms (default 50)\n"
                 "  --quick               ask a silent address 0110 only: finds a KLV40, or a\n"
                 "                        regulator that refuses 0110, in half the time\n"
                 "  --first               stop at the first regulator found\n"
                 "  --json                the list as JSON; each option as {\"key\": KEY, \"name\":\n"
                 "                        CAPTION}, KEY one of analogInput, alarmOutput2,\n"
                 "                        digitalOutput, analogOutput, currentDetection\n"
                 "\n"
                 "All ports are scanned at the same time, each with a progress line of its own\n"
                 "on a terminal; Ctrl+C stops them all and lists what was found so far.\n"
                 "\n"
                 "Exit status: 0 when a regulator was found, 3 when none was, 2 for a usage\n"
                 "error or when no port could be used.\n",
                 "使い方: klv-loader-cli scan [--port P]... [OPTIONS]\n"
                 "\n"
                 "調整器を探します。各ポートで、まず設定ファイルの速度・パリティ・ストップ\n"
                 "ビットで全アドレス 1～99 を（設定のアドレスを最初に）試し、次にほかの通信\n"
                 "条件を可能性の高い順に試します: 9600/19200 bps、偶数/なし/奇数パリティ、\n"
                 "ストップビット 1/2。各アドレスに短いタイムアウトで機種コード（レジスタ\n"
                 "0110、正常応答がなければ 0119）を問い合わせ、応答した調整器をポート、\n"
                 "通信条件、アドレス、機種、オプションとともに一覧にします。50 ms では通信条件\n"
                 "1 つにつき 1 ポート約 10 秒（--quick で 5 秒）、12 通りすべてで約 2 分です。\n"
                 "\n"
                 "  --port P              COMn（ポートリンク経由）またはデバイスのパス。複数\n"
                 "                        指定できます（既定: 通信設定画面に出るすべての\n"
                 "                        シリアルデバイス。設定ファイルの COM ポートがデバイスに\n"
                 "                        リンクされていればそれを最初に）\n"
                 "  --speed, --parity, --stop-bits, --address\n"
                 "                        最初に試す通信条件とアドレス（既定: 設定ファイル）\n"
                 "  --protocol torvalek|rtu|ascii\n"
                 "                        プロトコル（既定 torvalek。画面の接続と同じ）\n"
                 "  --timeout 50|100|200  各問い合わせのタイムアウト ms（既定 50）\n"
                 "  --quick               応答のないアドレスには 0110 だけを問い合わせます。\n"
                 "                        KLV40 と 0110 を拒否する調整器を半分の時間で見つけます\n"
                 "  --first               最初に見つけた調整器で終了\n"
                 "  --json                一覧を JSON で出力。オプションは {\"key\": KEY, \"name\": 項目名}、\n"
                 "                        KEY は analogInput、alarmOutput2、digitalOutput、\n"
                 "                        analogOutput、currentDetection のいずれか\n"
                 "\n"
                 "すべてのポートを同時に検索し、端末ではポートごとに進行状況の行を表示します。\n"
                 "Ctrl+C ですべての検索を止め、それまでに見つけたものを一覧にします。\n"
                 "\n"
                 "終了コード: 調整器が見つかったとき 0、見つからないとき 3、使い方の誤り\n"
                 "またはどのポートも使えないとき 2。\n"},
    CliTextEntry{ScanSummary, "  scan [--port P]... [OPTIONS] [--quick] [--first] [--json]\n"
                 "                                     find regulators whose port, line settings or\n"
                 "                                     address are not known\n",
                 "  scan [--port P]... [OPTIONS] [--quick] [--first] [--json]\n"
                 "                                     ポート、通信条件、アドレスのわからない調整器を探す\n"},
    CliTextEntry{ScanNoPorts, "no serial device found; name one with --port", "シリアルデバイスが見つかりません。--port で指定してください"},
    CliTextEntry{ScanNoneFound, "No regulator found.", "調整器は見つかりませんでした。"},
    CliTextEntry{ScanLineTrouble, "%1 at %2: %3", "%1 (%2): %3"},
    CliTextEntry{ScanPortHeading, "Port", "ポート"},
    CliTextEntry{ScanAddressHeading, "Address", "アドレス"},
    CliTextEntry{ScanEchoHeading, "Echo", "エコー"},
    CliTextEntry{ScanEchoOn, "on", "オン"},
    CliTextEntry{ScanEchoOff, "off", "オフ"},
    CliTextEntry{ScanNoOptions, "none", "なし"},
    CliTextEntry{ScanOptionsUnknown, "not read", "読めません"},
    CliTextEntry{ScanTrying, "address", "アドレス"},
    CliTextEntry{ScanTook, "Scanned in %1 s.", "検索時間 %1 秒。"},
    CliTextEntry{ScanLineHeading, "Line", "通信条件"},
    CliTextEntry{ReportUsage,
                 "Usage: klv-loader-cli report FILE.klv --output FILE.pdf [--note TEXT]\n"
                 "\n"
                 "Saves a PDF report of the parameter file: the model, the options, every\n"
                 "parameter the model uses with its screen caption, value and meaning, the\n"
                 "file name, the date and time, and the note (for example the unit's serial\n"
                 "number). The report is in Japanese when the locale is Japanese.\n"
                 "\n"
                 "  --output FILE.pdf     the PDF file to save (an existing file is replaced)\n"
                 "  --note TEXT           the unit's serial number or a note\n"
                 "\n"
                 "Exit status: 0, or 2 for a usage error, a file that cannot be opened or is\n"
                 "not a parameter file, or a report that cannot be saved.\n"
                 "\n"
                 "       klv-loader-cli report --address LIST [OPTIONS] --output FILE.pdf [--note TEXT]\n"
                 "\n"
                 "Reads each unit on the line as read does and reports what it holds, with the\n"
                 "device and the line: one PDF per unit when --output names {address}\n"
                 "(report-{address}.pdf), else one PDF with a page per unit. Takes the\n"
                 "connection options and --json and --stop-on-failure, as read does with\n"
                 "several addresses; exit status 0 only when every unit was reported.\n",
                 "使い方: klv-loader-cli report FILE.klv --output FILE.pdf [--note TEXT]\n"
                 "\n"
                 "パラメータファイルのレポートを PDF で保存します。機種、オプション、機種が使う\n"
                 "すべてのパラメータ（画面の項目名、値、その意味）、ファイル名、作成日時、\n"
                 "メモ（製造番号など）を載せます。ロケールが日本語のときレポートも日本語です。\n"
                 "\n"
                 "  --output FILE.pdf     保存する PDF ファイル（既存のファイルは置き換えます）\n"
                 "  --note TEXT           製造番号またはメモ\n"
                 "\n"
                 "終了コード: 0、使い方の誤り、開けないファイル、パラメータファイルでないファイル、\n"
                 "保存できないレポートのとき 2。\n"
                 "\n"
                 "       klv-loader-cli report --address LIST [OPTIONS] --output FILE.pdf [--note TEXT]\n"
                 "\n"
                 "線上の各機器を read と同じように読出し、保持している値を機器と接続の情報とともに\n"
                 "レポートにします。--output に {address} があれば機器ごとの PDF（report-{address}.pdf）、\n"
                 "なければ機器ごとに一ページの一つの PDF です。複数アドレスの read と同じく接続オプション、\n"
                 "--json、--stop-on-failure を使えます。終了コードはすべての機器をレポートしたときだけ 0。\n"},
    CliTextEntry{ReportSummary,
                 "  report FILE.klv --output FILE.pdf [--note TEXT]\n"
                 "                                     save a PDF report of a parameter file\n",
                 "  report FILE.klv --output FILE.pdf [--note TEXT]\n"
                 "                                     パラメータファイルのレポートを PDF で保存\n"},
    CliTextEntry{ReportNeedsOutput,
                 "report needs --output FILE.pdf",
                 "report には --output FILE.pdf が必要です"},
    CliTextEntry{ReportUnavailable,
                 "report: this build cannot make PDF files (it was built without Qt)",
                 "report: このビルドは PDF を作れません（Qt なしでビルドされています）"},
    CliTextEntry{FieldPortNumber, "port number", "ポート番号"},
    CliTextEntry{FieldDeviceAddress, "device address", "機器アドレス"},
    CliTextEntry{FieldSpeed, "speed", "通信速度"},
    CliTextEntry{MonitorReopening, "; opening the port again every 2 s", "。2 秒ごとにポートを開き直します"},
    CliTextEntry{MonitorLineBack, "Line back: the regulator answers again", "回線復帰: 接続機器が再び応答しています"},
    CliTextEntry{UsageConnection,
                 "Connection options (what is not given comes from the settings file\n"
                 "KlvTool.ini in the data folder, or its defaults; the file is not changed):\n"
                 "  --port COMn|DEVICE    COM1..COM24 (as linked in the data folder's ports/)\n"
                 "                        or a serial device path such as /dev/ttyUSB0,\n"
                 "                        or tcp://HOST:PORT (a device server's raw port)\n"
                 "                        or rfc2217://HOST:PORT (an RFC 2217 server)\n"
                 "  --address N|LIST      device address, 1..99; read, write, compare,\n"
                 "                        report and monitor take a list of units such as 1-12,15\n"
                 "  --speed 9600|19200    bits per second\n"
                 "  --parity even|none|odd\n"
                 "  --stop-bits 1|2\n"
                 "  --timeout 50|100|200  read time-out in milliseconds\n"
                 "  --protocol torvalek|rtu|ascii\n"
                 "                        default torvalek, the regulators' own protocol\n",
                 "接続オプション（指定しないものはデータフォルダの設定ファイル KlvTool.ini、\n"
                 "なければその既定値を使います。ファイルは変更しません）:\n"
                 "  --port COMn|DEVICE    COM1～COM24（データフォルダの ports/ のリンクのとおり）\n"
                 "                        または /dev/ttyUSB0 のようなシリアルデバイスのパス、\n"
                 "                        tcp://ホスト:ポート（デバイスサーバの生のポート）、\n"
                 "                        rfc2217://ホスト:ポート（RFC 2217 サーバ）\n"
                 "  --address N|LIST      機器アドレス 1～99。read、write、compare、report、\n"
                 "                        monitor は 1-12,15 のような機器の並びも受け付けます\n"
                 "  --speed 9600|19200    通信速度（bps）\n"
                 "  --parity even|none|odd\n"
                 "  --stop-bits 1|2\n"
                 "  --timeout 50|100|200  受信タイムアウト（ミリ秒）\n"
                 "  --protocol torvalek|rtu|ascii\n"
                 "                        既定は調整器の通信手順 torvalek\n"},
    CliTextEntry{UsageExit,
                 "\nExit status: 0 when every register was transferred, 1 when the transfer\n"
                 "failed, was refused or is incomplete, 2 for a usage error or an unusable file\n"
                 "or port (also a settings file that cannot be used), 130 or 143 when Ctrl+C or\n"
                 "SIGTERM stopped it.\n"
                 "Every transfer writes comlog.txt in the data folder.\n",
                 "\n終了コード: すべてのレジスタを転送できたとき 0、転送が失敗したか拒否されたか未完了のとき 1、\n"
                 "使い方の誤り、使えないファイルやポート（使えない設定ファイルも）のとき 2、\n"
                 "Ctrl+C か SIGTERM で中止したとき 130 か 143。\n"
                 "転送のたびにデータフォルダの comlog.txt を書きます。\n"},
    CliTextEntry{UsageRead,
                 "Usage: klv-loader-cli read [OPTIONS] --output FILE.klv\n"
                 "\n"
                 "Reads every setup register of the connected regulator, identifying its\n"
                 "model and options, and saves them as a parameter file.\n\n",
                 "使い方: klv-loader-cli read [OPTIONS] --output FILE.klv\n"
                 "\n"
                 "接続した調整器の機種とオプションを識別して設定レジスタをすべて読出し、\n"
                 "パラメータファイルに保存します。\n\n"},
    CliTextEntry{UsageWrite,
                 "Usage: klv-loader-cli write [OPTIONS] FILE.klv\n"
                 "\n"
                 "Writes the parameter file to the connected regulator after checking that\n"
                 "its model, options and (KLV40) control input type match the file. Why a\n"
                 "write was refused is printed on standard error.\n"
                 "  --verify              after a complete write, read every register written\n"
                 "                        back; exit status 1 names each one that differs\n"
                 "  --report FILE.pdf     with --verify: save the report of the unit as written\n"
                 "                        and checked (device, connection, result, every value)\n"
                 "  --note TEXT           the unit's serial number or a note for the report\n"
                 "  --set REG=VALUE       write this value instead of the file's (repeatable;\n"
                 "                        checked as klv-loader-cli set checks it; the file\n"
                 "                        is not changed)\n"
                 "  --changed-only        read the regulator first and write only the registers\n"
                 "                        that differ (with the pre-writes they need); a\n"
                 "                        regulator that already holds the file gets nothing\n\n",
                 "使い方: klv-loader-cli write [OPTIONS] FILE.klv\n"
                 "\n"
                 "機種、オプション、（KLV40 では）制御入力の種類がファイルと一致することを確かめてから、\n"
                 "パラメータファイルを接続した調整器へ書込みます。書込みを拒否した理由は\n"
                 "標準エラー出力に表示します。\n"
                 "  --verify              書込みが完了したら書込んだレジスタをすべて読出して照合します。\n"
                 "                        一致しないレジスタがあれば名前を表示し、終了コードは 1\n"
                 "  --report FILE.pdf     --verify と共に: 書込んで照合したとおりのレポートを保存します\n"
                 "                        （機器、接続、照合結果、すべての値）\n"
                 "  --note TEXT           レポートに載せる製造番号・メモ\n"
                 "  --set REG=VALUE       ファイルの値の代わりにこの値を書込みます（繰返し指定可。\n"
                 "                        klv-loader-cli set と同じように確かめます。ファイルは\n"
                 "                        変更しません）\n"
                 "  --changed-only        先に調整器を読出し、値が異なるレジスタだけを\n"
                 "                        必要な事前書込みと共に書込みます。ファイルの\n"
                 "                        値をすでに持つ調整器には何も書込みません\n\n"},
    CliTextEntry{UsageShow,
                 "Usage: klv-loader-cli show FILE.klv [--json]\n"
                 "\n"
                 "Shows the model, the option words and every parameter the model uses,\n"
                 "with its screen caption, value and meaning.\n"
                 "Exit status: 0, or 2 when the file cannot be opened or is not a parameter file.\n",
                 "使い方: klv-loader-cli show FILE.klv [--json]\n"
                 "\n"
                 "機種、オプション情報、機種が使うすべてのパラメータを、画面の項目名、値、\n"
                 "その意味とともに表示します。\n"
                 "終了コード: 0、ファイルを開けないかパラメータファイルでないとき 2。\n"},
    CliTextEntry{UsageDefaults,
                 "Usage: klv-loader-cli defaults\n"
                 "\n"
                 "Shows the default parameter set of the model stored in the settings file.\n",
                 "使い方: klv-loader-cli defaults\n"
                 "\n"
                 "設定ファイルに記録された機種のパラメータ既定値を表示します。\n"},
    CliTextEntry{UsageGeneral,
                 "Usage: klv-loader-cli COMMAND [OPTIONS]\n"
                 "\n"
                 "Commands:\n"
                 "  read [OPTIONS] --output FILE.klv   read the regulator into a parameter file\n"
                 "  write [OPTIONS] [--verify [--report FILE.pdf [--note TEXT]]] FILE.klv\n"
                 "                                     write a parameter file to the regulator\n"
                 "  compare [OPTIONS] FILE.klv [--json]\n"
                 "                                     compare the regulator with a parameter file\n"
                 "  show FILE.klv [--json]             show a parameter file\n"
                 "  set FILE.klv REG=VALUE...          change values in a parameter file\n"
                 "  defaults                           show the default parameter set of the\n"
                 "                                     model stored in the settings file\n"
                 "%1"
                 "\n"
                 "%2"
                 "\n"
                 "  --help                show this text (COMMAND --help: that command's)\n"
                 "  --version             show the version\n"
                 "\n"
                 "%3"
                 "\n"
                 "Messages are in Japanese when the locale (LC_ALL, LC_MESSAGES, LANG) is\n"
                 "Japanese, in English otherwise. On a terminal a progress bar is drawn on\n"
                 "standard error while a transfer runs.\n",
                 "使い方: klv-loader-cli COMMAND [OPTIONS]\n"
                 "\n"
                 "コマンド:\n"
                 "  read [OPTIONS] --output FILE.klv   調整器から読出してパラメータファイルに保存\n"
                 "  write [OPTIONS] [--verify [--report FILE.pdf [--note TEXT]]] FILE.klv\n"
                 "                                     パラメータファイルを調整器へ書込む\n"
                 "  compare [OPTIONS] FILE.klv [--json]\n"
                 "                                     調整器とパラメータファイルを比較\n"
                 "  show FILE.klv [--json]             パラメータファイルの内容を表示\n"
                 "  set FILE.klv REG=VALUE...          パラメータファイルの値を変更\n"
                 "  defaults                           設定ファイルに記録された機種の\n"
                 "                                     パラメータ既定値を表示\n"
                 "%1"
                 "\n"
                 "%2"
                 "\n"
                 "  --help                この説明を表示（COMMAND --help: そのコマンドの説明）\n"
                 "  --version             バージョンを表示\n"
                 "\n"
                 "%3"
                 "\n"
                 "ロケール（LC_ALL、LC_MESSAGES、LANG）が日本語のときメッセージは日本語、\n"
                 "それ以外は英語です。端末では転送中に進行状況のバーを標準エラー出力に描きます。\n"},
    CliTextEntry{UsageMonitor,
                 "Usage: klv-loader-cli monitor [OPTIONS] [--seconds N] [--record FILE.csv]\n"
                 "\n"
                 "Watches the live values of the connected regulator as the Monitor window\n"
                 "does: identifies the model, then reads one register every 200 ms, round\n"
                 "robin. Prints one line naming the model (model=KLV40 mode=PA), then after\n"
                 "each complete polling cycle one line with the local time and REG=TEXT for\n"
                 "each register read, in polling order, for example\n"
                 "  09:15:02 0100=523 0101=---- 0102=12 ... 0108=___O 0109=O_O\n"
                 "Texts as in the window: xxxx no reply, ---- too small, LLLL under range,\n"
                 "HHHH over range; the lamp registers 0108 and 0109 as bits, highest first,\n"
                 "O for on and _ for off.\n"
                 "After three rounds without any reply the line counts as lost: the port is\n"
                 "closed and opened again every 2 s (a COM port through its link again, so\n"
                 "a re-plugged adapter is found), and polling goes on when the regulator\n"
                 "answers; the record meanwhile gets rows of -32768.\n"
                 "With several addresses (--address 1-3,7) the units of the bus are watched\n"
                 "in turn on one port, one whole cycle each; their lines carry address=N. A\n"
                 "unit silent for three of its cycles is asked again every 2 s while the others\n"
                 "are polled as before. The record has a column pair per unit (U1 Input,\n"
                 "U1 Output, ...) and a row once a round of every unit has ended; a round\n"
                 "longer than the sampling period is warned about once. A table of the units\n"
                 "ends the run.\n"
                 "\n"
                 "  --seconds N           stop after N seconds (default: until Ctrl+C)\n"
                 "  --record FILE.csv     write the data record (control input and output) to\n"
                 "                        FILE.csv with the sampling period and record time of\n"
                 "                        the settings file; monitoring goes on after it ends\n"
                 "\n"
                 "Connection options as for read and write (see 'klv-loader-cli --help').\n"
                 "\n"
                 "Exit status: 0 when monitoring ran and stopped, 1 when no good reply came\n"
                 "(with several addresses: from one of the units), 2 for a usage error, a port\n"
                 "that cannot be used or a record file that cannot be created.\n",
                 "使い方: klv-loader-cli monitor [OPTIONS] [--seconds N] [--record FILE.csv]\n"
                 "\n"
                 "モニタ画面と同じように接続した調整器の現在値を監視します。機種を識別してから、\n"
                 "200 ms ごとにレジスタを 1 つずつ順に読みます。まず機種を示す行\n"
                 "（model=KLV40 mode=PA）を表示し、その後は 1 巡するごとに時刻と、読んだ\n"
                 "レジスタごとの REG=TEXT を読んだ順に 1 行で表示します。例:\n"
                 "  09:15:02 0100=523 0101=---- 0102=12 ... 0108=___O 0109=O_O\n"
                 "表示は画面と同じです: xxxx 応答なし、---- 小さすぎ、LLLL 範囲未満、\n"
                 "HHHH 範囲超過。ランプのレジスタ 0108 と 0109 は上位ビットから、\n"
                 "O がオン、_ がオフです。\n"
                 "3 巡続けてどの行も応答しないと回線断とみなし、ポートを閉じて 2 秒ごとに\n"
                 "開き直します（COM ポートはそのリンクをたどり直すので、挿し直したアダプタも\n"
                 "見つかります）。調整器が応答すると監視を続けます。その間の記録の行は -32768 です。\n"
                 "アドレスを複数指定すると（--address 1-3,7）、バスの機器を 1 つのポートで 1 巡ずつ\n"
                 "順に監視し、各行に address=N を付けます。3 巡続けて応答しない機器には 2 秒ごとに\n"
                 "問い合わせ、他の機器はそのまま監視します。記録には機器ごとの列の組\n"
                 "（U1 Input、U1 Output、...）があり、全機器が 1 巡するごとに行を書きます。\n"
                 "1 巡がサンプリング周期より長いときは 1 度だけ警告します。終わりに機器の表を出します。\n"
                 "\n"
                 "  --seconds N           N 秒後に終了（既定: Ctrl+C まで）\n"
                 "  --record FILE.csv     設定ファイルのサンプリング周期と記録時間で\n"
                 "                        データ記録（制御入力と出力）を FILE.csv に書きます。\n"
                 "                        記録が終わっても監視は続きます\n"
                 "\n"
                 "接続オプションは read、write と同じです（'klv-loader-cli --help' を参照）。\n"
                 "\n"
                 "終了コード: 監視して終了したとき 0、正しい応答がなかったとき（アドレスを複数\n"
                 "指定したときは、いずれかの機器から）1、使い方の誤り、使えないポート、\n"
                 "作成できない記録ファイルのとき 2。\n"},
    CliTextEntry{MonitorSummary,
                 "  monitor [OPTIONS] [--seconds N] [--record FILE.csv]\n"
                 "                                     watch the live values of the regulator\n",
                 "  monitor [OPTIONS] [--seconds N] [--record FILE.csv]\n"
                 "                                     調整器の現在値を監視\n"},
    CliTextEntry{ShowFile, "File: %1", "ファイル: %1"},
    CliTextEntry{ShowModel, "Model: %1", "機種: %1"},
    CliTextEntry{ShowOptions, "Options: %1 (optionFlags %2, optionDetect %3)",
                 "オプション: %1 (optionFlags %2, optionDetect %3)"},
    CliTextEntry{ShowNoOptions, "none", "なし"},
    CliTextEntry{ShowHeading, "Register  %1 Value  Meaning", "レジスタ  %1    値  意味"},
    CliTextEntry{ShowParameter, "Parameter", "パラメータ"},
    CliTextEntry{ShowNotTransferred, "[option absent: not transferred]", "[オプションなし: 転送しません]"},
    CliTextEntry{DefaultsModel, "Model %1 (settings: %2)", "機種 %1（設定: %2）"},
    CliTextEntry{DefaultsHeading, "Register  Default  Range          Option mask",
                 "レジスタ   既定値  範囲" "            " "オプションマスク"},
    CliTextEntry{UsageCompare,
                 "Usage: klv-loader-cli compare [OPTIONS] FILE.klv [--json]\n"
                 "\n"
                 "Reads the connected regulator as read does (the file is not changed) and\n"
                 "lists every parameter whose value differs from the file's, with its\n"
                 "register, caption and both values with their meanings, then the models\n"
                 "and option words when they differ. --json prints the same as JSON.\n"
                 "\n"
                 "Exit status: 0 when the regulator holds the file's values, 3 when they\n"
                 "differ, 1 when the read failed or is incomplete (nothing is listed), 2 for\n"
                 "a usage error or an unusable file or port. The read writes comlog.txt.\n\n",
                 "使い方: klv-loader-cli compare [OPTIONS] FILE.klv [--json]\n"
                 "\n"
                 "read と同じように接続した調整器を読出し（ファイルは変更しません）、値がファイルと\n"
                 "異なるパラメータをすべて、レジスタ、項目名、両方の値とその意味とともに表示します。\n"
                 "機種やオプション情報が異なるときはそれも表示します。--json で同じ内容を JSON で表示します。\n"
                 "\n"
                 "終了コード: 調整器の値がファイルと同じとき 0、異なるとき 3、読出しが失敗したか\n"
                 "未完了のとき 1（何も表示しません）、使い方の誤り、使えないファイルやポートのとき 2。\n"
                 "読出しは comlog.txt を書きます。\n\n"},
    CliTextEntry{CompareFile, "File: %1", "ファイル: %1"},
    CliTextEntry{CompareModel, "Model: file %1, regulator %2", "機種: ファイル %1、調整器 %2"},
    CliTextEntry{CompareOptions, "Options: file %1; regulator %2", "オプション: ファイル %1、調整器 %2"},
    CliTextEntry{CompareDiffers, "  (differs)", "  （相違）"},
    CliTextEntry{CompareModelsDiffer, "The models differ: the parameters were not compared.",
                 "機種が異なるため、パラメータは比較していません。"},
    CliTextEntry{CompareRegister, "Register", "レジスタ"},
    CliTextEntry{CompareParameter, "Parameter", "パラメータ"},
    CliTextEntry{CompareFileValue, "File", "ファイル"},
    CliTextEntry{CompareDeviceValue, "Regulator", "調整器"},
    CliTextEntry{UsageExitAll,
                 "Exit status:\n"
                 "  0  success (compare: the regulator holds the file's values; scan: a\n"
                 "     regulator was found)\n"
                 "  1  a transfer failed, was refused or is incomplete; monitor: no good reply at all\n"
                 "  2  a usage error, or a file or port that cannot be used\n"
                 "  3  compare: the regulator holds other values; scan: no regulator was found\n"
                 "Every transfer writes comlog.txt in the data folder.\n",
                 "終了コード:\n"
                 "  0  成功（compare: 調整器の値がファイルと同じ、scan: 調整器が見つかった）\n"
                 "  1  転送が失敗した、拒否された、または未完了（monitor: 正しい応答が一度もない）\n"
                 "  2  使い方の誤り、または使えないファイルやポート\n"
                 "  3  compare: 調整器の値がファイルと異なる、scan: 調整器が見つからない\n"
                 "転送のたびにデータフォルダの comlog.txt を書きます。\n"},
    CliTextEntry{MonitorNoGoodReply,
                 "No good reply from the regulator during the whole run: check the cable, the port and the "
                 "device address, or find the regulator with klv-loader-cli scan",
                 "実行中、調整器から正しい応答が一度もありませんでした。ケーブル、ポート、機器アドレスを確認するか、"
                 "klv-loader-cli scan で調整器を探してください"},
    CliTextEntry{OptionNeedsOption, "--%1 needs --%2", "--%1 には --%2 が必要です"},
    CliTextEntry{NoReplyScan, "Check the cable and the address, or use `klv-loader-cli scan`",
                 "ケーブルとアドレスを確認するか、`klv-loader-cli scan` を使ってください"},
    CliTextEntry{UsageSet,
                 "Usage: klv-loader-cli set FILE.klv REG=VALUE [REG=VALUE...]\n"
                 "\n"
                 "Changes values in a parameter file. REG is a register (four hex digits\n"
                 "such as 012C) or the name that show --json prints for it (slowUpTime).\n"
                 "Each value is checked as a write checks it: the register must be used by\n"
                 "the file's model with the file's options, the value within its limits.\n"
                 "When one is refused, nothing is changed. Only the changed values' bytes\n"
                 "of the file differ afterwards; the file is replaced as a whole.\n"
                 "Exit status: 0, or 2 when a value is refused or the file cannot be\n"
                 "opened or saved.\n",
                 "使い方: klv-loader-cli set FILE.klv REG=VALUE [REG=VALUE...]\n"
                 "\n"
                 "パラメータファイルの値を変更します。REG はレジスタ（012C のような 16 進 4 桁）か、\n"
                 "show --json が表示する名前（slowUpTime）です。\n"
                 "値は書込みと同じように確かめます。レジスタがファイルの機種とオプションで\n"
                 "使われ、値が範囲内であること。拒否した値があれば何も変更しません。\n"
                 "変更後のファイルは変更した値の部分だけが異なります。ファイルは丸ごと置き換えます。\n"
                 "終了コード: 0、値を拒否したかファイルを開けない・保存できないとき 2。\n"},
    CliTextEntry{SetNeedsAssignment, "set needs a parameter file and at least one REG=VALUE",
                 "set にはパラメータファイルと 1 つ以上の REG=VALUE が必要です"},
    CliTextEntry{SetNotAnAssignment,
                 "'%1' is not REG=VALUE (a register such as 012C or a name such as slowUpTime, '=', the value)",
                 "'%1' は REG=VALUE ではありません（012C のようなレジスタか slowUpTime のような名前、'='、値）"},
    CliTextEntry{SetUnknownRegister,
                 "'%1' is neither a register nor a parameter name of a %2 file (see klv-loader-cli show --json)",
                 "'%1' は %2 のファイルのレジスタでもパラメータ名でもありません（klv-loader-cli show --json を参照）"},
    CliTextEntry{SetNotPresent, "%1 (%2) is not used by a %3 with this file's options",
                 "%1（%2）はこのファイルのオプションの %3 では使われません"},
    CliTextEntry{SetNotANumber, "%1 (%2): '%3' is not a number; allowed %4 to %5",
                 "%1（%2）: '%3' は数値ではありません。範囲は %4～%5 です"},
    CliTextEntry{SetOutOfRange, "%1 (%2): %3 is outside the limits %4 to %5",
                 "%1（%2）: %3 は範囲 %4～%5 の外です"},
    CliTextEntry{SetChanged, "%1 %2: %3 -> %4", "%1 %2: %3 から %4 に変更"},
    CliTextEntry{FileLeftUnchanged, "%1; %2 is left unchanged", "%1。%2 は変更していません"},
    CliTextEntry{NothingSent, "%1; nothing was sent", "%1。何も送信していません"},
    CliTextEntry{UsageBus,
                 "\nSeveral units on one line (RS-485): --address takes a list such as 1-12,15;\n"
                 "each unit is done in turn over the one open port, comlog.txt keeps a section\n"
                 "per unit, and a summary (address, model, result) ends the output:\n"
                 "  --output, FILE, --report  {address} in a name stands for the unit's address\n"
                 "                        (unit-{address}.klv: unit-7.klv); read needs it in\n"
                 "                        --output, write without it sends the one file to all\n"
                 "  --json                the summary as a JSON array of units (address, model,\n"
                 "                        result, file, message) instead of the table\n"
                 "  --stop-on-failure     stop at the first unit that fails; the units after it\n"
                 "                        are listed as not tried\n"
                 "A unit that fails does not stop the others. Exit status: 0 when every unit\n"
                 "succeeded, 1 otherwise (the failed units are named on standard error), 2 for\n"
                 "a usage error or an unusable file or port.\n\n",
                 "\n一本の線（RS-485）の複数の機器: --address に 1-12,15 のような並びを与えると、\n"
                 "開いた一つのポートで機器を一台ずつ順に処理します。comlog.txt には機器ごとの節が\n"
                 "あり、出力の最後に一覧（アドレス、機種、結果）を表示します:\n"
                 "  --output, FILE, --report  名前の中の {address} は機器のアドレスになります\n"
                 "                        （unit-{address}.klv なら unit-7.klv）。read の --output には\n"
                 "                        必須です。write で使わなければ一つのファイルを全台に書込みます\n"
                 "  --json                一覧を表の代わりに機器の JSON 配列（address、model、result、\n"
                 "                        file、message）で表示します\n"
                 "  --stop-on-failure     失敗した最初の機器で止めます。残りの機器は未実行と表示します\n"
                 "機器が失敗してもほかの機器は続けます。終了コード: すべての機器が成功したとき 0、\n"
                 "そうでないとき 1（失敗した機器を標準エラー出力に示します）、使い方の誤り、\n"
                 "使えないファイルやポートのとき 2。\n\n"},
    CliTextEntry{BusOutputNeedsAddress,
                 "--%1 %2: with several addresses the name needs {address}, one file per unit (for example unit-{address}.klv)",
                 "--%1 %2: 複数のアドレスでは、機器ごとのファイルになるよう名前に {address} が必要です（例 unit-{address}.klv）"},
    CliTextEntry{BusUnitHeading, "Unit at address %1:", "アドレス %1 の機器:"},
    CliTextEntry{BusColumnAddress, "Address", "アドレス"},
    CliTextEntry{BusColumnModel, "Model", "機種"},
    CliTextEntry{BusColumnResult, "Result", "結果"},
    CliTextEntry{BusResultOk, "succeeded", "成功"},
    CliTextEntry{BusResultDiffers, "differs", "相違あり"},
    CliTextEntry{BusResultNotTried, "not tried", "未実行"},
    CliTextEntry{BusResultFailed, "failed (%1)", "失敗（%1）"},
    CliTextEntry{BusFailedUnits, "Units that did not succeed: %1", "成功しなかった機器のアドレス: %1"},
    CliTextEntry{BusNotTriedUnits, "Not tried after the stop: %1", "中止のため未実行の機器のアドレス: %1"},
    CliTextEntry{BusUnitName, "unit at address %1", "アドレス %1 の機器"},
    CliTextEntry{ReportBusTakesNoFile,
                 "report with --address reads each unit over the line and takes no FILE.klv",
                 "--address を指定した report は各機器を線から読出すので、FILE.klv は指定しません"},
    CliTextEntry{MonitorUnitPrefix, "Address %1: ", "アドレス %1: "},
    CliTextEntry{MonitorUnitLost, "Address %1: no reply; the unit is asked again every 2 s, the others are polled as before",
                 "アドレス %1: 応答なし。この機器には 2 秒ごとに問い合わせ、他の機器はそのまま監視します"},
    CliTextEntry{MonitorUnitBack, "Address %1 answers again", "アドレス %1 が再び応答しています"},
    CliTextEntry{MonitorRoundsTooSlow,
                 "Warning: polling the %1 units once takes %2 s, longer than the sampling period of %3 s; "
                 "the record takes one row per round instead",
                 "警告: %1 台を 1 巡するのに %2 秒かかり、サンプリング周期 %3 秒より長いため、"
                 "記録は 1 巡ごとに 1 行になります"},
    CliTextEntry{MonitorBusHeading, "Address  Model   Result", "アドレス  機種    結果"},
    CliTextEntry{MonitorUnitAnswered, "answered", "応答あり"},
    CliTextEntry{MonitorUnitNoGoodReply, "no good reply", "正しい応答なし"},
    CliTextEntry{MonitorUnitsNoGoodReply,
                 "No good reply during the whole run from address %1: check the cable and the device addresses, "
                 "or find the regulators with klv-loader-cli scan",
                 "実行中、アドレス %1 から正しい応答が一度もありませんでした。ケーブルと機器アドレスを確認するか、"
                 "klv-loader-cli scan で調整器を探してください"},
};

constexpr bool InEnumOrder() {
  for (std::size_t i = 0; i < kTexts.size(); ++i) {
    if (static_cast<std::size_t>(kTexts[i].id) != i) return false;
  }
  return true;
}
static_assert(InEnumOrder(), "the texts are looked up by their id's position");

}  // namespace

std::span<const CliTextEntry> CliTexts() { return kTexts; }

std::string CliText(CliTextId id, Language language, std::initializer_list<std::string_view> values) {
  const CliTextEntry& entry = kTexts[static_cast<std::size_t>(id)];
  return FillIn(InLanguage(language, entry.english, entry.japanese), values);
}

}  // namespace klv::cli
