#include "compare_listing.h"

#include <algorithm>

#include "cli_texts.h"
#include "editor/parameter_description.h"
#include "json_text.h"

namespace klv::cli {
namespace {

std::string Padded(const std::string& text, std::size_t width) {
  const std::size_t used = DisplayWidth(text);
  return used >= width ? text + " " : text + std::string(width - used, ' ');
}

std::string ValueText(int16_t value, const std::string& meaning) {
  return std::to_string(value) + " (" + meaning + ")";
}

std::string JsonNames(const std::vector<std::string>& names) {
  std::string out = "[";
  for (std::size_t i = 0; i < names.size(); ++i) out += (i ? ", " : "") + JsonString(names[i]);
  return out + "]";
}

}  // namespace

std::string CompareListing(const ParameterComparison& comparison, const std::string& file, Language language) {
  const std::string differs = CliText(CliTextId::CompareDiffers, language);
  std::string out = CliText(CliTextId::CompareFile, language, {file}) + "\n";
  out += CliText(CliTextId::CompareModel, language,
                 {ModelName(comparison.screenModel), ModelName(comparison.deviceModel)}) +
         (comparison.ModelDiffers() ? differs : "") + "\n";
  out += CliText(CliTextId::CompareOptions, language,
                 {OptionNamesText(comparison.screenOptionNames, language),
                  OptionNamesText(comparison.deviceOptionNames, language)}) +
         (comparison.OptionsDiffer() ? differs : "") + "\n\n";
  if (comparison.ModelDiffers()) return out + CliText(CliTextId::CompareModelsDiffer, language) + "\n";
  if (comparison.differences.empty()) {
    return out + std::string(comparison.Equal() ? NoDifferencesText(language) : "") +
           (comparison.Equal() ? "\n" : "");
  }

  const std::string registerHead = CliText(CliTextId::CompareRegister, language);
  const std::string parameterHead = CliText(CliTextId::CompareParameter, language);
  const std::string fileHead = CliText(CliTextId::CompareFileValue, language);
  const std::string deviceHead = CliText(CliTextId::CompareDeviceValue, language);
  std::size_t registerWidth = DisplayWidth(registerHead) + 2;
  std::size_t captionWidth = DisplayWidth(parameterHead) + 2;
  std::size_t fileWidth = DisplayWidth(fileHead) + 2;
  for (const ParameterDifference& d : comparison.differences) {
    registerWidth = std::max(registerWidth, d.address.Text().size() + 2);
    captionWidth = std::max(captionWidth, DisplayWidth(d.caption) + 2);
    fileWidth = std::max(fileWidth, DisplayWidth(ValueText(d.screenValue, d.screenMeaning)) + 2);
  }
  out += Padded(registerHead, registerWidth) + Padded(parameterHead, captionWidth) + Padded(fileHead, fileWidth) +
         deviceHead + "\n";
  for (const ParameterDifference& d : comparison.differences) {
    out += Padded(d.address.Text(), registerWidth) + Padded(d.caption, captionWidth) +
           Padded(ValueText(d.screenValue, d.screenMeaning), fileWidth) + ValueText(d.deviceValue, d.deviceMeaning) +
           "\n";
  }
  return out;
}

std::string CompareJson(const ParameterComparison& comparison, const std::string& file) {
  std::string out = "{\n  \"file\": " + JsonString(file) + ",\n  \"equal\": " +
                    (comparison.Equal() ? "true" : "false") + ",\n  \"model\": {\"file\": " +
                    JsonString(ModelName(comparison.screenModel)) +
                    ", \"regulator\": " + JsonString(ModelName(comparison.deviceModel)) +
                    ", \"differs\": " + (comparison.ModelDiffers() ? "true" : "false") + "},\n" +
                    "  \"options\": {\"file\": " + std::to_string(comparison.screenOptions) +
                    ", \"regulator\": " + std::to_string(comparison.deviceOptions) +
                    ", \"fileNames\": " + JsonNames(comparison.screenOptionNames) +
                    ", \"regulatorNames\": " + JsonNames(comparison.deviceOptionNames) +
                    ", \"differs\": " + (comparison.OptionsDiffer() ? "true" : "false") + "},\n" +
                    "  \"compared\": " + std::to_string(comparison.compared) + ",\n  \"differences\": [\n";
  for (std::size_t i = 0; i < comparison.differences.size(); ++i) {
    const ParameterDifference& d = comparison.differences[i];
    out += "    {\"register\": " + JsonString(d.address.Text()) + ", \"name\": " + JsonString(d.name) +
           ", \"caption\": " + JsonString(d.caption) + ", \"file\": {\"value\": " + std::to_string(d.screenValue) +
           ", \"meaning\": " + JsonString(d.screenMeaning) + "}, \"regulator\": {\"value\": " +
           std::to_string(d.deviceValue) + ", \"meaning\": " + JsonString(d.deviceMeaning) + "}}" +
           (i + 1 < comparison.differences.size() ? "," : "") + "\n";
  }
  return out + "  ]\n}\n";
}

}  // namespace klv::cli
