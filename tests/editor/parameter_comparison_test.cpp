// Holding the screen's parameter set against the one read from a device.
#include "editor/parameter_comparison.h"

#include <gtest/gtest.h>

#include <functional>

#include "model/register_catalogue.h"

namespace klv {
namespace {

ParameterSet Defaults(ModelKind model, uint16_t flags, uint16_t detect) {
  ParameterSet set;
  LoadDefaults(set, model);
  set.optionFlags = flags;
  set.optionDetect = detect;
  return set;
}

struct ComparisonCase {
  const char* name;
  ModelKind screenModel;
  ModelKind deviceModel;
  std::function<void(ParameterSet& screen, ParameterSet& device)> change;
  bool equal;
  bool optionsDiffer;
  std::vector<std::string> differingRegisters;
};

TEST(ParameterComparison, FindsEveryDifferenceAndOnlyThose) {
  const ComparisonCase cases[] = {
      {"equal KLV40 sets", ModelKind::Klv40, ModelKind::Klv40, [](ParameterSet&, ParameterSet&) {}, true, false, {}},
      {"two values", ModelKind::Klv40, ModelKind::Klv40,
       [](ParameterSet& screen, ParameterSet& device) {
         screen.slowUpTime = 25;
         device.rampLowerLimit = -2;
       },
       false, false, {"012A", "012C"}},
      {"a row the device's options leave out is not compared", ModelKind::Klv40, ModelKind::Klv40,
       [](ParameterSet& screen, ParameterSet&) { screen.do1Setting = 2; }, true, false, {}},
      {"options differ; a row only the screen's options carry is not compared", ModelKind::Klv40, ModelKind::Klv40,
       [](ParameterSet& screen, ParameterSet&) {
         screen.optionFlags = kOptionDigitalOutput;
         screen.do1Setting = 2;
       },
       false, true, {}},
      {"one-series detection word", ModelKind::Klv30E, ModelKind::Klv30E,
       [](ParameterSet& screen, ParameterSet& device) {
         screen.optionDetect = kOptionCurrentDetection;
         device.optionDetect = kOptionCurrentDetection;
         device.currentLimiter = 80;
         // The other family's word is not the device's business.
         screen.optionFlags = kOptionAnalogOutput;
       },
       false, false, {"012E"}},
      {"another model: nothing else compared", ModelKind::Klv40, ModelKind::Klv30,
       [](ParameterSet& screen, ParameterSet&) { screen.slowUpTime = 25; }, false, false, {}},
  };
  for (const ComparisonCase& c : cases) {
    SCOPED_TRACE(c.name);
    ParameterSet screen = Defaults(c.screenModel, 0, 0);
    ParameterSet device = Defaults(c.deviceModel, 0, 0);
    c.change(screen, device);
    const ParameterComparison comparison =
        CompareParameters(screen, c.screenModel, device, c.deviceModel, Language::English);
    EXPECT_EQ(comparison.Equal(), c.equal);
    EXPECT_EQ(comparison.OptionsDiffer(), c.optionsDiffer);
    EXPECT_EQ(comparison.ModelDiffers(), c.screenModel != c.deviceModel);
    std::vector<std::string> registers;
    for (const ParameterDifference& d : comparison.differences) registers.push_back(d.address.Text());
    EXPECT_EQ(registers, c.differingRegisters);
    if (comparison.ModelDiffers()) {
      EXPECT_EQ(comparison.compared, 0);
    }
  }
}

TEST(ParameterComparison, NamesBothValuesWithTheScreensWordsInEitherLanguage) {
  ParameterSet screen = Defaults(ModelKind::Klv40, kOptionAlarmOutput2, 0);
  ParameterSet device = screen;
  screen.slowUpTime = 25;
  device.slowUpTime = 30;
  device.optionFlags = kOptionAlarmOutput2 | kOptionAnalogOutput;

  const ParameterComparison english = CompareParameters(screen, ModelKind::Klv40, device, ModelKind::Klv40,
                                                        Language::English);
  ASSERT_EQ(english.differences.size(), 1u);
  const ParameterDifference& d = english.differences[0];
  EXPECT_EQ(d.address, Register{0x012C});
  EXPECT_EQ(d.caption, "Slow-up");
  EXPECT_EQ(d.screenValue, 25);
  EXPECT_EQ(d.screenMeaning, "2.5 s");
  EXPECT_EQ(d.deviceValue, 30);
  EXPECT_EQ(d.deviceMeaning, "3.0 s");
  EXPECT_EQ(OptionNamesText(english.screenOptionNames, Language::English), "Alarm output 2");
  EXPECT_EQ(english.deviceOptionNames.size(), 2u);
  EXPECT_EQ(OptionNamesText({}, Language::Japanese), "なし");

  const ParameterComparison japanese = CompareParameters(screen, ModelKind::Klv40, device, ModelKind::Klv40,
                                                         Language::Japanese);
  ASSERT_EQ(japanese.differences.size(), 1u);
  EXPECT_NE(japanese.differences[0].caption, d.caption);
  EXPECT_EQ(japanese.screenOptionNames.size(), 1u);
  EXPECT_EQ(NoDifferencesText(Language::Japanese), "相違なし");
}

}  // namespace
}  // namespace klv
