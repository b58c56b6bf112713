// Which registers a write of the changed values only sends, per model.
#include "transfer/changed_register_selection.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "model/register_catalogue.h"

namespace klv {
namespace {

struct Change {
  int16_t ParameterSet::*slot;
  int16_t wanted;
  int16_t device;
};

struct SelectionCase {
  const char* name;
  ModelKind model;
  uint16_t optionWord;
  bool keepsCurrentLimiter;
  std::vector<Change> changes;
  // Pre-writes as "REG=value" and rows, in the order sent.
  std::vector<std::string> preWrites;
  std::vector<std::string> rows;
  std::vector<std::string> changed;
  bool currentLimiterNotSent = false;
};
void PrintTo(const SelectionCase& c, std::ostream* os) { *os << c.name; }

// Both sides start from the model's defaults with a few values moved off
// them, so every pre-write would change something if it were sent.
ParameterSet Base(ModelKind model) {
  ParameterSet set;
  LoadDefaults(set, model);
  set.rampLowerLimit = 50;
  set.rampUpperSelection = -1;
  set.currentLimiter = 90;
  return set;
}

class ChangedRegisterSelectionTest : public ::testing::TestWithParam<SelectionCase> {};

TEST_P(ChangedRegisterSelectionTest, SelectsTheChangedRowsWithTheirPreWritesInCatalogueOrder) {
  const SelectionCase& c = GetParam();
  ParameterSet wanted = Base(c.model);
  ParameterSet device = Base(c.model);
  for (const Change& change : c.changes) {
    wanted.*change.slot = change.wanted;
    device.*change.slot = change.device;
  }

  const ChangedRegisterSelection selection =
      SelectChangedRegisters(c.model, c.optionWord, wanted, device, c.keepsCurrentLimiter);

  std::vector<std::string> preWrites;
  for (const PreWrite& preWrite : selection.preWrites) {
    preWrites.push_back(preWrite.address.Text() + "=" + std::to_string(preWrite.value));
  }
  std::vector<std::string> rows;
  for (const Register row : selection.rows) rows.push_back(row.Text());
  std::vector<std::string> changed;
  for (const Register row : selection.changed) changed.push_back(row.Text());
  EXPECT_EQ(preWrites, c.preWrites);
  EXPECT_EQ(rows, c.rows);
  EXPECT_EQ(changed, c.changed);
  EXPECT_EQ(selection.currentLimiterNotSent, c.currentLimiterNotSent);
  EXPECT_EQ(selection.Empty(), c.preWrites.empty() && c.rows.empty());
}

using P = ParameterSet;
constexpr ModelKind k40 = ModelKind::Klv40;
constexpr ModelKind k30 = ModelKind::Klv30;
constexpr ModelKind k30E = ModelKind::Klv30E;

INSTANTIATE_TEST_SUITE_P(
    PerModel, ChangedRegisterSelectionTest,
    ::testing::Values(
        SelectionCase{"Klv40Equal", k40, 15, false, {}, {}, {}, {}},
        // Listed out of catalogue order; sent in it.
        SelectionCase{"Klv40TwoWithoutPreWrite", k40, 0, false,
                      {{&P::bootLimiter, 700, 200}, {&P::keyLock, 1, 0}}, {}, {"0120", "0133"}, {"0120", "0133"}},
        // The upper setting needs the ramp pre-writes; the lower limit and
        // selection they move are written back with the set's values.
        SelectionCase{"Klv40RampSettingNeedsPreWrites", k40, 0, false,
                      {{&P::rampUpperSetting, 800, 1000}}, {"012B=0", "012A=0"},
                      {"012A", "012B", "011F"}, {"011F"}},
        SelectionCase{"Klv40LimiterNeedsItsPreWrite", k40, 0, false,
                      {{&P::currentLimiter, 110, 90}, {&P::slowDownTime, 30, 10}}, {"012E=100"},
                      {"012D", "012E"}, {"012D", "012E"}},
        // Absent rows are not held against each other.
        SelectionCase{"Klv40AbsentRowsIgnored", k40, 0, false,
                      {{&P::do1Setting, 2, 0}, {&P::analogOutputSetting, 1, 0}}, {}, {}, {}},
        SelectionCase{"Klv40PresentOptionRow", k40, 4, false, {{&P::do1Setting, 2, 0}}, {}, {"0128"}, {"0128"}},
        // In a control mode that keeps the limiter: the full write leaves
        // 012E at 100, so only a device holding something else gets the pre-write.
        SelectionCase{"Klv40ZcLimiterOffItsPreWrite", k40, 0, true, {{&P::currentLimiter, 90, 60}}, {"012E=100"},
                      {}, {}, true},
        SelectionCase{"Klv40ZcLimiterAlreadyAtPreWrite", k40, 0, true, {{&P::currentLimiter, 90, 100}}, {}, {}, {},
                      true},
        SelectionCase{"Klv30TwoWithoutPreWrite", k30, 1, false,
                      {{&P::controlInputRange, 3, 0}, {&P::slowUpTime, 55, 10}}, {}, {"012C", "013D"},
                      {"012C", "013D"}},
        SelectionCase{"Klv30LowerLimitNeedsPreWrites", k30, 1, false, {{&P::rampLowerLimit, -2, 50}},
                      {"012B=0", "012A=0"}, {"012A", "012B"}, {"012A"}},
        SelectionCase{"Klv30WithoutDetectionLimiterIgnored", k30, 0, false,
                      {{&P::currentLimiter, 110, 90}, {&P::heaterBreakAlarm, 1, 0}}, {}, {}, {}},
        SelectionCase{"Klv30ETwoWithoutPreWrite", k30E, 1, false,
                      {{&P::scaleLow, 100, 0}, {&P::slowDownTime, 25, 10}}, {}, {"0128", "012D"},
                      {"0128", "012D"}},
        SelectionCase{"Klv30ESelectionNeedsPreWrites", k30E, 1, false, {{&P::rampUpperSelection, 0, -2}},
                      {"012B=0", "012A=0"}, {"012A", "012B"}, {"012B"}},
        SelectionCase{"Klv30ELimiterNeedsItsPreWrite", k30E, 1, false, {{&P::currentLimiter, 100, 90}},
                      {"012E=100"}, {"012E"}, {"012E"}},
        SelectionCase{"Klv30EEqual", k30E, 0, false, {}, {}, {}, {}}),
    [](const ::testing::TestParamInfo<SelectionCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace klv
