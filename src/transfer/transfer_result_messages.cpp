#include "transfer/transfer_result_messages.h"

#include <vector>

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

}  // namespace klv
