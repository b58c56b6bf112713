#include "editor/unit_report.h"

#include <cstdio>
#include <initializer_list>

#include "editor/parameter_description.h"
#include "model/device_identity.h"
#include "text/texts.h"

namespace klv {
namespace {

std::string Hex4(uint16_t value) {
  char text[8];
  std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(value));
  return text;
}

std::string DeviceText(const UnitProvenance& provenance, Language language) {
  const DeviceIdentityRecord& device = provenance.device;
  const TextId words =
      provenance.source == UnitProvenance::Source::Read ? TextId::ReportDeviceRead : TextId::ReportDeviceWritten;
  return Text(words, language, {Hex4(device.code), ModelName(device.model), ReportDateTime(provenance.when)});
}

std::string ConnectionText(const ReportLine& line, Language language) {
  std::string port = line.port;
  if (line.simulated) {
    port = Text(TextId::ReportPortDevice, language,
                {port, Text(TextId::SimulatedPort, language, {ModelName(*line.simulated)})});
  } else if (!line.device.empty()) {
    port = Text(TextId::ReportPortDevice, language, {port, line.device});
  }
  return Text(TextId::ReportConnectionLine, language, {port, std::to_string(line.address), line.settings});
}

// What the read or the check found, as it stood when it ended.
std::string ResultText(const UnitProvenance& provenance, Language language) {
  const ReportVerification& verification = provenance.verification;
  if (provenance.source == UnitProvenance::Source::Read) return std::string(Text(TextId::ReportAsRead, language));
  switch (verification.status) {
    case ReportVerification::Status::NotVerified: return std::string(Text(TextId::ReportNotVerified, language));
    case ReportVerification::Status::Equal:
      return verification.details.empty() ? std::string(Text(TextId::ReportVerifiedEqual, language)) : verification.details;
    case ReportVerification::Status::Differs:
      return verification.details.empty() ? std::string(Text(TextId::ReportVerifiedDiffers, language)) : verification.details;
  }
  return std::string(Text(TextId::ReportNotVerified, language));
}

std::string VerificationText(const std::optional<UnitProvenance>& provenance, Language language) {
  if (!provenance) return std::string(Text(TextId::ReportNotVerified, language));
  if (!provenance->changedSince) return ResultText(*provenance, language);
  const std::string when = ReportDateTime(provenance->when);
  if (provenance->source == UnitProvenance::Source::Read) return Text(TextId::ReportChangedAfterRead, language, {when});
  return Text(TextId::ReportChangedAfterVerification, language, {when, ResultText(*provenance, language)});
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
  report.title = std::string(Text(TextId::ReportTitle, language));

  std::string options;
  for (const std::string& option : sheet.options) options += (options.empty() ? "" : ", ") + option;
  if (options.empty()) options = std::string(Text(TextId::NoOptionNames, language));

  const auto fact = [&](TextId label, std::string value) {
    report.facts.push_back({std::string(Text(label, language)), std::move(value)});
  };
  fact(TextId::ModelCaption, std::string(ModelName(inputs.model)));
  fact(TextId::OptionsCaption, options);
  fact(TextId::ReportFile, inputs.fileName);
  fact(TextId::ReportDateTime, ReportDateTime(inputs.created));
  const std::string note = WithoutBidiControls(inputs.note);
  fact(TextId::ReportNote, note.empty() ? std::string(Text(TextId::ReportNoNote, language)) : note);
  fact(TextId::ReportDevice, inputs.provenance ? DeviceText(*inputs.provenance, language)
                                               : std::string(Text(TextId::ReportNoDevice, language)));
  if (inputs.provenance) fact(TextId::ReportConnection, ConnectionText(inputs.provenance->line, language));
  fact(TextId::ReportVerification, VerificationText(inputs.provenance, language));

  for (TextId column : {TextId::ReportRegister, TextId::ReportParameter, TextId::ReportValue, TextId::ReportMeaning}) {
    report.columns.emplace_back(Text(column, language));
  }
  for (const ParameterLine& line : sheet.lines) {
    report.rows.push_back({line.address.Text(), line.caption, std::to_string(line.value), line.meaning,
                           line.transferred});
  }
  report.notTransferredMark = std::string(Text(TextId::ReportNotTransferred, language));
  report.program = "KLV Loader " KLV_VERSION;
  for (TextId label : {TextId::ReportCheckedBy, TextId::ReportSignOffDate, TextId::ReportSignature}) {
    report.signOff.emplace_back(Text(label, language));
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
    case ReportMessage::Saved: return Text(TextId::ReportSaved, language, {first});
    case ReportMessage::CannotSave: return Text(TextId::ReportCannotSave, language, {first, second});
    case ReportMessage::CannotPrint: return std::string(Text(TextId::ReportCannotPrint, language));
  }
  return {};
}

}  // namespace klv
