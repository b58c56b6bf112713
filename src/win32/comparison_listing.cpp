#include "win32/comparison_listing.h"

#include "model/model_kind.h"

namespace klv {

std::string ComparisonListing(const ParameterComparison& comparison, Language language) {
  // Screen first, regulator second, as the comparison window's columns.
  std::string out = std::string(ModelCaptionText(language)) + ": " + std::string(ModelName(comparison.screenModel)) +
                    " / " + std::string(ModelName(comparison.deviceModel)) + "\n";
  out += std::string(OptionsCaptionText(language)) + ": " +
         OptionNamesText(comparison.screenOptionNames, language) + " / " +
         OptionNamesText(comparison.deviceOptionNames, language) + "\n";
  if (comparison.Equal()) return out + "\n" + std::string(NoDifferencesText(language));
  for (const ParameterDifference& d : comparison.differences) {
    out += "\n" + d.address.Text() + "  " + d.caption + ": " + std::to_string(d.screenValue) + " (" +
           d.screenMeaning + ") / " + std::to_string(d.deviceValue) + " (" + d.deviceMeaning + ")";
  }
  return out;
}

}  // namespace klv
