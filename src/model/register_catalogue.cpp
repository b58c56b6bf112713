#include "model/register_catalogue.h"

#include <array>

namespace klv {
namespace {

using P = ParameterSet;

// Three blank rows end every table, bound to the scratch.
constexpr CatalogueEntry kBlank{"", SlotBinding{}, kEndAddress, 0, 0, 0, 0};
constexpr MonitorEntry kMonitorBlank{"", kEndAddress, 0, 0};

// Row order is transfer order: 011F goes between 012B and 012C on purpose.
constexpr std::array<CatalogueEntry, 30> kKlv40{{
    {"ｷｰﾛｯｸ", &P::keyLock, Register{0x0120}, 0, 1, 0, 0},
    {"ﾋｭｰｽﾞ溶断警報", &P::fuseMeltedAlarm, Register{0x0122}, 0, 2, 0, 0},
    {"電源異常警報", &P::powerSupplyErrorAlarm, Register{0x0123}, 0, 2, 0, 0},
    {"電流異常警報", &P::currentErrorAlarm, Register{0x0124}, 0, 2, 0, 0},
    {"H/W異常警報", &P::hardwareErrorAlarm, Register{0x0125}, 0, 2, 0, 0},
    {"温度異常警報", &P::temperatureErrorAlarm, Register{0x0126}, 0, 2, 0, 0},
    {"ﾋｰﾀ断線警報", &P::heaterBreakAlarm, Register{0x0127}, 0, 2, 0, 0},
    {"DO-1設定", &P::do1Setting, Register{0x0128}, 0, 3, 0, kOptionDigitalOutput},
    {"DO-2設定", &P::do2Setting, Register{0x0129}, 0, 3, 0, kOptionDigitalOutput},
    {"勾配下限", &P::rampLowerLimit, Register{0x012A}, -2, 999, 0, 0},
    {"勾配上限選択", &P::rampUpperSelection, Register{0x012B}, -2, 0, 0, 0},
    {"勾配上限設定", &P::rampUpperSetting, Register{0x011F}, 1, 1000, 1000, 0},
    {"ｽﾛｰｱｯﾌﾟ時間", &P::slowUpTime, Register{0x012C}, 0, 999, 10, 0},
    {"ｽﾛｰﾀﾞｳﾝ時間", &P::slowDownTime, Register{0x012D}, 0, 999, 10, 0},
    {"電流ﾘﾐｯﾀ", &P::currentLimiter, Register{0x012E}, -3, 120, 100, 0},
    {"ﾋｰﾀ断線警報電流", &P::heaterBreakCurrent, Register{0x012F}, 0, 100, 0, 0},
    {"DI-1 ﾏﾆｭｱﾙ動作", &P::di1Setting, Register{0x0130}, 0, 2, 0, 0},
    {"DI-2 EXE設定", &P::di2Setting, Register{0x0131}, 0, 2, 0, 0},
    {"DI-3 起動時制限", &P::di3Setting, Register{0x0132}, 0, 1, 0, 0},
    {"起動時ﾘﾐｯﾀ", &P::bootLimiter, Register{0x0133}, 0, 1000, 200, 0},
    {"起動時ﾘﾐｯﾀ時間", &P::bootLimiterTime, Register{0x0134}, 0, 999, 10, 0},
    {"ｱﾅﾛｸﾞ入力設定", &P::analogInputSetting, Register{0x0135}, 0, 1, 0, kOptionAnalogInput},
    {"ｱﾅﾛｸﾞ出力設定", &P::analogOutputSetting, Register{0x0136}, 0, 1, 0, kOptionAnalogOutput},
    {"ｱﾅﾛｸﾞ出力ｽｹｰﾘﾝｸﾞ下限", &P::scaleLow, Register{0x0137}, 0, 1000, 0, kOptionAnalogOutput},
    {"ｱﾅﾛｸﾞ出力ｽｹｰﾘﾝｸﾞ上限", &P::scaleHigh, Register{0x0138}, 0, 1000, 1000, kOptionAnalogOutput},
    {"制御入力レンジ", &P::controlInputRange, Register{0x013D}, 0, 7, 0, 0},
    {"電源瞬停対応機能", &P::powerDipHandling, Register{0x013F}, 0, 1, 1, 0},
    kBlank,
    kBlank,
    kBlank,
}};

// One alarm output: the alarm allocations are 0 "AL1" or 1 "non", and they
// exist only with the current detection function.
constexpr std::array<CatalogueEntry, 16> kKlv30{{
    {"ｷｰﾛｯｸ", &P::keyLock, Register{0x0120}, 0, 1, 0, 0},
    {"電源異常警報", &P::powerSupplyErrorAlarm, Register{0x0123}, 0, 1, 0, kOptionCurrentDetection},
    {"電流異常警報", &P::currentErrorAlarm, Register{0x0124}, 0, 1, 0, kOptionCurrentDetection},
    {"ﾊｰﾄﾞｳｪｱ異常警報", &P::hardwareErrorAlarm, Register{0x0125}, 0, 1, 0, kOptionCurrentDetection},
    {"ﾋｰﾀ断線警報", &P::heaterBreakAlarm, Register{0x0127}, 0, 1, 0, kOptionCurrentDetection},
    {"勾配下限", &P::rampLowerLimit, Register{0x012A}, -2, 999, 0, 0},
    {"勾配上限選択", &P::rampUpperSelection, Register{0x012B}, -2, 0, 0, 0},
    {"勾配上限設定", &P::rampUpperSetting, Register{0x011F}, 1, 1000, 1000, 0},
    {"変化率制限", &P::slowUpTime, Register{0x012C}, 0, 999, 10, 0},
    {"電流ﾘﾐｯﾀ", &P::currentLimiter, Register{0x012E}, -2, 120, 100, kOptionCurrentDetection},
    {"ﾋｰﾀ断線警報電流", &P::heaterBreakCurrent, Register{0x012F}, 0, 100, 0, kOptionCurrentDetection},
    {"制御入力レンジ", &P::controlInputRange, Register{0x013D}, 0, 6, 0, 0},
    {"電源瞬停対応機能", &P::powerDipHandling, Register{0x013F}, 0, 1, 1, 0},
    kBlank,
    kBlank,
    kBlank,
}};

// 0128 and 0129 are the control input scaling here, kept in the scale slots.
constexpr std::array<CatalogueEntry, 18> kKlv30E{{
    {"ｷｰﾛｯｸ", &P::keyLock, Register{0x0120}, 0, 1, 0, 0},
    {"電源異常警報", &P::powerSupplyErrorAlarm, Register{0x0123}, 0, 1, 0, kOptionCurrentDetection},
    {"電流異常警報", &P::currentErrorAlarm, Register{0x0124}, 0, 1, 0, kOptionCurrentDetection},
    {"ﾊｰﾄﾞｳｪｱ異常警報", &P::hardwareErrorAlarm, Register{0x0125}, 0, 1, 0, kOptionCurrentDetection},
    {"ﾋｰﾀ断線警報", &P::heaterBreakAlarm, Register{0x0127}, 0, 1, 0, kOptionCurrentDetection},
    {"制御入力ｽｹｰﾙ下限", &P::scaleLow, Register{0x0128}, 0, 200, 0, 0},
    {"制御入力ｽｹｰﾙ上限", &P::scaleHigh, Register{0x0129}, 800, 1000, 1000, 0},
    {"勾配下限", &P::rampLowerLimit, Register{0x012A}, -2, 999, 0, 0},
    {"勾配上限選択", &P::rampUpperSelection, Register{0x012B}, -2, 0, 0, 0},
    {"勾配上限設定", &P::rampUpperSetting, Register{0x011F}, 1, 1000, 1000, 0},
    {"ｽﾛｰｱｯﾌﾟ時間", &P::slowUpTime, Register{0x012C}, 0, 999, 10, 0},
    {"ｽﾛｰﾀﾞｳﾝ時間", &P::slowDownTime, Register{0x012D}, 0, 999, 10, 0},
    {"電流ﾘﾐｯﾀ", &P::currentLimiter, Register{0x012E}, -2, 120, 100, kOptionCurrentDetection},
    {"ﾋｰﾀ断線警報電流", &P::heaterBreakCurrent, Register{0x012F}, 0, 100, 0, kOptionCurrentDetection},
    {"電源瞬停対応機能", &P::powerDipHandling, Register{0x013F}, 0, 1, 1, 0},
    kBlank,
    kBlank,
    kBlank,
}};

constexpr int16_t kAll = kMonitorModelKlv40 | kMonitorModelKlv30 | kMonitorModelKlv30E;

constexpr std::array<MonitorEntry, 15> kMonitor{{
    {"出力", Register{0x0100}, kAll, 0},
    {"負荷電圧", Register{0x0101}, kMonitorModelKlv40, 0},
    {"負荷電流", Register{0x0102}, kAll, 0},
    {"負荷電力", Register{0x0103}, kMonitorModelKlv40, 0},
    {"制御入力", Register{0x0104}, kAll, 0},
    {"VR1", Register{0x0105}, kAll, 0},
    {"VR2", Register{0x0106}, kAll, 0},
    {"VR3", Register{0x0107}, kAll, 0},
    {"AL/Do出力", Register{0x0108}, kAll, 0},
    {"Di入力", Register{0x0109}, kMonitorModelKlv40 | kMonitorModelKlv30E, 0},
    {"ｱﾅﾛｸﾞ入力", Register{0x010A}, kMonitorModelKlv40, kOptionAnalogInput},
    {"ｱﾅﾛｸﾞ出力", Register{0x010B}, kMonitorModelKlv40, kOptionAnalogOutput},
    kMonitorBlank,
    kMonitorBlank,
    kMonitorBlank,
}};

template <typename Row>
constexpr std::size_t CountRows(std::span<const Row> table) {
  std::size_t count = 0;
  while (count < table.size() && table[count].address != kEndAddress) ++count;
  return count;
}

template <typename Row, std::size_t N>
constexpr bool IsWellFormed(const std::array<Row, N>& table) {
  // Three blank rows at the end, and no other "0000" row before them.
  if (CountRows(std::span<const Row>(table)) != N - 3) return false;
  for (std::size_t i = N - 3; i < N; ++i) {
    if (table[i].address != kEndAddress || table[i].optionMask != 0) return false;
  }
  return true;
}

static_assert(IsWellFormed(kKlv40) && IsWellFormed(kKlv30) && IsWellFormed(kKlv30E));
static_assert(IsWellFormed(kMonitor));

// The parameter file and ParameterSet::Slot rely on KLV40 row i binding slot i.
constexpr bool Klv40BindsSlotsInOrder() {
  for (std::size_t i = 0; i < kParameterSlotCount; ++i) {
    if (kKlv40[i].value.Member() != ParameterSet::kSlots[i]) return false;
  }
  return true;
}
static_assert(Klv40BindsSlotsInOrder());

}  // namespace

int16_t& SlotBinding::In(ParameterSet& set) const {
  if (IsScratch()) {
    thread_local int16_t scratch = 0;
    return scratch;
  }
  return set.*member_;
}

int16_t SlotBinding::In(const ParameterSet& set) const { return IsScratch() ? 0 : set.*member_; }

RegisterCatalogue CatalogueFor(ModelKind model) {
  switch (model) {
    case ModelKind::Klv40:
      return kKlv40;
    case ModelKind::Klv30:
      return kKlv30;
    default:
      return kKlv30E;
  }
}

MonitorCatalogue GetMonitorCatalogue() { return kMonitor; }

std::span<const CatalogueEntry> CatalogueRows(RegisterCatalogue catalogue) {
  return catalogue.first(CountRows(catalogue));
}

std::span<const MonitorEntry> MonitorRows(MonitorCatalogue catalogue) { return catalogue.first(CountRows(catalogue)); }

void LoadDefaults(ParameterSet& set, ModelKind currentModel) {
  for (const CatalogueEntry& row : CatalogueRows(CatalogueFor(currentModel))) {
    row.value.In(set) = row.defaultValue;
  }
  set.optionFlags = 0;
  set.optionDetect = 0;
}

}  // namespace klv
