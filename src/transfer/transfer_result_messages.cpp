#include "transfer/transfer_result_messages.h"

#include <vector>

#include "device/no_reply_text.h"
#include "text/texts.h"

namespace klv {
namespace {

bool Japanese(Language language) { return language == Language::Japanese; }

std::string JoinAddresses(const std::vector<std::string>& addresses) {
  std::string text;
  for (const std::string& address : addresses) {
    if (!text.empty()) text += ", ";
    text += address;
  }
  return text;
}

// The lines naming what did not go through.
std::string FailedLines(const TransferTally& tally, Language language) {
  std::string text;
  if (!tally.refused.empty()) {
    text += Japanese(language) ? "\nエラー応答のレジスタ: " : "\nRefused by the device: ";
    text += JoinAddresses(tally.refused);
  }
  if (!tally.unanswered.empty()) {
    text += Japanese(language) ? "\n正常な応答のないレジスタ: " : "\nNo valid reply: ";
    text += JoinAddresses(tally.unanswered);
  }
  return text;
}

}  // namespace

std::string IncompleteReadMessage(const TransferTally& tally, Language language) {
  std::string text;
  if (!tally.optionsUnanswered.empty()) {
    text = Japanese(language) ? "パラメータ読出し未完了: 接続機器のオプション情報を読み出せませんでした"
                              : "Parameter reading incomplete: the options of the connected device could not be read";
    text += Japanese(language) ? "\n正常な応答のないレジスタ: " : "\nNo valid reply: ";
    text += tally.optionsUnanswered;
  } else if (Japanese(language)) {
    text = "パラメータ読出し未完了: " + std::to_string(tally.asked) + " レジスタ中 " + std::to_string(tally.done) +
           " レジスタを読出し";
    text += FailedLines(tally, language);
  } else {
    text = "Parameter reading incomplete: " + std::to_string(tally.done) + " of " + std::to_string(tally.asked) +
           " registers read";
    text += FailedLines(tally, language);
  }
  text += Japanese(language) ? "\n\n読み出した値は使用していません。" : "\n\nThe values read have not been used.";
  return text;
}

std::string IncompleteWriteMessage(const TransferTally& tally, Language language) {
  std::string text;
  if (Japanese(language)) {
    text = "パラメータ書込み未完了: " + std::to_string(tally.asked) + " レジスタ中 " + std::to_string(tally.done) +
           " レジスタを書込み";
  } else {
    text = "Parameter writing incomplete: " + std::to_string(tally.done) + " of " + std::to_string(tally.asked) +
           " registers written";
  }
  text += FailedLines(tally, language);
  text += Japanese(language) ? "\n\n接続機器には新旧の値が混在している可能性があります。"
                             : "\n\nThe device may now hold a mix of old and new values.";
  return text;
}

std::string OutOfLimitsReadLines(std::span<const RangeViolation> values, Language language) {
  std::string text;
  for (const RangeViolation& v : values) {
    text += "\n" + v.address + " = " + std::to_string(v.value) + " (" + std::to_string(v.minimum) + ".." +
            std::to_string(v.maximum) + ")" + (Japanese(language) ? ": 接続機器を確認してください" : ": check the regulator");
  }
  return text;
}

std::string NotSentLines(std::span<const TransferTally::NotSent> registers, Language language) {
  std::string text;
  for (const TransferTally::NotSent& r : registers) {
    text += Japanese(language) ? "\n" + r.address + " は書き込んでいません: 制御モード " + r.controlMode + " では使用しません"
                               : "\n" + r.address + " not written: not used in control mode " + r.controlMode;
  }
  return text;
}

std::string DetectionUnansweredLine(Language language) {
  return Japanese(language) ? "出力電流検出：なし（0102 が応答しませんでした）"
                            : "Output current detection: not fitted (0102 did not answer)";
}

std::string RangeViolationMessage(std::span<const RangeViolation> violations, Language language) {
  std::string text = Japanese(language) ? "範囲外の値があるため、何も書き込んでいません:"
                                        : "Values outside their range; nothing was written:";
  for (const RangeViolation& v : violations) {
    text += "\n  " + v.address + " = " + std::to_string(v.value) + "  (" + std::to_string(v.minimum) + ".." +
            std::to_string(v.maximum) + ")";
  }
  return text;
}

std::string CancelledWriteMessage(const TransferTally& tally, Language language) {
  const std::string done = std::to_string(tally.done);
  const std::string planned = std::to_string(tally.planned);
  if (Japanese(language)) {
    return "中止しました: " + planned + " レジスタ中 " + done +
           " レジスタを書き込みました。調節器には新旧の値が混在している可能性があります。";
  }
  return "Cancelled: " + done + " of " + planned +
         " registers written; the regulator may hold a mix of old and new values.";
}

std::string CancelledReadMessage(const TransferTally& tally, Language language) {
  const std::string done = std::to_string(tally.done);
  const std::string planned = std::to_string(tally.planned);
  if (Japanese(language)) {
    return "中止しました: " + planned + " レジスタ中 " + done + " レジスタを読み出しました。何も保存していません。";
  }
  return "Cancelled: " + done + " of " + planned + " registers read; nothing was saved.";
}

std::string NoReplyLines(const TransferResult& result, Language language, const NoReplyAdvice& advice) {
  if (!result.NoReply()) return {};
  const TransferLine& line = result.line;
  std::string text = "\n" + NoReplyFromText(line.settings, line.portLabel, line.device, language);
  // The failure's first line names the model; nothing answered, so it is not the device's.
  const std::string_view model = ModelName(result.model);
  if (model != ModelNames[3]) {
    text += "\n" + FillPlaceholders(Text(advice.modelExpected ? TextId::ModelExpectedNotDetected
                                                               : TextId::ModelSelectedNotDetected,
                                         language),
                                    {model});
  }
  text += "\n" + advice.whatNext;
  text += advice.logName.empty() ? std::string(Text(TextId::NoReplyEnd, language))
                                 : FillPlaceholders(Text(TextId::ExchangeInLog, language), {advice.logName});
  return text;
}

}  // namespace klv
