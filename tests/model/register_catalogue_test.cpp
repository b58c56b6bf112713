#include "model/register_catalogue.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <cerrno>
#include <string>
#include <vector>

namespace klv {
namespace {

using P = ParameterSet;

// The maker's tables, typed here independently of the code's tables.
struct ExpectedRow {
  const char* address;
  const char* name;
  ParameterSet::SlotMember slot;
  int16_t minimum;
  int16_t maximum;
  int16_t defaultValue;
  uint16_t optionMask;
};

const std::vector<ExpectedRow> kExpectedKlv40 = {
    {"0120", "ｷｰﾛｯｸ", &P::keyLock, 0, 1, 0, 0},
    {"0122", "ﾋｭｰｽﾞ溶断警報", &P::fuseMeltedAlarm, 0, 2, 0, 0},
    {"0123", "電源異常警報", &P::powerSupplyErrorAlarm, 0, 2, 0, 0},
    {"0124", "電流異常警報", &P::currentErrorAlarm, 0, 2, 0, 0},
    {"0125", "H/W異常警報", &P::hardwareErrorAlarm, 0, 2, 0, 0},
    {"0126", "温度異常警報", &P::temperatureErrorAlarm, 0, 2, 0, 0},
    {"0127", "ﾋｰﾀ断線警報", &P::heaterBreakAlarm, 0, 2, 0, 0},
    {"0128", "DO-1設定", &P::do1Setting, 0, 3, 0, 4},
    {"0129", "DO-2設定", &P::do2Setting, 0, 3, 0, 4},
    {"012A", "勾配下限", &P::rampLowerLimit, -2, 999, 0, 0},
    {"012B", "勾配上限選択", &P::rampUpperSelection, -2, 0, 0, 0},
    {"011F", "勾配上限設定", &P::rampUpperSetting, 1, 1000, 1000, 0},
    {"012C", "ｽﾛｰｱｯﾌﾟ時間", &P::slowUpTime, 0, 999, 10, 0},
    {"012D", "ｽﾛｰﾀﾞｳﾝ時間", &P::slowDownTime, 0, 999, 10, 0},
    {"012E", "電流ﾘﾐｯﾀ", &P::currentLimiter, -3, 120, 100, 0},
    {"012F", "ﾋｰﾀ断線警報電流", &P::heaterBreakCurrent, 0, 100, 0, 0},
    {"0130", "DI-1 ﾏﾆｭｱﾙ動作", &P::di1Setting, 0, 2, 0, 0},
    {"0131", "DI-2 EXE設定", &P::di2Setting, 0, 2, 0, 0},
    {"0132", "DI-3 起動時制限", &P::di3Setting, 0, 1, 0, 0},
    {"0133", "起動時ﾘﾐｯﾀ", &P::bootLimiter, 0, 1000, 200, 0},
    {"0134", "起動時ﾘﾐｯﾀ時間", &P::bootLimiterTime, 0, 999, 10, 0},
    {"0135", "ｱﾅﾛｸﾞ入力設定", &P::analogInputSetting, 0, 1, 0, 1},
    {"0136", "ｱﾅﾛｸﾞ出力設定", &P::analogOutputSetting, 0, 1, 0, 8},
    {"0137", "ｱﾅﾛｸﾞ出力ｽｹｰﾘﾝｸﾞ下限", &P::scaleLow, 0, 1000, 0, 8},
    {"0138", "ｱﾅﾛｸﾞ出力ｽｹｰﾘﾝｸﾞ上限", &P::scaleHigh, 0, 1000, 1000, 8},
    {"013D", "制御入力レンジ", &P::controlInputRange, 0, 7, 0, 0},
    {"013F", "電源瞬停対応機能", &P::powerDipHandling, 0, 1, 1, 0},
};

const std::vector<ExpectedRow> kExpectedKlv30 = {
    {"0120", "ｷｰﾛｯｸ", &P::keyLock, 0, 1, 0, 0},
    {"0123", "電源異常警報", &P::powerSupplyErrorAlarm, 0, 1, 0, 1},
    {"0124", "電流異常警報", &P::currentErrorAlarm, 0, 1, 0, 1},
    {"0125", "ﾊｰﾄﾞｳｪｱ異常警報", &P::hardwareErrorAlarm, 0, 1, 0, 1},
    {"0127", "ﾋｰﾀ断線警報", &P::heaterBreakAlarm, 0, 1, 0, 1},
    {"012A", "勾配下限", &P::rampLowerLimit, -2, 999, 0, 0},
    {"012B", "勾配上限選択", &P::rampUpperSelection, -2, 0, 0, 0},
    {"011F", "勾配上限設定", &P::rampUpperSetting, 1, 1000, 1000, 0},
    {"012C", "変化率制限", &P::slowUpTime, 0, 999, 10, 0},
    {"012E", "電流ﾘﾐｯﾀ", &P::currentLimiter, -2, 120, 100, 1},
    {"012F", "ﾋｰﾀ断線警報電流", &P::heaterBreakCurrent, 0, 100, 0, 1},
    {"013D", "制御入力レンジ", &P::controlInputRange, 0, 6, 0, 0},
    {"013F", "電源瞬停対応機能", &P::powerDipHandling, 0, 1, 1, 0},
};

const std::vector<ExpectedRow> kExpectedKlv30E = {
    {"0120", "ｷｰﾛｯｸ", &P::keyLock, 0, 1, 0, 0},
    {"0123", "電源異常警報", &P::powerSupplyErrorAlarm, 0, 1, 0, 1},
    {"0124", "電流異常警報", &P::currentErrorAlarm, 0, 1, 0, 1},
    {"0125", "ﾊｰﾄﾞｳｪｱ異常警報", &P::hardwareErrorAlarm, 0, 1, 0, 1},
    {"0127", "ﾋｰﾀ断線警報", &P::heaterBreakAlarm, 0, 1, 0, 1},
    {"0128", "制御入力ｽｹｰﾙ下限", &P::scaleLow, 0, 200, 0, 0},
    {"0129", "制御入力ｽｹｰﾙ上限", &P::scaleHigh, 800, 1000, 1000, 0},
    {"012A", "勾配下限", &P::rampLowerLimit, -2, 999, 0, 0},
    {"012B", "勾配上限選択", &P::rampUpperSelection, -2, 0, 0, 0},
    {"011F", "勾配上限設定", &P::rampUpperSetting, 1, 1000, 1000, 0},
    {"012C", "ｽﾛｰｱｯﾌﾟ時間", &P::slowUpTime, 0, 999, 10, 0},
    {"012D", "ｽﾛｰﾀﾞｳﾝ時間", &P::slowDownTime, 0, 999, 10, 0},
    {"012E", "電流ﾘﾐｯﾀ", &P::currentLimiter, -2, 120, 100, 1},
    {"012F", "ﾋｰﾀ断線警報電流", &P::heaterBreakCurrent, 0, 100, 0, 1},
    {"013F", "電源瞬停対応機能", &P::powerDipHandling, 0, 1, 1, 0},
};

struct CatalogueCase {
  ModelKind model;
  const std::vector<ExpectedRow>* expected;
};

class CatalogueTableTest : public ::testing::TestWithParam<CatalogueCase> {};

TEST_P(CatalogueTableTest, RowsMatchTheMakersTable) {
  const std::vector<ExpectedRow>& expected = *GetParam().expected;
  const auto rows = CatalogueRows(CatalogueFor(GetParam().model));
  ASSERT_EQ(rows.size(), expected.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE("row " + std::to_string(i + 1) + " address " + expected[i].address);
    EXPECT_EQ(rows[i].address.Text(), expected[i].address);
    EXPECT_EQ(rows[i].name, expected[i].name);
    EXPECT_EQ(rows[i].value, SlotBinding(expected[i].slot));
    EXPECT_EQ(rows[i].minimum, expected[i].minimum);
    EXPECT_EQ(rows[i].maximum, expected[i].maximum);
    EXPECT_EQ(rows[i].defaultValue, expected[i].defaultValue);
    EXPECT_EQ(rows[i].optionMask, expected[i].optionMask);
  }
}

TEST_P(CatalogueTableTest, EndsWithThreeBlankRowsThatNoWalkVisits) {
  const RegisterCatalogue all = CatalogueFor(GetParam().model);
  const auto rows = CatalogueRows(all);
  ASSERT_EQ(all.size(), rows.size() + 3);
  for (const CatalogueEntry& row : rows) EXPECT_NE(row.address, kEndAddress);
  for (const CatalogueEntry& blank : all.subspan(rows.size())) {
    EXPECT_EQ(blank.address, kEndAddress);
    EXPECT_TRUE(blank.value.IsScratch());
    EXPECT_EQ(blank.minimum, 0);
    EXPECT_EQ(blank.maximum, 0);
    EXPECT_EQ(blank.defaultValue, 0);
    EXPECT_EQ(blank.optionMask, 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Models, CatalogueTableTest,
                         ::testing::Values(CatalogueCase{ModelKind::Klv40, &kExpectedKlv40},
                                           CatalogueCase{ModelKind::Klv30, &kExpectedKlv30},
                                           CatalogueCase{ModelKind::Klv30E, &kExpectedKlv30E}),
                         [](const auto& info) { return std::string(ModelName(info.param.model)); });

TEST(CatalogueFor, AnyOtherModelNumberGetsTheKlv30ECatalogue) {
  const RegisterCatalogue klv30e = CatalogueFor(ModelKind::Klv30E);
  for (const int32_t number : {3, 4, -1, 308, 0x7FFFFFFF}) {
    const RegisterCatalogue other = CatalogueFor(static_cast<ModelKind>(number));
    EXPECT_EQ(other.data(), klv30e.data()) << number;
    EXPECT_EQ(other.size(), klv30e.size()) << number;
  }
  EXPECT_NE(CatalogueFor(ModelKind::Klv40).data(), klv30e.data());
  EXPECT_NE(CatalogueFor(ModelKind::Klv30).data(), klv30e.data());
  EXPECT_EQ(ModelNames[3], "KLVxx");
  EXPECT_EQ(ModelName(static_cast<ModelKind>(3)), "KLVxx");
}

TEST(IsEntryPresent, MaskNeedsOneSharedBitAndMaskZeroIsAlwaysPresent) {
  const CatalogueEntry& do1 = CatalogueRows(CatalogueFor(ModelKind::Klv40))[7];
  ASSERT_EQ(do1.address, Register{0x0128});
  ASSERT_EQ(do1.optionMask, 4);
  const CatalogueEntry& keyLock = CatalogueRows(CatalogueFor(ModelKind::Klv40))[0];
  ASSERT_EQ(keyLock.optionMask, 0);

  const struct {
    uint16_t options;
    bool do1Present;
  } cases[] = {{0, false}, {1, false}, {2, false}, {8, false}, {11, false},
               {4, true},  {5, true},  {15, true}, {0xFFFF, true}};
  for (const auto& c : cases) {
    EXPECT_EQ(IsEntryPresent(do1, c.options), c.do1Present) << "options " << c.options;
    EXPECT_TRUE(IsEntryPresent(keyLock, c.options)) << "options " << c.options;
  }
}

// Every slot holds a value no catalogue uses as a default, and both option
// words are set, so a slot that LoadDefaults touches by mistake shows.
ParameterSet Marked() {
  ParameterSet set;
  for (std::size_t i = 0; i < kParameterSlotCount; ++i) set.Slot(i) = static_cast<int16_t>(-100 - i);
  set.optionFlags = 0x000F;
  set.optionDetect = 0x0001;
  return set;
}

TEST(LoadDefaults, Klv30SetsItsRowsAndLeavesTheOtherSlots) {
  ParameterSet set = Marked();
  ParameterSet expected = Marked();
  expected.keyLock = 0;
  expected.powerSupplyErrorAlarm = 0;
  expected.currentErrorAlarm = 0;
  expected.hardwareErrorAlarm = 0;
  expected.heaterBreakAlarm = 0;
  expected.rampLowerLimit = 0;
  expected.rampUpperSelection = 0;
  expected.rampUpperSetting = 1000;
  expected.slowUpTime = 10;
  expected.currentLimiter = 100;
  expected.heaterBreakCurrent = 0;
  expected.controlInputRange = 0;
  expected.powerDipHandling = 1;
  expected.optionFlags = 0;
  expected.optionDetect = 0;

  LoadDefaults(set, ModelKind::Klv30);
  EXPECT_EQ(set, expected);
  EXPECT_EQ(set.fuseMeltedAlarm, -101);
  EXPECT_EQ(set.do1Setting, -107);
}

TEST(LoadDefaults, Klv30ESetsTheControlInputScalingInTheScaleSlots) {
  ParameterSet set = Marked();
  LoadDefaults(set, ModelKind::Klv30E);
  EXPECT_EQ(set.scaleLow, 0);
  EXPECT_EQ(set.scaleHigh, 1000);
  EXPECT_EQ(set.slowDownTime, 10);
  EXPECT_EQ(set.do1Setting, -107);  // 0128 of a KLV30E is not the DO-1 slot
  EXPECT_EQ(set.do2Setting, -108);
  EXPECT_EQ(set.controlInputRange, -125);
  EXPECT_EQ(set.optionFlags, 0);
  EXPECT_EQ(set.optionDetect, 0);
}

TEST(LoadDefaults, Klv40SetsEverySlotWhetherItsOptionIsThereOrNot) {
  ParameterSet set = Marked();
  LoadDefaults(set, ModelKind::Klv40);
  const int16_t defaults[kParameterSlotCount] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1000, 10, 10,
                                                 100, 0, 0, 0, 0, 200, 10, 0, 0, 0, 1000, 0, 1};
  for (std::size_t i = 0; i < kParameterSlotCount; ++i) EXPECT_EQ(set.Slot(i), defaults[i]) << "slot " << i;
  EXPECT_EQ(set.optionFlags, 0);
  EXPECT_EQ(set.optionDetect, 0);
}

TEST(LoadDefaults, OtherModelNumberLoadsTheKlv30EDefaults) {
  ParameterSet viaOther = Marked();
  ParameterSet viaKlv30E = Marked();
  LoadDefaults(viaOther, static_cast<ModelKind>(7));
  LoadDefaults(viaKlv30E, ModelKind::Klv30E);
  EXPECT_EQ(viaOther, viaKlv30E);
}

TEST(SlotBinding, BlankRowsReachAScratchOutsideTheSet) {
  ParameterSet set = Marked();
  const CatalogueEntry& blank = CatalogueFor(ModelKind::Klv40).back();
  blank.value.In(set) = 12345;
  EXPECT_EQ(set, Marked());
  EXPECT_EQ(blank.value.In(static_cast<const ParameterSet&>(set)), 0);
  EXPECT_EQ(&CatalogueRows(CatalogueFor(ModelKind::Klv30E))[5].value.In(set), &set.scaleLow);
}

TEST(Register, ShowsAndReadsFourHexDigits) {
  for (const uint16_t number : {0x0000, 0x011F, 0x013D, 0xABCD, 0xFFFF}) {
    const Register reg{number};
    EXPECT_EQ(reg.Text().size(), 4u);
    EXPECT_EQ(Register::FromText(reg.Text()), reg);
  }
  EXPECT_EQ(Register{0x011F}.Text(), "011F");
  EXPECT_EQ(Register::FromText("01af"), Register{0x01AF});
  for (const char* bad : {"", "11F", "0110 ", "01G0", "00110"}) EXPECT_FALSE(Register::FromText(bad)) << bad;
}

TEST(MonitorCatalogue, RowsMatchTheMakersTable) {
  const struct {
    const char* address;
    const char* name;
    int16_t modelMask;
    uint16_t optionMask;
  } expected[] = {
      {"0100", "出力", 7, 0},     {"0101", "負荷電圧", 1, 0},   {"0102", "負荷電流", 7, 0},
      {"0103", "負荷電力", 1, 0}, {"0104", "制御入力", 7, 0},   {"0105", "VR1", 7, 0},
      {"0106", "VR2", 7, 0},      {"0107", "VR3", 7, 0},        {"0108", "AL/Do出力", 7, 0},
      {"0109", "Di入力", 5, 0},   {"010A", "ｱﾅﾛｸﾞ入力", 1, 1}, {"010B", "ｱﾅﾛｸﾞ出力", 1, 8},
  };
  const MonitorCatalogue all = GetMonitorCatalogue();
  const auto rows = MonitorRows(all);
  ASSERT_EQ(rows.size(), std::size(expected));
  for (std::size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(expected[i].address);
    EXPECT_EQ(rows[i].address.Text(), expected[i].address);
    EXPECT_EQ(rows[i].name, expected[i].name);
    EXPECT_EQ(rows[i].modelMask, expected[i].modelMask);
    EXPECT_EQ(rows[i].optionMask, expected[i].optionMask);
  }
  ASSERT_EQ(all.size(), rows.size() + 3);
  for (const MonitorEntry& blank : all.subspan(rows.size())) {
    EXPECT_EQ(blank.address, kEndAddress);
    EXPECT_EQ(blank.modelMask, 0);
    EXPECT_EQ(blank.optionMask, 0);
  }
}

// The maker keeps each name in 21 bytes of code page 932.
TEST(CatalogueNames, EachFitsTwentyOneBytesOfCodePage932) {
  iconv_t convert = iconv_open("CP932", "UTF-8");
  if (convert == reinterpret_cast<iconv_t>(-1)) GTEST_SKIP() << "no CP932 converter on this system";

  std::vector<std::string_view> names;
  for (const ModelKind model : {ModelKind::Klv40, ModelKind::Klv30, ModelKind::Klv30E}) {
    for (const CatalogueEntry& row : CatalogueRows(CatalogueFor(model))) names.push_back(row.name);
  }
  for (const MonitorEntry& row : MonitorRows(GetMonitorCatalogue())) names.push_back(row.name);

  for (const std::string_view name : names) {
    std::string input(name);
    char output[64];
    char* in = input.data();
    std::size_t inLeft = input.size();
    char* out = output;
    std::size_t outLeft = sizeof output;
    iconv(convert, nullptr, nullptr, nullptr, nullptr);
    const std::size_t result = iconv(convert, &in, &inLeft, &out, &outLeft);
    EXPECT_NE(result, static_cast<std::size_t>(-1)) << name << ": " << errno;
    EXPECT_LE(sizeof output - outLeft, 21u) << name;
    EXPECT_GT(sizeof output - outLeft, 0u) << name;
  }
  iconv_close(convert);
}

}  // namespace
}  // namespace klv
