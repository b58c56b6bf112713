// The unit report's content: facts, rows and the words of both languages,
// the device identity of each model, and the file name it is offered under.
#include "editor/unit_report.h"

#include <gtest/gtest.h>

#include "editor/parameter_description.h"
#include "model/register_catalogue.h"
#include "editor/unit_report_line.h"

#include <filesystem>
#include <unistd.h>

namespace klv {
namespace {

std::string Fact(const UnitReport& report, std::size_t index) {
  return report.facts.at(index).label + "=" + report.facts.at(index).value;
}

UnitReportInputs Klv40Inputs(Language language) {
  UnitReportInputs inputs;
  LoadDefaults(inputs.parameters, ModelKind::Klv40);
  inputs.parameters.rampLowerLimit = 57;
  inputs.parameters.optionFlags = kOptionAlarmOutput2 | kOptionAnalogOutput;
  inputs.model = ModelKind::Klv40;
  inputs.language = language;
  inputs.fileName = "/data/oven7.klv";
  inputs.created = {2026, 3, 4, 5, 6, 7};
  return inputs;
}

TEST(UnitReport, FactsInEitherLanguage) {
  struct Case {
    Language language;
    std::vector<std::string> facts;
  };
  const Case cases[] = {
      {Language::English,
       {"Model=KLV40", "Options=Alarm output 2, Analog output",
        "File=/data/oven7.klv", "Date and time=2026-03-04 05:06:07", "Serial number or note=(none)",
        "Device=not read from a regulator in this session", "Verification=not verified"}},
      {Language::Japanese,
       {"機種=KLV40", "オプション=警報出力２, アナログ出力", "ファイル=/data/oven7.klv",
        "作成日時=2026-03-04 05:06:07", "製造番号・メモ=（なし）", "機器=この起動中に調整器から読出していません",
        "照合=照合していません"}},
  };
  for (const Case& c : cases) {
    const UnitReport report = ComposeUnitReport(Klv40Inputs(c.language));
    ASSERT_EQ(report.facts.size(), c.facts.size());
    for (std::size_t i = 0; i < c.facts.size(); ++i) EXPECT_EQ(Fact(report, i), c.facts[i]);
  }
}

TEST(UnitReport, EveryParameterOfTheModelWithItsMeaning) {
  for (const Language language : {Language::English, Language::Japanese}) {
    for (const ModelKind model : {ModelKind::Klv40, ModelKind::Klv30, ModelKind::Klv30E}) {
      UnitReportInputs inputs = Klv40Inputs(language);
      inputs.model = model;
      const UnitReport report = ComposeUnitReport(inputs);
      const ParameterSheet sheet = DescribeParameters(inputs.parameters, model, language);
      ASSERT_EQ(report.rows.size(), sheet.lines.size());
      for (std::size_t i = 0; i < sheet.lines.size(); ++i) {
        EXPECT_EQ(report.rows[i].address, sheet.lines[i].address.Text());
        EXPECT_EQ(report.rows[i].caption, sheet.lines[i].caption);
        EXPECT_EQ(report.rows[i].value, std::to_string(sheet.lines[i].value));
        EXPECT_EQ(report.rows[i].meaning, sheet.lines[i].meaning);
        EXPECT_EQ(report.rows[i].transferred, sheet.lines[i].transferred);
      }
    }
  }
  const UnitReport report = ComposeUnitReport(Klv40Inputs(Language::English));
  EXPECT_EQ(report.columns, (std::vector<std::string>{"Register", "Parameter", "Value", "Meaning"}));
  const auto ramp = std::find_if(report.rows.begin(), report.rows.end(), [](const ReportRow& r) { return r.address == "012A"; });
  ASSERT_NE(ramp, report.rows.end());
  EXPECT_EQ(ramp->value, "57");
  EXPECT_EQ(ramp->meaning, "5.7 %");
}

// The device, the line it was reached over and what was found, in words;
// after an edit the report keeps them and says the set changed since.
TEST(UnitReport, DeviceConnectionAndVerification) {
  struct Case {
    ModelKind model;
    UnitProvenance::Source source;
    ReportVerification verification;
    bool changed;
    std::string device;
    std::string verified;
  };
  using Status = ReportVerification::Status;
  using Source = UnitProvenance::Source;
  const Case cases[] = {
      {ModelKind::Klv40, Source::Read, {}, false, "Model code 0028 (KLV40), read 2026-01-02 03:04:05",
       "not verified: the set as read from the regulator, every register answered"},
      {ModelKind::Klv40, Source::Read, {}, true, "Model code 0028 (KLV40), read 2026-01-02 03:04:05",
       "changed after reading on 2026-01-02 03:04:05"},
      {ModelKind::Klv30, Source::VerifiedWrite, {Status::Equal, ""}, false,
       "Model code 3330 (KLV30), written 2026-01-02 03:04:05", "verified: every register read back equal"},
      {ModelKind::Klv30E, Source::VerifiedWrite, {Status::Differs, "Register 0120 reads back 0, written 1"}, false,
       "Model code 3045 (KLV30E), written 2026-01-02 03:04:05", "Register 0120 reads back 0, written 1"},
      {ModelKind::Klv30, Source::VerifiedWrite, {Status::Equal, "Verified: all 13 registers read back equal"}, true,
       "Model code 3330 (KLV30), written 2026-01-02 03:04:05",
       "changed after verification on 2026-01-02 03:04:05 (then: Verified: all 13 registers read back equal)"},
  };
  for (const Case& c : cases) {
    UnitReportInputs inputs = Klv40Inputs(Language::English);
    inputs.model = c.model;
    inputs.note = "SN 4711";
    inputs.provenance = UnitProvenance{c.source, IdentityOfDevice(c.model, inputs.parameters), c.verification,
                                       LocalTime{2026, 1, 2, 3, 4, 5},
                                       ReportLine{"COM5", "/dev/ttyUSB0", {}, 7, "9600 E 7 1, TORVALEK, 100 ms"},
                                       c.changed};
    const UnitReport report = ComposeUnitReport(inputs);
    EXPECT_EQ(Fact(report, 4), "Serial number or note=SN 4711");
    EXPECT_EQ(Fact(report, 5), "Device=" + c.device);
    EXPECT_EQ(Fact(report, 6), "Connection=COM5 (/dev/ttyUSB0), address 7, 9600 E 7 1, TORVALEK, 100 ms");
    EXPECT_EQ(Fact(report, 7), "Verification=" + c.verified);
  }
  UnitReportInputs japanese = Klv40Inputs(Language::Japanese);
  japanese.provenance = UnitProvenance{Source::VerifiedWrite, IdentityOfDevice(ModelKind::Klv40, japanese.parameters),
                                       {Status::Equal, "照合済み"}, LocalTime{2026, 1, 2, 3, 4, 5},
                                       ReportLine{"COM1", "", ModelKind::Klv40, 1, "9600 E 7 1, TORVALEK, 100 ms"}, true};
  const UnitReport report = ComposeUnitReport(japanese);
  EXPECT_EQ(Fact(report, 5), "機器=機種コード 0028（KLV40）、2026-01-02 03:04:05 書込み");
  EXPECT_EQ(Fact(report, 6), "接続=COM1（模擬 KLV40）、アドレス 1、9600 E 7 1, TORVALEK, 100 ms");
  EXPECT_EQ(Fact(report, 7), "照合=2026-01-02 03:04:05 の照合後に変更されています（照合時: 照合済み）");
  EXPECT_EQ(report.signOff, (std::vector<std::string>{"確認者", "日付", "署名"}));
}

// The line as the report names it: a COM number with the device its link
// reaches, or the device path the command line was given.
TEST(UnitReport, LineOfTheConnection) {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("klv-report-line-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder / "ports");
  std::error_code error;
  std::filesystem::create_symlink("/dev/ttyUSB3", folder / "ports" / "COM17", error);
  Connection connection;
  connection.dataFolder = folder;
  connection.settings = CommSettings{5, 1, 19200, 3, 2, 50, 42, Protocol::ModbusRtu, 10, 600};
  ReportLine line = DescribeReportLine(connection);
  EXPECT_EQ(line.port, "COM17");
#ifdef _WIN32
  // Windows has no port links: the number is the system's own port.
  EXPECT_EQ(line.device, R"(\\.\COM17)");
#else
  EXPECT_EQ(line.device, "/dev/ttyUSB3");
#endif
  EXPECT_EQ(line.address, 42);
  EXPECT_EQ(line.settings, "19200 O 8 2, Modbus RTU, 50 ms");

  connection.portLabel = "/dev/pts/9";
  connection.settings = CommSettings{};
  connection.settings.protocol = Protocol::ModbusAscii;
  line = DescribeReportLine(connection);
  EXPECT_EQ(line.port, "/dev/pts/9");
  EXPECT_EQ(line.device, "");
  EXPECT_EQ(line.settings, "9600 E 7 1, Modbus ASCII, 100 ms");
  std::filesystem::remove_all(folder, error);
}

TEST(UnitReport, FileNameOffered) {
  struct Case {
    std::string_view title;
    std::string_view note;
    std::string_view name;
  };
  const Case cases[] = {
      {"oven7", "", "oven7.pdf"},
      {"oven7", "SN 12", "oven7-SN 12.pdf"},
      {"Untitled", "a/b\\c:d*e?f\"g<h>i|j", "Untitled-a_b_c_d_e_f_g_h_i_j.pdf"},
      {"", "", "report.pdf"},
      {"", "製番7", "製番7.pdf"},
  };
  for (const Case& c : cases) EXPECT_EQ(ReportFileName(c.title, c.note), c.name) << c.note;
}

// What is typed is what is printed: the controls that would reorder a note
// (overrides, embeddings, isolates, marks) are dropped; other text, also
// right-to-left script and its neighbours in UTF-8, stays.
TEST(UnitReport, NoteKeepsTheOrderItWasTypedIn) {
  struct Case {
    std::string_view note;
    std::string_view printed;
  };
  const Case cases[] = {
      {"\u202E1174 NS", "1174 NS"},                                   // right-to-left override
      {"SN \u202A12\u202B3\u202C\u202D4", "SN 1234"},                // embeddings, pop, LRO
      {"\u2066A\u2067B\u2068C\u2069", "ABC"},                        // isolates
      {"\u200Ex\u200Fy\u061Cz", "xyz"},                               // marks
      {"\u05E9\u05DC\u05D5\u05DD 7", "\u05E9\u05DC\u05D5\u05DD 7"},  // Hebrew letters stay
      {"\u2014\u2065\u206A\u202F\u200D", "\u2014\u2065\u206A\u202F\u200D"},  // neighbours stay
      {"\xE2\x80", "\xE2\x80"},                                      // a cut sequence at the end
  };
  for (const Case& c : cases) {
    UnitReportInputs inputs = Klv40Inputs(Language::English);
    inputs.note = std::string(c.note);
    EXPECT_EQ(Fact(ComposeUnitReport(inputs), 4), "Serial number or note=" + std::string(c.printed));
    EXPECT_EQ(ReportFileName("t", c.note), "t-" + std::string(c.printed) + ".pdf");
  }
}

TEST(UnitReport, Messages) {
  EXPECT_EQ(ReportMessageText(ReportMessage::Saved, Language::English, "/t/a.pdf"), "Report saved: /t/a.pdf");
  EXPECT_EQ(ReportMessageText(ReportMessage::CannotSave, Language::Japanese, "/t/a.pdf", "No such file"),
            "レポートを保存できません: /t/a.pdf（No such file）");
  EXPECT_EQ(ReportMessageText(ReportMessage::CannotPrint, Language::English), "Report cannot be printed");
}

}  // namespace
}  // namespace klv
