#pragma once
// A parameter set held against the one read from a regulator: the model,
// the option word of the model's family and every parameter whose value
// differs, each named with the screen's caption and both meanings. Pure: the
// reading is done elsewhere.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/model_kind.h"
#include "model/parameter_set.h"
#include "model/register.h"
#include "text/language.h"

namespace klv {

struct ParameterDifference {
  Register address;
  int slot = -1;
  std::string_view name;  // the slot's stable name, for machine-readable output
  std::string caption;
  int16_t screenValue = 0;
  std::string screenMeaning;
  int16_t deviceValue = 0;
  std::string deviceMeaning;
};

struct ParameterComparison {
  ModelKind screenModel = ModelKind::Klv40;
  ModelKind deviceModel = ModelKind::Klv40;
  // The option word of the device's model family on either side, and the
  // captions of the option boxes it ticks.
  uint16_t screenOptions = 0;
  uint16_t deviceOptions = 0;
  std::vector<std::string> screenOptionNames;
  std::vector<std::string> deviceOptionNames;
  // Parameters held against each other (only when the models agree) and
  // those of them that differ, in the model's register order.
  int compared = 0;
  std::vector<ParameterDifference> differences;

  bool ModelDiffers() const { return screenModel != deviceModel; }
  bool OptionsDiffer() const { return screenOptions != deviceOptions; }
  bool Equal() const { return !ModelDiffers() && !OptionsDiffer() && differences.empty(); }
};

// Compares the screen's set with the device's. A different model is one
// difference and nothing more: its registers mean other things. Otherwise a
// parameter is compared when both option words let a transfer carry it; a
// row only one side's options carry shows as the option difference.
ParameterComparison CompareParameters(const ParameterSet& screen, ModelKind screenModel, const ParameterSet& device,
                                      ModelKind deviceModel, Language language);

// The words of the comparison's results, for every listing of it.
std::string_view NoDifferencesText(Language language);  // "No differences"
std::string_view ModelCaptionText(Language language);   // "Model"
std::string_view OptionsCaptionText(Language language);  // "Options"
// The option captions joined by ", ", or "none".
std::string OptionNamesText(const std::vector<std::string>& names, Language language);

}  // namespace klv
