// What the Find device windows show of a scan, from one place for both front
// ends.
#include "device/scan_texts.h"

#include <gtest/gtest.h>

#include "model/parameter_set.h"

namespace klv {
namespace {

FoundRegulator Found(std::optional<ModelKind> model, uint16_t options = 0) {
  FoundRegulator found;
  found.port = {"\\\\.\\COM3", "COM3"};
  found.line = {19200, 3, 2, Protocol::Torvalek};
  found.address = 7;
  found.model = model;
  found.options = options;
  return found;
}

TEST(ScanTexts, ModelCellNamesTheModelOrTheUnknownCode) {
  FoundRegulator unknown = Found(std::nullopt);
  unknown.codeRegister = Register(0x0110);
  unknown.code = static_cast<int16_t>(0xBEEF);
  FoundRegulator refused = Found(std::nullopt);
  const struct {
    FoundRegulator found;
    std::string text;
  } cases[] = {{Found(ModelKind::Klv30E), "KLV30E"}, {unknown, "?? (0110=BEEF)"}, {refused, "??"}};
  for (const auto& c : cases) EXPECT_EQ(FoundModelText(c.found), c.text);
}

TEST(ScanTexts, OptionsCellListsTheCheckedOptionsOrSaysWhyNot) {
  FoundRegulator incomplete = Found(ModelKind::Klv40, kOptionAlarmOutput2);
  incomplete.optionsComplete = false;
  const struct {
    FoundRegulator found;
    Language language;
    std::string text;
  } cases[] = {
      {Found(ModelKind::Klv40, kOptionAlarmOutput2 | kOptionAnalogInput), Language::English,
       "Analog auxiliary input, Alarm output 2"},
      {Found(ModelKind::Klv40), Language::English, "none"},
      {Found(ModelKind::Klv40), Language::Japanese, "なし"},
      {incomplete, Language::English, "not read"},
      {Found(std::nullopt), Language::Japanese, "読めません"},
  };
  for (const auto& c : cases) EXPECT_EQ(FoundOptionsText(c.found, c.language), c.text);
}

TEST(ScanTexts, RowCellsFollowTheColumnTitles) {
  FoundRegulator found = Found(ModelKind::Klv30);
  found.localEcho = true;
  EXPECT_EQ(FoundColumnTitles(Language::English),
            (std::vector<std::string>{"Port", "Line settings", "Address", "Model", "Options", "Local echo"}));
  EXPECT_EQ(FoundRowCells(found, Language::English),
            (std::vector<std::string>{"COM3", "19200 ODD 2 TORVALEK", "7", "KLV30", "none", "on"}));
  EXPECT_EQ(FoundRowCells(found, Language::Japanese).back(), "オン");
}

TEST(ScanTexts, TroubleIsOneLineWithThePortAndTheLine) {
  ScanTrouble unopened{{"\\\\.\\COM9", "COM9"}, std::nullopt, "Port cannot be used\nAccess denied"};
  ScanTrouble refusedLine{{"\\\\.\\COM9", "COM9"}, ScanLine{9600, 2, 1, Protocol::Torvalek}, "SYS ERR: Port setup failed"};
  EXPECT_EQ(ScanTroubleText(unopened), "COM9: Port cannot be used Access denied");
  EXPECT_EQ(ScanTroubleText(refusedLine), "COM9 (9600 NON 1 TORVALEK): SYS ERR: Port setup failed");
}

TEST(ScanTexts, FinishedLineCountsTheFindsOrSaysWhatWasTried) {
  const std::vector<ScanPort> ports = {{"a", "COM1"}, {"b", "COM4"}};
  const std::vector<Protocol> protocols = {Protocol::Torvalek, Protocol::ModbusRtu};
  EXPECT_EQ(ScanFinishedText(2, false, ports, protocols, Language::English), "Regulators found: 2.");
  EXPECT_EQ(ScanFinishedText(1, true, ports, protocols, Language::English), "Stopped. Regulators found: 1.");
  const std::string none = ScanFinishedText(0, false, ports, protocols, Language::English);
  EXPECT_EQ(none.substr(0, none.find('\n')), "No regulator found.");
  EXPECT_NE(none.find("Tried: COM1, COM4 (addresses 1 to 99"), std::string::npos) << none;
  EXPECT_NE(none.find("TORVALEK, Modbus RTU)."), std::string::npos) << none;
  EXPECT_EQ(ScanFinishedText(0, true, ports, protocols, Language::Japanese).rfind("中止しました。調整器は見つかりませんでした。", 0), 0u);
}

}  // namespace
}  // namespace klv
