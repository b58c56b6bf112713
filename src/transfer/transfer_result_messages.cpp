#include "transfer/transfer_result_messages.h"

#include <vector>

#include "device/no_reply_text.h"
#include "text/texts.h"

namespace klv {
namespace {

std::string JoinAddresses(const std::vector<Register>& addresses) {
  std::string text;
  for (const Register address : addresses) {
    if (!text.empty()) text += ", ";
    text += address.Text();
  }
  return text;
}

// The lines naming what did not go through.
std::string FailedLines(const TransferTally& tally, Language language) {
  std::string text;
  if (!tally.refused.empty()) {
    text += Text(TextId::RefusedRegisters, language, {JoinAddresses(tally.refused)});
  }
  if (!tally.unanswered.empty()) {
    text += Text(TextId::UnansweredRegisters, language, {JoinAddresses(tally.unanswered)});
  }
  return text;
}

}  // namespace

std::string IncompleteReadMessage(const TransferTally& tally, Language language) {
  std::string text;
  if (tally.optionsUnanswered) {
    text = std::string(Text(TextId::ReadIncompleteOptions, language));
    text += Text(TextId::UnansweredRegisters, language, {tally.optionsUnanswered->Text()});
  } else {
    text = Text(TextId::ReadIncompleteCount, language, {std::to_string(tally.done), std::to_string(tally.asked)});
    text += FailedLines(tally, language);
  }
  text += Text(TextId::ReadValuesUnused, language);
  return text;
}

std::string IncompleteWriteMessage(const TransferTally& tally, Language language) {
  std::string text =
      Text(TextId::WriteIncompleteCount, language, {std::to_string(tally.done), std::to_string(tally.asked)});
  text += FailedLines(tally, language);
  text += Text(TextId::WriteMixedValues, language);
  return text;
}

std::string OutOfLimitsReadLines(std::span<const RangeViolation> values, Language language) {
  std::string text;
  for (const RangeViolation& v : values) {
    text += Text(TextId::OutOfLimitsLine, language,
                 {v.address.Text(), std::to_string(v.value), std::to_string(v.minimum), std::to_string(v.maximum)});
  }
  return text;
}

std::string NotSentLines(std::span<const TransferTally::NotSent> registers, Language language) {
  std::string text;
  for (const TransferTally::NotSent& r : registers) {
    text += Text(TextId::NotSentInControlMode, language, {r.address.Text(), r.controlMode});
  }
  return text;
}

std::string DetectionUnansweredLine(Language language) {
  return std::string(Text(TextId::DetectionUnanswered, language));
}

std::string RangeViolationMessage(std::span<const RangeViolation> violations, Language language) {
  std::string text(Text(TextId::RangeViolationHead, language));
  for (const RangeViolation& v : violations) {
    text += "\n  " + v.address.Text() + " = " + std::to_string(v.value) + "  (" + std::to_string(v.minimum) + ".." +
            std::to_string(v.maximum) + ")";
  }
  return text;
}

std::string CancelledWriteMessage(const TransferTally& tally, Language language) {
  return Text(TextId::CancelledWrite, language, {std::to_string(tally.done), std::to_string(tally.planned)});
}

std::string CancelledReadMessage(const TransferTally& tally, Language language) {
  return Text(TextId::CancelledRead, language, {std::to_string(tally.done), std::to_string(tally.planned)});
}

std::string NoReplyLines(const TransferResult& result, Language language, const NoReplyAdvice& advice) {
  if (!result.NoReply()) return {};
  const TransferLine& line = result.line;
  std::string text = "\n" + NoReplyFromText(line.settings, line.portLabel, line.device, language);
  if (line.echo == EchoFinding::Differs) text += "\n" + std::string(Text(TextId::EchoDiffers, language));
  if (line.echo == EchoFinding::Unexpected) text += "\n" + std::string(Text(TextId::EchoUnexpected, language));
  // The failure's first line names the model; nothing answered, so it is not the device's.
  const std::string_view model = ModelName(result.model);
  if (model != ModelNames[3]) {
    text += "\n" + Text(advice.modelExpected ? TextId::ModelExpectedNotDetected : TextId::ModelSelectedNotDetected,
                        language, {model});
  }
  text += "\n" + advice.whatNext;
  text += advice.logName.empty() ? std::string(Text(TextId::NoReplyEnd, language))
                                 : Text(TextId::ExchangeInLog, language, {advice.logName});
  return text;
}

}  // namespace klv
