#include "transfer/changed_register_selection.h"

#include <algorithm>
#include <array>

#include "model/register_catalogue.h"

namespace klv {
namespace {

constexpr Register kRampLowerLimit{0x012A};
constexpr Register kRampUpperSelection{0x012B};
constexpr Register kRampUpperSetting{0x011F};
constexpr Register kCurrentLimiter{0x012E};

// The ramp limits are held against each other by the regulator: the full
// write takes them through "lower limit 0, upper from the setting" before it
// writes any of them, and so does a write of the changed ones.
constexpr std::array<Register, 3> kRampRegisters = {kRampLowerLimit, kRampUpperSelection, kRampUpperSetting};

bool Contains(const std::vector<Register>& list, Register address) {
  return std::find(list.begin(), list.end(), address) != list.end();
}

}  // namespace

bool PreWriteGuards(Register preWritten, Register row) {
  if (preWritten == kRampLowerLimit || preWritten == kRampUpperSelection) {
    return std::find(kRampRegisters.begin(), kRampRegisters.end(), row) != kRampRegisters.end();
  }
  return preWritten == row;
}

ChangedRegisterSelection SelectChangedRegisters(ModelKind model, uint16_t optionWord, const ParameterSet& wanted,
                                                const ParameterSet& device, bool keepsCurrentLimiter) {
  ChangedRegisterSelection selection;
  const auto rows = CatalogueRows(CatalogueFor(model));
  const auto leftOut = [keepsCurrentLimiter](const CatalogueEntry& row) {
    return keepsCurrentLimiter && row.address == kCurrentLimiter;
  };
  for (const CatalogueEntry& row : rows) {
    if (!IsEntryPresent(row, optionWord)) continue;
    if (leftOut(row)) {
      selection.currentLimiterNotSent = row.value.In(wanted) != row.value.In(device);
      continue;
    }
    if (row.value.In(wanted) != row.value.In(device)) selection.changed.push_back(row.address);
  }

  for (const PreWrite& preWrite : kPreWrites) {
    bool needed = std::any_of(selection.changed.begin(), selection.changed.end(),
                              [&preWrite](Register changed) { return PreWriteGuards(preWrite.address, changed); });
    // The full write leaves such a limiter at its pre-written value.
    if (keepsCurrentLimiter && preWrite.address == kCurrentLimiter) {
      for (const CatalogueEntry& row : rows) {
        if (row.address == kCurrentLimiter) needed = row.value.In(device) != preWrite.value;
      }
    }
    if (needed) selection.preWrites.push_back(preWrite);
  }

  for (const CatalogueEntry& row : rows) {
    if (!IsEntryPresent(row, optionWord) || leftOut(row)) continue;
    const bool movedByPreWrite =
        std::any_of(selection.preWrites.begin(), selection.preWrites.end(), [&](const PreWrite& preWrite) {
          return preWrite.address == row.address && row.value.In(wanted) != preWrite.value;
        });
    if (Contains(selection.changed, row.address) || movedByPreWrite) selection.rows.push_back(row.address);
  }
  return selection;
}

}  // namespace klv
