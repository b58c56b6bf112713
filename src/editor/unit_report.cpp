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
// %1 model, %2 register, %3 code, %4 optionFlags, %5 optionDetect, %6 time
constexpr ReportWords kDeviceRead{"%1, register %2 = %3, optionFlags %4, optionDetect %5 (read %6)",
                                  "%1、レジスタ %2 = %3、optionFlags %4、optionDetect %5（%6 読出し）"};
constexpr ReportWords kDeviceWritten{"%1, register %2 = %3, optionFlags %4, optionDetect %5 (written %6)",
                                     "%1、レジスタ %2 = %3、optionFlags %4、optionDetect %5（%6 書込み）"};
constexpr ReportWords kVerification{"Verification", "照合"};
constexpr ReportWords kNotVerified{"not verified", "照合していません"};
constexpr ReportWords kVerifiedEqual{"verified: every register read back equal",
                                     "照合済み: すべてのレジスタが一致"};
constexpr ReportWords kVerifiedDiffers{"verified: registers differ", "照合済み: 一致しないレジスタがあります"};
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
  return Fill(Pick(words, language),
              {ModelName(device.model), device.codeRegister.Text(), Hex4(device.code), std::to_string(device.optionFlags),
               std::to_string(device.optionDetect), ReportDateTime(provenance.when)});
}

std::string VerificationText(const std::optional<UnitProvenance>& provenance, Language language) {
  if (!provenance) return std::string(Pick(kNotVerified, language));
  const ReportVerification& verification = provenance->verification;
  switch (verification.status) {
    case ReportVerification::Status::NotVerified: return std::string(Pick(kNotVerified, language));
    case ReportVerification::Status::Equal:
      return verification.details.empty() ? std::string(Pick(kVerifiedEqual, language)) : verification.details;
    case ReportVerification::Status::Differs:
      return verification.details.empty() ? std::string(Pick(kVerifiedDiffers, language)) : verification.details;
  }
  return std::string(Pick(kNotVerified, language));
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
  options += " (optionFlags " + std::to_string(inputs.parameters.optionFlags) + ", optionDetect " +
             std::to_string(inputs.parameters.optionDetect) + ")";

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
