#pragma once
// The setup registers of each model and the live-value registers of the
// monitor, as constant tables. The rows are data: every walker (defaults,
// transfers, parameter file, monitor) goes through CatalogueRows or
// MonitorRows and never past the first "0000" row.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "model/model_kind.h"
#include "model/parameter_set.h"
#include "model/register.h"

namespace klv {

// Where a catalogue row keeps its value: one slot of a ParameterSet, or the
// scratch variable of the blank terminating rows.
class SlotBinding {
 public:
  constexpr SlotBinding() = default;  // the scratch
  // Implicit, so that the tables name the slot directly.
  constexpr SlotBinding(ParameterSet::SlotMember member) : member_(member) {}

  constexpr bool IsScratch() const { return member_ == nullptr; }
  constexpr ParameterSet::SlotMember Member() const { return member_; }

  // The bound slot of set. The scratch is a per-thread variable that nothing
  // reads, so a stray write through a blank row cannot touch a real value.
  int16_t& In(ParameterSet& set) const;
  // The bound value; 0 for the scratch.
  int16_t In(const ParameterSet& set) const;

  friend constexpr bool operator==(SlotBinding, SlotBinding) = default;

 private:
  ParameterSet::SlotMember member_ = nullptr;
};

// One setup register of a model.
struct CatalogueEntry {
  // The maker's register name (documentation only; the screens use their own
  // captions). The maker stores it as 21 bytes of code page 932, blank
  // padded; here it is UTF-8 without the padding, empty for the blank rows.
  std::string_view name;
  SlotBinding value;
  Register address;  // 0000 ends the list
  int16_t minimum = 0;
  int16_t maximum = 0;
  int16_t defaultValue = 0;
  uint16_t optionMask = 0;  // the device needs at least one of these bits; 0 = always present
};

// A whole table, three blank "0000" rows included. Walk it with CatalogueRows.
using RegisterCatalogue = std::span<const CatalogueEntry>;

// Bits of MonitorEntry::modelMask.
inline constexpr int16_t kMonitorModelKlv40 = 1;
inline constexpr int16_t kMonitorModelKlv30 = 2;
inline constexpr int16_t kMonitorModelKlv30E = 4;

// One live-value register. The monitor shows each reply directly and keeps
// none of them, so a row binds no variable.
struct MonitorEntry {
  std::string_view name;     // the maker's name, as for CatalogueEntry
  Register address;          // 0000 ends the list
  int16_t modelMask = 0;     // kMonitorModel* bits of the models that have the register
  uint16_t optionMask = 0;   // optionFlags bits, at least one needed; 0 = always
};

// The whole monitor table, three blank "0000" rows included.
using MonitorCatalogue = std::span<const MonitorEntry>;

// The address that ends every table.
inline constexpr Register kEndAddress{0x0000};

// Live registers the monitor's display rules name.
inline constexpr Register kOutputRegister{0x0100};
inline constexpr Register kLoadVoltageRegister{0x0101};
inline constexpr Register kLoadCurrentRegister{0x0102};
inline constexpr Register kLoadPowerRegister{0x0103};
inline constexpr Register kControlInputRegister{0x0104};
inline constexpr Register kAlarmOutputRegister{0x0108};
inline constexpr Register kDigitalInputRegister{0x0109};

// A KLV40's facts the monitor reads when it starts, for its display rules.
inline constexpr Register kRatingCodeRegister{0x0114};
inline constexpr Register kRatedCurrentRegister{0x0115};
inline constexpr Register kRatedVoltageRegister{0x013C};
inline constexpr Register kControlInputRangeRegister{0x013D};

// KLV40 and KLV30 get their own catalogues; any other value, including
// numbers outside the three models, gets the KLV30E catalogue.
RegisterCatalogue CatalogueFor(ModelKind model);

// The live-value table of the monitor, in polling order.
MonitorCatalogue GetMonitorCatalogue();

// The rows of a table before its first "0000" row: what every walk visits.
std::span<const CatalogueEntry> CatalogueRows(RegisterCatalogue catalogue);
std::span<const MonitorEntry> MonitorRows(MonitorCatalogue catalogue);

// True when the row exists on a device with this option word: its mask is 0,
// or the device has at least one of the mask's bits.
constexpr bool IsEntryPresent(const CatalogueEntry& row, uint16_t optionWord) {
  return row.optionMask == 0 || (row.optionMask & optionWord) != 0;
}

// Every row of currentModel's catalogue gets its default (present or not),
// and both option words become 0. Slots the catalogue does not bind keep
// their values.
void LoadDefaults(ParameterSet& set, ModelKind currentModel);

}  // namespace klv
