#include "device/scan_texts.h"

#include <algorithm>
#include <cstdio>

#include "model/model_kind.h"
#include "text/texts.h"

namespace klv {

std::string ScanProgressText(const ScanProgress& progress, Language language) {
  return Text(TextId::FindTrying, language,
              {progress.port.name, ScanLineText(progress.line), std::to_string(progress.address)});
}

std::string FoundModelText(const FoundRegulator& found) {
  if (found.model) return std::string(ModelName(*found.model));
  if (!found.codeRegister) return "??";
  char code[8];
  std::snprintf(code, sizeof code, "%04X", static_cast<unsigned>(static_cast<uint16_t>(found.code)));
  return "?? (" + found.codeRegister->Text() + "=" + code + ")";
}

std::string FoundOptionsText(const FoundRegulator& found, Language language) {
  if (!found.model || !found.optionsComplete) return std::string(Text(TextId::FindOptionsNotRead, language));
  std::string names;
  for (const std::string& name : FoundOptionNames(found, language)) names += (names.empty() ? "" : ", ") + name;
  return names.empty() ? std::string(Text(TextId::NoOptionNames, language)) : names;
}

std::string FoundEchoText(const FoundRegulator& found, Language language) {
  return std::string(Text(found.localEcho ? TextId::FindEchoOn : TextId::FindEchoOff, language));
}

std::vector<std::string> FoundRowCells(const FoundRegulator& found, Language language) {
  return {found.port.name,         ScanLineText(found.line),          std::to_string(found.address),
          FoundModelText(found),   FoundOptionsText(found, language), FoundEchoText(found, language)};
}

std::vector<std::string> FoundColumnTitles(Language language) {
  std::vector<std::string> titles;
  for (const TextId id : {TextId::FindPortColumn, TextId::FindLineColumn, TextId::FindAddressColumn,
                          TextId::ModelCaption, TextId::OptionsCaption, TextId::LocalEcho}) {
    titles.emplace_back(Text(id, language));
  }
  return titles;
}

std::string ScanTroubleText(const ScanTrouble& trouble) {
  std::string text = trouble.port.name;
  if (trouble.line) text += " (" + ScanLineText(*trouble.line) + ")";
  std::string message = trouble.message;
  std::replace(message.begin(), message.end(), '\n', ' ');
  return text + ": " + message;
}

std::string ScanProtocolNames(std::span<const Protocol> protocols) {
  std::string names;
  for (const Protocol protocol : protocols) {
    if (!names.empty()) names += ", ";
    names += protocol == Protocol::Torvalek    ? "TORVALEK"
             : protocol == Protocol::ModbusRtu ? "Modbus RTU"
                                               : "Modbus ASCII";
  }
  return names;
}

std::string ScanFinishedText(std::size_t foundCount, bool cancelled, std::span<const ScanPort> ports,
                             std::span<const Protocol> protocols, Language language) {
  std::string text;
  if (foundCount == 0) {
    // What was tried, and what to look at before trying again.
    std::string tried;
    for (const ScanPort& port : ports) tried += (tried.empty() ? "" : ", ") + port.name;
    text = std::string(Text(TextId::FindNoneFound, language)) + "\n" +
           Text(TextId::FindTried, language, {tried, ScanProtocolNames(protocols)});
  } else {
    text = Text(TextId::FindFound, language, {std::to_string(foundCount)});
  }
  if (cancelled) text = std::string(Text(TextId::FindStopped, language)) + text;
  return text;
}

}  // namespace klv
