#include "editor/unit_report.h"

#include <cstdio>
#include <initializer_list>

#include "editor/parameter_description.h"
#include "model/device_identity.h"

namespace klv {
namespace {

struct ReportWords {
  std::string_view english;
  std::string_view japanese;
};

std::string_view Pick(const ReportWords& words, Language language) {
  return language == Language::Japanese ? words.japanese : words.english;
}

constexpr ReportWords kTitle{"Parameter report", "パラメータ設定レポート"};
constexpr ReportWords kModel{"Model", "機種"};
constexpr ReportWords kOptions{"Options", "オプション"};
constexpr ReportWords kNoOptions{"none", "なし"};
constexpr ReportWords kFile{"File", "ファイル"};
constexpr ReportWords kDateTime{"Date and time", "作成日時"};
constexpr ReportWords kNote{"Serial number or note", "製造番号・メモ"};
constexpr ReportWords kNoNote{"(none)", "（なし）"};
constexpr ReportWords kDevice{"Device", "機器"};
constexpr ReportWords kNoDevice{"not read from a regulator in this session",
                                "この起動中に調整器から読出していません"};
// %1 code, %2 model, %3 time
constexpr ReportWords kDeviceRead{"Model code %1 (%2), read %3", "機種コード %1（%2）、%3 読出し"};
constexpr ReportWords kDeviceWritten{"Model code %1 (%2), written %3", "機種コード %1（%2）、%3 書込み"};
constexpr ReportWords kConnection{"Connection", "接続"};
// %1 port, %2 address, %3 line settings
constexpr ReportWords kConnectionLine{"%1, address %2, %3", "%1、アドレス %2、%3"};
// %1 port, %2 device
constexpr ReportWords kPortDevice{"%1 (%2)", "%1（%2）"};
constexpr ReportWords kSimulated{"simulated %1", "模擬 %1"};
constexpr ReportWords kVerification{"Verification", "照合"};
constexpr ReportWords kNotVerified{"not verified", "照合していません"};
constexpr ReportWords kAsRead{"not verified: the set as read from the regulator, every register answered",
                              "照合していません: 調整器から読出したままの設定（全レジスタ応答）"};
constexpr ReportWords kVerifiedEqual{"verified: every register read back equal",
                                     "照合済み: すべてのレジスタが一致"};
constexpr ReportWords kVerifiedDiffers{"verified: registers differ", "照合済み: 一致しないレジスタがあります"};
// %1 time, %2 what the check found then
constexpr ReportWords kChangedAfterVerification{"changed after verification on %1 (then: %2)",
                                                "%1 の照合後に変更されています（照合時: %2）"};
constexpr ReportWords kChangedAfterRead{"changed after reading on %1", "%1 の読出し後に変更されています"};
constexpr ReportWords kCheckedBy{"Checked by", "確認者"};
constexpr ReportWords kSignOffDate{"Date", "日付"};
constexpr ReportWords kSignature{"Signature", "署名"};
constexpr ReportWords kRegister{"Register", "レジスタ"};
constexpr ReportWords kParameter{"Parameter", "パラメータ"};
constexpr ReportWords kValue{"Value", "値"};
constexpr ReportWords kMeaning{"Meaning", "意味"};
constexpr ReportWords kNotTransferred{"[option absent: not transferred]", "[オプションなし: 転送しません]"};
constexpr ReportWords kSaved{"Report saved: %1", "レポートを保存しました: %1"};
constexpr ReportWords kCannotSave{"Report cannot be saved: %1 (%2)", "レポートを保存できません: %1（%2）"};
constexpr ReportWords kCannotPrint{"Report cannot be printed", "レポートを印刷できません"};

// "%1".."%9" replaced by the values in order.
std::string Fill(std::string_view text, std::initializer_list<std::string_view> values) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 1 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '9') {
      const auto index = static_cast<std::size_t>(text[i + 1] - '1');
      if (index < values.size()) out += *(values.begin() + index);
      ++i;
      continue;
    }
    out += text[i];
  }
  return out;
}

std::string Hex4(uint16_t value) {
  char text[8];
  std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(value));
  return text;
}

std::string DeviceText(const UnitProvenance& provenance, Language language) {
  const DeviceIdentityRecord& device = provenance.device;
  const ReportWords& words = provenance.source == UnitProvenance::Source::Read ? kDeviceRead : kDeviceWritten;
  return Fill(Pick(words, language), {Hex4(device.code), ModelName(device.model), ReportDateTime(provenance.when)});
}

std::string ConnectionText(const ReportLine& line, Language language) {
  std::string port = line.port;
  if (line.simulated) {
    port = Fill(Pick(kPortDevice, language), {port, Fill(Pick(kSimulated, language), {ModelName(*line.simulated)})});
  } else if (!line.device.empty()) {
    port = Fill(Pick(kPortDevice, language), {port, line.device});
  }
  return Fill(Pick(kConnectionLine, language), {port, std::to_string(line.address), line.settings});
}

// What the read or the check found, as it stood when it ended.
std::string ResultText(const UnitProvenance& provenance, Language language) {
  const ReportVerification& verification = provenance.verification;
  if (provenance.source == UnitProvenance::Source::Read) return std::string(Pick(kAsRead, language));
  switch (verification.status) {
    case ReportVerification::Status::NotVerified: return std::string(Pick(kNotVerified, language));
    case ReportVerification::Status::Equal:
      return verification.details.empty() ? std::string(Pick(kVerifiedEqual, language)) : verification.details;
    case ReportVerification::Status::Differs:
      return verification.details.empty() ? std::string(Pick(kVerifiedDiffers, language)) : verification.details;
  }
  return std::string(Pick(kNotVerified, language));
}

