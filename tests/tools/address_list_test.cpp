// Address lists for a bus of regulators: "1-12,15" and what is refused.
#include "common/address_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace klv::tools {
namespace {

struct ListCase {
  const char* text;
  std::optional<std::vector<int32_t>> addresses;
};

TEST(AddressList, ReadsAddressesAndRangesInTheOrderWritten) {
  const ListCase cases[] = {
      {"7", std::vector<int32_t>{7}},
      {"1-3,15", std::vector<int32_t>{1, 2, 3, 15}},
      {"15,1-2", std::vector<int32_t>{15, 1, 2}},
      {"2,1-3,2", std::vector<int32_t>{2, 1, 3}},
      {"99-99", std::vector<int32_t>{99}},
      {"", std::nullopt},
      {"1,", std::nullopt},
      {",1", std::nullopt},
      {"0", std::nullopt},
      {"100", std::nullopt},
      {"5-3", std::nullopt},
      {"1-", std::nullopt},
      {"-4", std::nullopt},
      {"1-2-3", std::nullopt},
      {"1 ,2", std::nullopt},
      {"x", std::nullopt},
  };
  for (const ListCase& c : cases) EXPECT_EQ(ParseAddressList(c.text), c.addresses) << '"' << c.text << '"';
  EXPECT_EQ(ParseAddressList("1-99")->size(), 99u);
}

}  // namespace
}  // namespace klv::tools
