// scan: finds regulators whose port, line settings or address are not known.
// Each port is tried at the line of the settings file first (its address
// first), then at the other line settings; what answers is listed as a
// table, or as JSON with --json. All ports are scanned at once; on a terminal
// a progress line per port is redrawn on standard error.
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/argument_reader.h"
#include "cli_options.h"
#include "cli_texts.h"
#include "commands.h"
#include "device/regulator_scan.h"
#include "editor/parameter_description.h"  // DisplayWidth
#include "environment.h"
#include "json_text.h"
#include "platform/clock.h"
#include "platform/data_folder.h"
#include "serial/line_settings.h"
#include "serial/serial_devices.h"
#include "serial/port_device.h"
#include "system_services.h"

namespace klv::cli {

using tools::Argument;
using tools::ArgumentReader;
using tools::ParsedLine;

namespace {

enum class ScanText {
  Usage,
  Summary,
  NoPorts,
  NoneFound,
  PortTrouble,
  LineTrouble,
  Heading,
  Address,
  NoOptions,
  OptionsUnknown,
  Trying,
  Took,
};

struct ScanTextEntry {
  std::string_view english;
  std::string_view japanese;
};

// In the order of ScanText.
constexpr ScanTextEntry kScanTexts[] = {
    {"Usage: klv-loader-cli scan [--port P]... [OPTIONS]\n"
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
    {"  scan [--port P]... [OPTIONS] [--quick] [--first] [--json]\n"
     "                                     find regulators whose port, line settings or\n"
     "                                     address are not known\n",
     "  scan [--port P]... [OPTIONS] [--quick] [--first] [--json]\n"
     "                                     ポート、通信条件、アドレスのわからない調整器を探す\n"},
    {"no serial device found; name one with --port", "シリアルデバイスが見つかりません。--port で指定してください"},
    {"No regulator found.", "調整器は見つかりませんでした。"},
    {"%1: %2", "%1: %2"},
    {"%1 at %2: %3", "%1 (%2): %3"},
    {"Port", "ポート"},
    {"Address", "アドレス"},
    {"none", "なし"},
    {"not read", "読めません"},
    {"address", "アドレス"},
    {"Scanned in %1 s.", "検索時間 %1 秒。"},
};

std::string Text(ScanText id, Language language, std::initializer_list<std::string_view> values = {}) {
  const ScanTextEntry& entry = kScanTexts[static_cast<std::size_t>(id)];
  std::string text(language == Language::Japanese ? entry.japanese : entry.english);
  int n = 1;
  for (const std::string_view value : values) {
    const std::string mark = "%" + std::to_string(n++);
    if (const std::size_t at = text.find(mark); at != std::string::npos) text.replace(at, mark.size(), value);
  }
  return text;
}

struct ScanCommandLine {
  ConnectionOptions connection;
  std::vector<std::string> ports;  // as given: COMn or a device path
  bool quick = false;
  bool first = false;
  bool json = false;
  bool help = false;
};

using ParsedScanLine = ParsedLine<ScanCommandLine>;

ParsedScanLine ParseScanLine(std::span<const std::string> args, Language language) {
  ScanCommandLine line;
  ArgumentReader reader(args);
  while (const std::optional<Argument> arg = reader.Next()) {
    if (arg->kind == Argument::Kind::Help) {
      line.help = true;
      return {line, {}};
    }
    if (arg->kind == Argument::Kind::Plain) return ParsedScanLine::Refuse(CliText(CliTextId::TakesNoArguments, language, {"scan"}));
    const std::string& name = arg->text;
    if (!arg->value && (name == "quick" || name == "first" || name == "json")) {
      (name == "quick" ? line.quick : name == "first" ? line.first : line.json) = true;
      continue;
    }
    if (!IsConnectionOption(name)) return ParsedScanLine::Refuse(CliText(CliTextId::UnknownOptionFor, language, {name, "scan"}));
    const std::optional<std::string> value = reader.ValueOf(*arg);
    if (!value) return ParsedScanLine::Refuse(CliText(CliTextId::NeedsValue, language, {name}));
    std::string error;
    if (name == "port") {
      // Checked as the transfer commands check theirs and kept as given: the
      // scan goes through every port named.
      ConnectionOptions checked;
      if (!TakeConnectionOption(name, *value, checked, error, language)) return ParsedScanLine::Refuse(error);
      line.ports.push_back(*value);
    } else if (!TakeConnectionOption(name, *value, line.connection, error, language)) {
      return ParsedScanLine::Refuse(error);
    }
  }
  return {line, {}};
}

// "COM3 (/dev/ttyUSB0)" for a COM number, the path itself for a device.
ScanPort PortNamed(const std::string& given, const std::filesystem::path& dataFolder, Language language) {
  ConnectionOptions options;
  std::string error;
  if (!TakeConnectionOption("port", given, options, error, language) || !options.devicePath.empty()) {
    return {given, given};
  }
  const int32_t number = *options.portNumber + (options.plus12.value_or(0) != 0 ? 12 : 0);
  const std::filesystem::path device = ResolvePortDevice(number, dataFolder);
  return {device, PortName(number) + " (" + device.string() + ")"};
}

// The chooser's devices; before them the settings' COM port when a link
// points it at a device (a COM number without a link reaches an on-board
// ttyS, which the chooser leaves out too).
std::vector<ScanPort> DefaultPorts(const CommSettings& settings, const std::filesystem::path& dataFolder) {
  std::vector<ScanPort> ports;
  const int32_t number = settings.PortInUse();
  const std::filesystem::path linked = ResolvePortDevice(number, dataFolder);
  const bool hasLink = !dataFolder.empty() && linked.parent_path() == dataFolder / std::string(kPortsFolderName);
  std::error_code ignored;
  const std::filesystem::path target = hasLink ? std::filesystem::canonical(linked, ignored) : std::filesystem::path{};
  if (hasLink) ports.push_back({linked, PortName(number) + " (" + linked.string() + ")"});
  for (const std::filesystem::path& device : FindSerialDevices()) {
    if (hasLink && std::filesystem::canonical(device, ignored) == target) continue;
    ports.push_back({device, device.string()});
  }
  return ports;
}

std::string ModelText(const FoundRegulator& found) {
  if (found.model) return std::string(ModelName(*found.model));
  if (!found.codeRegister) return "??";
  char code[8];
  std::snprintf(code, sizeof code, "%04X", static_cast<unsigned>(static_cast<uint16_t>(found.code)));
  return "?? (" + found.codeRegister->Text() + "=" + code + ")";
}

std::string OptionText(const FoundRegulator& found, Language language) {
  if (!found.model || !found.optionsComplete) return Text(ScanText::OptionsUnknown, language);
  const std::vector<std::string> names = FoundOptionNames(found, language);
  if (names.empty()) return Text(ScanText::NoOptions, language);
  std::string text;
  for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
  return text;
}

std::string Padded(const std::string& text, std::size_t width) {
  const std::size_t used = DisplayWidth(text);
  return used >= width ? text + "  " : text + std::string(width - used + 2, ' ');
}

std::string_view ParityWord(int32_t parity) { return parity == 1 ? "even" : parity == 2 ? "none" : "odd"; }
std::string_view ProtocolWord(Protocol protocol) {
  return protocol == Protocol::ModbusRtu ? "rtu" : protocol == Protocol::ModbusAscii ? "ascii" : "torvalek";
}

std::string Json(const std::vector<FoundRegulator>& found, Language language) {
  std::string out = "[";
  for (std::size_t i = 0; i < found.size(); ++i) {
    const FoundRegulator& f = found[i];
    out += std::string(i ? "," : "") + "\n  {\"port\": " + JsonString(f.port.device.string()) +
           ", \"speed\": " + std::to_string(f.line.speed) + ", \"parity\": " + JsonString(ParityWord(f.line.parity)) +
           ", \"stopBits\": " + std::to_string(f.line.stopBits) +
           ", \"protocol\": " + JsonString(ProtocolWord(f.line.protocol)) + ", \"address\": " + std::to_string(f.address) +
           ", \"model\": " + (f.model ? JsonString(ModelName(*f.model)) : std::string("null")) + ", \"options\": ";
    if (f.model && f.optionsComplete) {
      out += "[";
      const std::vector<FoundOption> options = FoundOptions(f, language);
      for (std::size_t n = 0; n < options.size(); ++n) {
        out += std::string(n ? ", " : "") + "{\"key\": " + JsonString(options[n].key) +
               ", \"name\": " + JsonString(options[n].name) + "}";
      }
      out += "]";
    } else {
      out += "null";
    }
    out += "}";
  }
  return out + (found.empty() ? "]\n" : "\n]\n");
}

std::string Table(const std::vector<FoundRegulator>& found, Language language) {
  std::size_t portWidth = DisplayWidth(Text(ScanText::Heading, language));
  for (const FoundRegulator& f : found) portWidth = std::max(portWidth, DisplayWidth(f.port.name));
  constexpr std::size_t kLineWidth = 22;  // "19200 EVEN 2 TORVALEK"
  const std::string line = language == Language::Japanese ? "通信条件" : "Line";
  const std::string model = language == Language::Japanese ? "機種" : "Model";
  const std::string options = language == Language::Japanese ? "オプション" : "Options";
  std::string out = Padded(Text(ScanText::Heading, language), portWidth) + Padded(line, kLineWidth) +
                    Padded(Text(ScanText::Address, language), 8) + Padded(model, 8) + options + "\n";
  for (const FoundRegulator& f : found) {
    out += Padded(f.port.name, portWidth) + Padded(ScanLineText(f.line), kLineWidth) +
           Padded(std::to_string(f.address), 8) + Padded(ModelText(f), 8) + OptionText(f, language) + "\n";
  }
  return out;
}

}  // namespace

std::string ScanUsageSummary(Language language) { return Text(ScanText::Summary, language); }

int RunScanCommand(std::span<const std::string> args) {
  const Language language = LocaleLanguage();
  const ParsedScanLine parsed = ParseScanLine(args, language);
  if (!parsed.line) return RefuseUsage(parsed.error, language);
  const ScanCommandLine& line = *parsed.line;
  if (line.help) {
    std::fputs(Text(ScanText::Usage, language).c_str(), stdout);
    return kExitSuccess;
  }

  const Environment environment = LoadEnvironment(language);
  if (!environment.settingsWarning.empty()) PrintError(environment.settingsWarning);
  ScanPlan plan;
  plan.current = ApplyConnectionOptions(environment.settings, line.connection);
  plan.protocols = {plan.current.protocol};
  plan.replyTimeout = std::chrono::milliseconds(line.connection.readTimeout.value_or(50));
  plan.askSeriesOneCodeWhenSilent = !line.quick;
  plan.stopAtFirst = line.first;
  for (const std::string& port : line.ports) plan.ports.push_back(PortNamed(port, environment.dataFolder, language));
  if (line.ports.empty()) plan.ports = DefaultPorts(plan.current, environment.dataFolder);
  if (plan.ports.empty()) {
    PrintError(Text(ScanText::NoPorts, language));
    return kExitUnusable;
  }

  const bool drawProgress = IsTerminal(stderr);
  // The block of progress lines, one per port, as last drawn.
  std::vector<std::string> portLines;
  for (const ScanPort& port : plan.ports) portLines.push_back("  0%  " + port.name);
  bool progressShown = false;
  // Back to the block's first line.
  const auto toBlockStart = [&] {
    const std::string up = portLines.size() > 1 ? "\x1b[" + std::to_string(portLines.size() - 1) + "A" : "";
    std::fputs((up + "\r").c_str(), stderr);
  };
  const auto endProgressLine = [&] {
    if (!progressShown) return;
    toBlockStart();
    std::fputs(portLines.size() > 1 ? "\x1b[J" : "\x1b[K", stderr);
    progressShown = false;
  };
  ScanCallbacks callbacks;
  CatchStopRequests();
  callbacks.cancelRequested = [] { return StopRequested(); };
  if (drawProgress) {
    callbacks.progress = [&](const ScanProgress& progress) {
      char percent[8];
      std::snprintf(percent, sizeof percent, "%3d%%", static_cast<int>(progress.portFraction * 100));
      portLines[progress.portIndex] = std::string(percent) + "  " + progress.port.name + "  " +
                                      ScanLineText(progress.line) + "  " + Text(ScanText::Trying, language) + " " +
                                      std::to_string(progress.address);
      if (progressShown) toBlockStart();
      std::string block;
      for (std::size_t i = 0; i < portLines.size(); ++i) block += (i ? "\n\r" : "\r") + portLines[i] + "\x1b[K";
      std::fputs(block.c_str(), stderr);
      std::fflush(stderr);
      progressShown = true;
    };
  }
  callbacks.trouble = [&](const ScanTrouble& trouble) {
    endProgressLine();
    std::string message = trouble.message;
    // One line: the failure, then its cause.
    for (char& c : message) {
      if (c == '\n') c = ' ';
    }
    PrintError(trouble.line ? Text(ScanText::LineTrouble, language, {trouble.port.name, ScanLineText(*trouble.line), message})
                            : Text(ScanText::PortTrouble, language, {trouble.port.name, message}));
  };

  const ScanReport report = ScanForRegulators(plan, MakeSystemSerialPort, SystemClock(), language, callbacks);
  endProgressLine();

  if (line.json) {
    std::fputs(Json(report.found, language).c_str(), stdout);
  } else if (report.found.empty()) {
    std::puts(Text(ScanText::NoneFound, language).c_str());
  } else {
    std::fputs(Table(report.found, language).c_str(), stdout);
  }
  if (drawProgress) {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.1f", std::chrono::duration<double>(report.elapsed).count());
    PrintError(Text(ScanText::Took, language, {seconds}));
  }
  if (!report.found.empty()) return kExitSuccess;
  std::size_t unusable = 0;
  for (const ScanTrouble& trouble : report.troubles) unusable += trouble.line ? 0 : 1;
  return unusable == plan.ports.size() ? kExitUnusable : kExitNothingFound;
}

}  // namespace klv::cli
