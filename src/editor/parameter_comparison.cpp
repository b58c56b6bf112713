#include "editor/parameter_comparison.h"

#include "editor/parameter_description.h"
#include "text/texts.h"

namespace klv {
namespace {

uint16_t FamilyWord(const ParameterSet& set, ModelKind model) {
  return model == ModelKind::Klv40 ? set.optionFlags : set.optionDetect;
}

}  // namespace

ParameterComparison CompareParameters(const ParameterSet& screen, ModelKind screenModel, const ParameterSet& device,
                                      ModelKind deviceModel, Language language) {
  ParameterComparison comparison;
  comparison.screenModel = screenModel;
  comparison.deviceModel = deviceModel;
  const ParameterSheet deviceSheet = DescribeParameters(device, deviceModel, language);
  // The screen's options as the device's family reads them.
  const ParameterSheet screenSheet = DescribeParameters(screen, deviceModel, language);
  comparison.screenOptions = FamilyWord(screen, deviceModel);
  comparison.deviceOptions = FamilyWord(device, deviceModel);
  comparison.screenOptionNames = screenSheet.options;
  comparison.deviceOptionNames = deviceSheet.options;
  if (comparison.ModelDiffers()) return comparison;

  for (std::size_t i = 0; i < deviceSheet.lines.size(); ++i) {
    const ParameterLine& onDevice = deviceSheet.lines[i];
    const ParameterLine& onScreen = screenSheet.lines[i];
    if (!onDevice.transferred || !onScreen.transferred) continue;
    ++comparison.compared;
    if (onDevice.value == onScreen.value) continue;
    comparison.differences.push_back({onDevice.address, onDevice.slot, onDevice.name, onDevice.caption, onScreen.value,
                                      onScreen.meaning, onDevice.value, onDevice.meaning});
  }
  return comparison;
}

std::string_view NoDifferencesText(Language language) {
  return Text(TextId::NoDifferences, language);
}

std::string_view ModelCaptionText(Language language) { return Text(TextId::ModelCaption, language); }

std::string_view OptionsCaptionText(Language language) { return Text(TextId::OptionsCaption, language); }

std::string OptionNamesText(const std::vector<std::string>& names, Language language) {
  if (names.empty()) return std::string(Text(TextId::NoOptionNames, language));
  std::string text;
  for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
  return text;
}

}  // namespace klv
