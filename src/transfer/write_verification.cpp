#include "transfer/write_verification.h"

#include "model/register_catalogue.h"
#include "serial/checked_sequence.h"

namespace klv {
namespace {

bool Japanese(Language language) { return language == Language::Japanese; }

// The status line while the registers are read back.
std::string_view VerifyingText(Language language) {
  return Japanese(language) ? "照合中......." : "Verifying…";
}

const CatalogueEntry* RowOf(ModelKind model, std::string_view address) {
  for (const CatalogueEntry& row : CatalogueRows(CatalogueFor(model))) {
    if (row.address.Text() == address) return &row;
  }
  return nullptr;
}

}  // namespace

WriteVerification VerifyWrittenRegisters(const TransferContext& context) {
  WriteVerification verification;
  verification.ran = true;
  const ModelKind model = context.currentModel;
  context.progress.SetStatusText(ModelStatusText(model, VerifyingText(context.language)));
  const std::vector<std::string>& written = context.tally.through;
  // One bar from empty to full over the registers read back.
  const int step = written.empty() ? kProgressMaximum
                                   : (kProgressMaximum + static_cast<int>(written.size()) - 1) /
                                         static_cast<int>(written.size());
  ProgressPosition bar(context.progress, step);
  CheckedSequence reads(context.connection);
  for (const std::string& address : written) {
    const CatalogueEntry* row = RowOf(model, address);
    if (row == nullptr) continue;  // not a register of this model: nothing was written there
    if (context.StopRequested()) break;
    context.clock.SleepFor(kReadBackPause);
    const auto read = [&connection = context.connection, reg = row->address] { return connection.Read(reg); };
    const int16_t sent = row->value.In(context.parameters);
    reads.Run(read, read, [&verification, &address, sent](const Reply& outcome) {
      ++verification.checked;
      if (!outcome.Ok()) {
        verification.unanswered.push_back(address);
      } else if (outcome.value != sent) {
        verification.differing.push_back({address, sent, outcome.value});
      }
    });
    bar.Advance();
  }
  reads.Finish();
  bar.Reset();
  return verification;
}

std::string VerificationMessage(const WriteVerification& verification, Language language) {
  const bool ja = Japanese(language);
  const std::string checked = std::to_string(verification.checked);
  if (verification.AllEqual()) {
    return ja ? "照合済み: 全 " + checked + " レジスタの読出し値が一致しました"
              : "Verified: all " + checked + " registers read back equal";
  }
  const std::string failing = std::to_string(verification.differing.size() + verification.unanswered.size());
  std::string text = ja ? "照合失敗: " + checked + " レジスタ中 " + failing + " レジスタが一致しません"
                        : "Verification failed: " + failing + " of " + checked + " registers do not read back equal";
  for (const ReadBackDifference& d : verification.differing) {
    text += ja ? "\n  " + d.address + ": 書込み値 " + std::to_string(d.written) + "、読出し値 " +
                     std::to_string(d.readBack)
               : "\n  " + d.address + ": written " + std::to_string(d.written) + ", read back " +
                     std::to_string(d.readBack);
  }
  for (const std::string& address : verification.unanswered) {
    text += ja ? "\n  " + address + ": 読出しに正常な応答なし" : "\n  " + address + ": no valid reply when read back";
  }
  return text;
}

}  // namespace klv
