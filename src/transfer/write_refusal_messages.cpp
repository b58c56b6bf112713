#include "transfer/write_refusal_messages.h"

#include <array>
#include <string_view>

#include "model/device_identity.h"
#include "model/parameter_set.h"
#include "transfer/transfer_context.h"
#include "transfer/transfer_result_messages.h"

namespace klv {
namespace {

// "< heading >", twelve blanks, then the sub-heading on a line of its own
// after an empty one.
std::string Heading(TextId heading, TextId subHeading, Language language) {
  std::string text = "< ";
  text += Text(heading, language);
  text += " >            \n";
  text += "\n  ";
  text += Text(subHeading, language);
  text += '\n';
  return text;
}

std::string_view OnOff(uint16_t word, uint16_t bit) { return (word & bit) != 0 ? "  ON" : " OFF"; }

std::string Closing(Language language) {
  std::string text = "\n\n";
  text += Text(TextId::ConfirmScreenSetting, language);
  return text;
}

struct OptionLine {
  uint16_t bit;
  TextId nameText;
};

// In the order the message lists them, which is the bit order.
constexpr std::array<OptionLine, 4> kKlv40Options = {{
    {kOptionAnalogInput, TextId::AnalogInput},
    {kOptionAlarmOutput2, TextId::AlarmOutput2},
    {kOptionDigitalOutput, TextId::DigitalControlOutput},
    {kOptionAnalogOutput, TextId::AnalogOutput},
}};

}  // namespace

std::string Klv40OptionsMessage(uint16_t deviceOptions, Language language) {
  std::string text = Heading(TextId::OptionsDiffer, TextId::OptionsOfDevice, language);
  for (const OptionLine& option : kKlv40Options) {
    text += "\n    ";
    text += Text(option.nameText, language);
    text += "\t : ";
    text += OnOff(deviceOptions, option.bit);
  }
  return text + Closing(language);
}

std::string SeriesOneOptionsMessage(uint16_t deviceOptions, Language language) {
  std::string text = Heading(TextId::OptionsDiffer, TextId::OptionsOfDevice, language);
  text += "\n    ";
  text += Text(TextId::OutputCurrentDetection, language);
  text += " : ";
  text += OnOff(deviceOptions, kOptionCurrentDetection);
  return text + Closing(language);
}

std::string ControlInputMessage(int16_t controlInputType, Language language) {
  std::string text = Heading(TextId::ControlInputDiffers, TextId::ControlInputOfDevice, language);
  text += '\n';
  const ControlInputDescription& input = DescribeControlInput(controlInputType);
  text += Text(input.nameText, language);
  text += input.ranges;
  return text + Closing(language);
}

std::string RefusalMessage(const TransferRefusal& refusal, const TransferTally& tally, Language language) {
  using Reason = TransferRefusal::Reason;
  switch (refusal.reason) {
    case Reason::PortNotOpen:
      return std::string(kPortYetToOpen);
    case Reason::ModelDiffers:
      return std::string(Text(TextId::ModelDiffers, language));
    case Reason::OptionsDiffer:
      return refusal.deviceModel == ModelKind::Klv40 ? Klv40OptionsMessage(refusal.deviceOptions, language)
                                                     : SeriesOneOptionsMessage(refusal.deviceOptions, language);
    case Reason::ControlInputDiffers:
      return ControlInputMessage(refusal.controlInputType, language);
    case Reason::ValuesOutOfRange:
      return RangeViolationMessage(tally.outOfRange, language);
  }
  return {};
}

}  // namespace klv
