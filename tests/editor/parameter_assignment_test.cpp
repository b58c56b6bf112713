#include "editor/parameter_assignment.h"

#include <gtest/gtest.h>

#include "model/register_catalogue.h"

namespace klv {
namespace {

ParameterSet Defaults(ModelKind model, uint16_t flags = 0, uint16_t detect = 0) {
  ParameterSet set;
  LoadDefaults(set, model);
  set.optionFlags = flags;
  set.optionDetect = detect;
  return set;
}

struct AcceptedCase {
  ModelKind model;
  uint16_t detect;
  const char* text;
  uint16_t address;
  const char* key;
  int16_t number;
};

TEST(ParameterAssignment, RegistersAndKeysNameTheModelsRows) {
  const AcceptedCase cases[] = {
      {ModelKind::Klv40, 0, "slowUpTime=50", 0x012C, "slowUpTime", 50},
      {ModelKind::Klv40, 0, "012c=+50", 0x012C, "slowUpTime", 50},
      {ModelKind::Klv40, 0, "012E=-3", 0x012E, "currentLimiter", -3},
      // The same register is another parameter on another model.
      {ModelKind::Klv30E, 0, "0128=200", 0x0128, "scaleLow", 200},
      {ModelKind::Klv30E, 0, "scaleLow=0", 0x0128, "scaleLow", 0},
      {ModelKind::Klv30, 1, "currentLimiter=120", 0x012E, "currentLimiter", 120},
      // What the file already holds is taken even where a change would not be.
      {ModelKind::Klv30, 0, "currentLimiter=100", 0x012E, "currentLimiter", 100},
  };
  for (const AcceptedCase& c : cases) {
    SCOPED_TRACE(c.text);
    const ParameterAssignment a = CheckAssignment(c.text, c.model, Defaults(c.model, 0, c.detect));
    ASSERT_TRUE(a.Ok()) << static_cast<int>(a.problem);
    EXPECT_EQ(a.address, Register(c.address));
    EXPECT_EQ(a.key, c.key);
    EXPECT_EQ(a.number, c.number);
  }
}

struct RefusedCase {
  ModelKind model;
  const char* text;
  AssignmentProblem problem;
};

TEST(ParameterAssignment, RefusesWhatAWriteWouldRefuse) {
  const RefusedCase cases[] = {
      {ModelKind::Klv40, "slowUpTime", AssignmentProblem::NotAnAssignment},
      {ModelKind::Klv40, "=5", AssignmentProblem::NotAnAssignment},
      {ModelKind::Klv40, "SlowUpTime=5", AssignmentProblem::UnknownRegister},
      {ModelKind::Klv40, "0121=5", AssignmentProblem::UnknownRegister},
      {ModelKind::Klv40, "12C=5", AssignmentProblem::UnknownRegister},
      {ModelKind::Klv30, "do1Setting=1", AssignmentProblem::UnknownRegister},
      {ModelKind::Klv40, "do1Setting=1", AssignmentProblem::NotPresent},
      {ModelKind::Klv30, "012E=50", AssignmentProblem::NotPresent},
      {ModelKind::Klv40, "slowUpTime=", AssignmentProblem::NotANumber},
      {ModelKind::Klv40, "slowUpTime=5x", AssignmentProblem::NotANumber},
      {ModelKind::Klv40, "slowUpTime=1.5", AssignmentProblem::NotANumber},
      {ModelKind::Klv40, "slowUpTime=+-5", AssignmentProblem::NotANumber},
      {ModelKind::Klv40, "slowUpTime= 5", AssignmentProblem::NotANumber},
      {ModelKind::Klv40, "slowUpTime=1000", AssignmentProblem::OutOfRange},
      {ModelKind::Klv40, "slowUpTime=-1", AssignmentProblem::OutOfRange},
      {ModelKind::Klv40, "slowUpTime=65586", AssignmentProblem::OutOfRange},
      {ModelKind::Klv40, "slowUpTime=99999999999999999999999", AssignmentProblem::OutOfRange},
      {ModelKind::Klv30E, "scaleLow=201", AssignmentProblem::OutOfRange},
  };
  for (const RefusedCase& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(CheckAssignment(c.text, c.model, Defaults(c.model)).problem, c.problem);
  }
  const ParameterAssignment a = CheckAssignment("slowUpTime=1000", ModelKind::Klv40, Defaults(ModelKind::Klv40));
  EXPECT_EQ(a.address, Register(0x012C));
  EXPECT_EQ(a.value, "1000");
  EXPECT_EQ(a.minimum, 0);
  EXPECT_EQ(a.maximum, 999);
}

}  // namespace
}  // namespace klv