std::string VerificationText(const std::optional<UnitProvenance>& provenance, Language language) {
  if (!provenance) return std::string(Pick(kNotVerified, language));
  if (!provenance->changedSince) return ResultText(*provenance, language);
  const std::string when = ReportDateTime(provenance->when);
  if (provenance->source == UnitProvenance::Source::Read) return Fill(Pick(kChangedAfterRead, language), {when});
  return Fill(Pick(kChangedAfterVerification, language), {when, ResultText(*provenance, language)});
}

}  // namespace

DeviceIdentityRecord IdentityOfDevice(ModelKind model, const ParameterSet& parameters) {
  DeviceIdentityRecord record;
  record.model = model;
  for (const IdentificationCode& code : kIdentificationCodes) {
    if (code.model == model) {
      record.codeRegister = code.address;
      record.code = code.code;
    }
  }
  record.optionFlags = parameters.optionFlags;
  record.optionDetect = parameters.optionDetect;
  return record;
}

std::string ReportDateTime(const LocalTime& time) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", time.year, time.month, time.day, time.hour,
                time.minute, time.second);
  return text;
}

UnitReport ComposeUnitReport(const UnitReportInputs& inputs) {
  const Language language = inputs.language;
  const ParameterSheet sheet = DescribeParameters(inputs.parameters, inputs.model, language);

  UnitReport report;
  report.language = language;
  report.title = std::string(Pick(kTitle, language));

  std::string options;
  for (const std::string& option : sheet.options) options += (options.empty() ? "" : ", ") + option;
  if (options.empty()) options = std::string(Pick(kNoOptions, language));

  const auto fact = [&](const ReportWords& label, std::string value) {
    report.facts.push_back({std::string(Pick(label, language)), std::move(value)});
  };
  fact(kModel, std::string(ModelName(inputs.model)));
  fact(kOptions, options);
  fact(kFile, inputs.fileName);
  fact(kDateTime, ReportDateTime(inputs.created));
  const std::string note = WithoutBidiControls(inputs.note);
  fact(kNote, note.empty() ? std::string(Pick(kNoNote, language)) : note);
  fact(kDevice, inputs.provenance ? DeviceText(*inputs.provenance, language) : std::string(Pick(kNoDevice, language)));
  if (inputs.provenance) fact(kConnection, ConnectionText(inputs.provenance->line, language));
  fact(kVerification, VerificationText(inputs.provenance, language));

  for (const ReportWords* column : {&kRegister, &kParameter, &kValue, &kMeaning}) {
    report.columns.emplace_back(Pick(*column, language));
  }
  for (const ParameterLine& line : sheet.lines) {
    report.rows.push_back({line.address.Text(), line.caption, std::to_string(line.value), line.meaning,
                           line.transferred});
  }
  report.notTransferredMark = std::string(Pick(kNotTransferred, language));
  report.program = "KLV Loader " KLV_VERSION;
  for (const ReportWords* label : {&kCheckedBy, &kSignOffDate, &kSignature}) {
    report.signOff.emplace_back(Pick(*label, language));
  }
  return report;
}

std::string ReportFileName(std::string_view documentTitle, std::string_view note) {
  std::string name(documentTitle);
  if (!note.empty()) name += (name.empty() ? "" : "-") + WithoutBidiControls(note);
  if (name.empty()) name = "report";
  for (char& c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || c == '/' || c == '\\' || c == ':' || c == '*' || c == '?' || c == '"' || c == '<' ||
        c == '>' || c == '|') {
      c = '_';
    }
  }
  return name + ".pdf";
}

std::string WithoutBidiControls(std::string_view text) {
  std::string kept;
  kept.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = [&](std::size_t at) { return at < text.size() ? static_cast<unsigned char>(text[at]) : 0u; };
    // U+061C in UTF-8: D8 9C.
    if (byte(i) == 0xD8 && byte(i + 1) == 0x9C) {
      ++i;
      continue;
    }
    // U+200E, U+200F, U+202A..U+202E: E2 80 8E/8F/AA..AE; U+2066..U+2069: E2 81 A6..A9.
    if (byte(i) == 0xE2) {
      const unsigned second = byte(i + 1);
      const unsigned third = byte(i + 2);
      const bool mark = second == 0x80 && (third == 0x8E || third == 0x8F || (third >= 0xAA && third <= 0xAE));
      const bool isolate = second == 0x81 && third >= 0xA6 && third <= 0xA9;
      if (mark || isolate) {
        i += 2;
        continue;
      }
    }
    kept.push_back(text[i]);
  }
  return kept;
}

std::string ReportMessageText(ReportMessage message, Language language, std::string_view first,
                              std::string_view second) {
  switch (message) {
    case ReportMessage::Saved: return Fill(Pick(kSaved, language), {first});
    case ReportMessage::CannotSave: return Fill(Pick(kCannotSave, language), {first, second});
    case ReportMessage::CannotPrint: return std::string(Pick(kCannotPrint, language));
  }
  return {};
}

}  // namespace klv
