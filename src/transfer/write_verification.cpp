#include "transfer/write_verification.h"

#include "model/register_catalogue.h"
#include "serial/checked_sequence.h"
#include "text/texts.h"

namespace klv {
namespace {

// The status line while the registers are read back.
std::string_view VerifyingText(Language language) {
  return Text(TextId::Verifying, language);
}

const CatalogueEntry* RowOf(ModelKind model, Register address) {
  for (const CatalogueEntry& row : CatalogueRows(CatalogueFor(model))) {
    if (row.address == address) return &row;
  }
  return nullptr;
}

}  // namespace

WriteVerification VerifyWrittenRegisters(const TransferContext& context) {
  WriteVerification verification;
  verification.ran = true;
  const ModelKind model = context.currentModel;
  context.progress.SetStatusText(ModelStatusText(model, VerifyingText(context.language)));
  const std::vector<Register>& written = context.tally.through;
  // One bar from empty to full over the registers read back.
  const int step = written.empty() ? kProgressMaximum
                                   : (kProgressMaximum + static_cast<int>(written.size()) - 1) /
                                         static_cast<int>(written.size());
  ProgressPosition bar(context.progress, step);
  CheckedSequence reads(context.connection);
  for (const Register address : written) {
    const CatalogueEntry* row = RowOf(model, address);
    if (row == nullptr) continue;  // not a register of this model: nothing was written there
    if (context.StopRequested()) break;
    context.clock.SleepFor(kReadBackPause);
    const auto read = [&connection = context.connection, reg = row->address] { return connection.Read(reg); };
    const int16_t sent = row->value.In(context.parameters);
    reads.Run(read, read, [&verification, address, sent](const Reply& outcome) {
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
  const std::string checked = std::to_string(verification.checked);
  if (verification.AllEqual()) return Text(TextId::VerifiedAllEqual, language, {checked});
  const std::string failing = std::to_string(verification.differing.size() + verification.unanswered.size());
  std::string text = Text(TextId::VerificationFailed, language, {failing, checked});
  for (const ReadBackDifference& d : verification.differing) {
    text += Text(TextId::ReadBackDiffers, language, {d.address.Text(), std::to_string(d.written), std::to_string(d.readBack)});
  }
  for (const Register address : verification.unanswered) {
    text += Text(TextId::ReadBackUnanswered, language, {address.Text()});
  }
  return text;
}

}  // namespace klv
