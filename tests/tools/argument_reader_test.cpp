// The command-line reader both tools share: how arguments split into
// options, values and plain arguments, and enumerated values in any case.
#include "common/argument_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/named_value.h"

namespace klv::tools {
namespace {

// Each argument as "kind:text[=value]", with values taken for the options named.
std::vector<std::string> Read(const std::vector<std::string>& args, const std::vector<std::string>& withValue) {
  std::vector<std::string> seen;
  ArgumentReader reader(args);
  while (const std::optional<Argument> arg = reader.Next()) {
    std::string entry = arg->kind == Argument::Kind::Help ? "help:" : arg->kind == Argument::Kind::Plain ? "plain:" : "option:";
    entry += arg->text;
    const bool takesValue = arg->kind == Argument::Kind::Option &&
                            std::find(withValue.begin(), withValue.end(), arg->text) != withValue.end();
    const std::optional<std::string> value = takesValue ? reader.ValueOf(*arg) : arg->value;
    if (value) entry += "=" + *value;
    seen.push_back(entry);
  }
  return seen;
}

TEST(ArgumentReader, SplitsOptionsValuesAndPlainArguments) {
  struct Case {
    std::vector<std::string> args;
    std::vector<std::string> seen;
  } cases[] = {
      {{"--speed", "19200", "--json", "unit.klv"}, {"option:speed=19200", "option:json", "plain:unit.klv"}},
      {{"--speed=19200", "--set=012C=5"}, {"option:speed=19200", "option:set=012C=5"}},
      {{"-h", "--help", "--verify"}, {"help:-h", "help:--help", "option:verify"}},
      {{"--", "--speed", "-h"}, {"plain:--speed", "plain:-h"}},
      {{"--speed"}, {"option:speed"}},  // no value left to take
      {{"-x", "--speed", "--json"}, {"plain:-x", "option:speed=--json"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Read(c.args, {"speed", "set"}), c.seen) << c.args.front();
  }
}

TEST(ArgumentReader, AnArgumentIsShownAsItWasWritten) {
  const std::vector<std::string> args = {"--speed=9600", "--json", "extra"};
  ArgumentReader reader(args);
  for (const std::string& written : args) EXPECT_EQ(reader.Next()->AsWritten(), written);
}

TEST(NamedValue, AValueIsNamedInAnyCase) {
  constexpr NamedValue<int> kProtocols[] = {{"torvalek", 0}, {"rtu", 1}, {"ascii", 2}};
  EXPECT_EQ(ValueNamed("RTU", kProtocols), 1);
  EXPECT_EQ(ValueNamed("Ascii", kProtocols), 2);
  EXPECT_EQ(ValueNamed("torvalek", kProtocols), 0);
  EXPECT_FALSE(ValueNamed("rt", kProtocols));
  EXPECT_FALSE(ValueNamed("modbus", kProtocols));
}

}  // namespace
}  // namespace klv::tools
