#include "bus_summary.h"

#include <algorithm>
#include <vector>

#include "cli_texts.h"
#include "json_text.h"

namespace klv::cli {
namespace {

std::string ResultText(const BusUnitResult& unit, Language language) {
  switch (unit.status) {
    case BusUnitStatus::Succeeded: return CliText(CliTextId::BusResultOk, language);
    case BusUnitStatus::NotTried: return CliText(CliTextId::BusResultNotTried, language);
    case BusUnitStatus::Failed: break;
  }
  if (unit.result == "differs") return CliText(CliTextId::BusResultDiffers, language);
  return CliText(CliTextId::BusResultFailed, language, {unit.result});
}

std::string ModelText(const BusUnitResult& unit) {
  return unit.model ? std::string(ModelName(*unit.model)) : std::string("-");
}

std::string AddressList(const std::vector<int32_t>& addresses) {
  std::string text;
  for (const int32_t address : addresses) text += (text.empty() ? "" : ", ") + std::to_string(address);
  return text;
}

// Pads to width columns, counting each character once (a wide character
// takes two columns on a terminal, so Japanese headings stay readable).
std::string Padded(const std::string& text, std::size_t width) {
  std::size_t columns = 0;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte & 0xC0) != 0x80) columns += byte >= 0xE0 ? 2 : 1;
  }
  return text + std::string(width > columns ? width - columns : 0, ' ');
}

}  // namespace

std::string BusSummaryTable(const BusRunResult& run, Language language) {
  const std::string address = CliText(CliTextId::BusColumnAddress, language);
  const std::string model = CliText(CliTextId::BusColumnModel, language);
  const std::size_t addressWidth = std::max<std::size_t>(address.size(), 7) + 2;
  const std::size_t modelWidth = 8;
  std::string table = Padded(address, addressWidth) + Padded(model, modelWidth) +
                      CliText(CliTextId::BusColumnResult, language) + "\n";
  for (const BusUnitResult& unit : run.units) {
    table += Padded(std::to_string(unit.address), addressWidth) + Padded(ModelText(unit), modelWidth) +
             ResultText(unit, language) + "\n";
  }
  return table;
}

std::string BusSummaryJson(const BusRunResult& run) {
  std::string json = "[";
  for (std::size_t i = 0; i < run.units.size(); ++i) {
    const BusUnitResult& unit = run.units[i];
    json += i == 0 ? "\n" : ",\n";
    json += "  {\"address\": " + std::to_string(unit.address) +
            ", \"model\": " + (unit.model ? JsonString(ModelName(*unit.model)) : std::string("null")) +
            ", \"result\": " + JsonString(unit.result) + ", \"file\": " + JsonString(unit.file) +
            ", \"message\": " + JsonString(unit.message) + "}";
  }
  return json + (run.units.empty() ? "]\n" : "\n]\n");
}

std::string BusFailureLines(const BusRunResult& run, Language language) {
  const std::vector<int32_t> unsuccessful = run.Unsuccessful();
  if (unsuccessful.empty()) return {};
  std::string lines = CliText(CliTextId::BusFailedUnits, language, {AddressList(unsuccessful)}) + "\n";
  if (const std::vector<int32_t> notTried = run.NotTried(); !notTried.empty()) {
    lines += CliText(CliTextId::BusNotTriedUnits, language, {AddressList(notTried)}) + "\n";
  }
  return lines;
}

}  // namespace klv::cli
