#pragma once
// The record of what one unit was set to: the parameter set of the screen or
// of a file in words (model, options, every parameter with its caption, value
// and meaning), the file it came from, when the report was made, the unit's
// serial number or a note, and - when the set came from the regulator in this
// session - the device's identity, the line it was reached over, whether a
// write was verified and whether the set was changed since. This is
// the report's content in one language; the window and the command-line tool
// hand it to the same page layout (editor/ui/unit_report_pdf.h).
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/model_kind.h"
#include "editor/unit_report_line.h"
#include "model/parameter_set.h"
#include "model/register.h"
#include "platform/clock.h"
#include "text/language.h"

namespace klv {

// Who the regulator said it was: the identification register that named the
// model with its code, and the option words it reported.
struct DeviceIdentityRecord {
  ModelKind model = ModelKind::Klv40;
  Register codeRegister;  // 0110 or 0119
  uint16_t code = 0;
  uint16_t optionFlags = 0;
  uint16_t optionDetect = 0;
};

// The identity a regulator of model gave when it was read, with the option
// words the read stored in parameters.
DeviceIdentityRecord IdentityOfDevice(ModelKind model, const ParameterSet& parameters);

// The outcome of reading back what a write sent. The write's own check fills
// it; a set that was only read, or written without the check, is NotVerified.
struct ReportVerification {
  enum class Status { NotVerified, Equal, Differs };
  Status status = Status::NotVerified;
  std::string details;  // the check's own message, shown as it is
};

// The last complete read or verified write of the screen's set in this
// session; an edit marks it changed, another set drops it.
struct UnitProvenance {
  enum class Source { Read, VerifiedWrite };
  Source source = Source::Read;
  DeviceIdentityRecord device;
  ReportVerification verification;
  LocalTime when;  // when the read or the write ended
  ReportLine line;
  bool changedSince = false;  // the set was edited after it
};

struct UnitReportInputs {
  ParameterSet parameters;
  ModelKind model = ModelKind::Klv40;
  Language language = Language::English;
  std::string fileName;  // the parameter file's name, or "Untitled"
  LocalTime created;
  std::string note;  // the unit's serial number or a note; may be empty
  std::optional<UnitProvenance> provenance;
};

// One labelled fact of the report's head ("Model", "KLV40").
struct ReportFact {
  std::string label;
  std::string value;
};

struct ReportRow {
  std::string address;
  std::string caption;
  std::string value;
  std::string meaning;
  bool transferred = true;  // false: the options leave it out of a transfer
};

struct UnitReport {
  Language language = Language::English;
  std::string title;
  std::vector<ReportFact> facts;             // model, options, file, date, note, device, verification
  std::vector<std::string> columns;          // register, parameter, value, meaning
  std::vector<ReportRow> rows;               // every parameter of the model, register order
  std::string notTransferredMark;            // shown after the meaning of a row not transferred
  std::string program;                       // the program and its version, "KLV Loader 1.60"
  std::vector<std::string> signOff;          // "Checked by", "Date", "Signature": room to fill in by hand
};

UnitReport ComposeUnitReport(const UnitReportInputs& inputs);

// "2026-12-09 08:05:03": the report's date and time, the same in both languages.
std::string ReportDateTime(const LocalTime& time);

// The name a report file is offered under: the document's title, then the
// note when there is one, with characters that do not belong in a file
// name replaced by "_", and ".pdf".
std::string ReportFileName(std::string_view documentTitle, std::string_view note);

// text without the Unicode controls that reorder what follows them (the
// embeddings, overrides and isolates U+202A..U+202E and U+2066..U+2069, the
// marks U+200E, U+200F and U+061C): a note is printed in the order it was
// typed, so "1174 NS" never shows as "SN 4711".
std::string WithoutBidiControls(std::string_view text);

// The messages of the report command.
enum class ReportMessage { Saved, CannotSave, CannotPrint };
// Saved: first is the path; CannotSave: first the path, second the reason;
// CannotPrint takes neither.
std::string ReportMessageText(ReportMessage message, Language language, std::string_view first = {},
                              std::string_view second = {});

}  // namespace klv
