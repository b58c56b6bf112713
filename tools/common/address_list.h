#pragma once
// Device addresses as an operator writes them for a bus of regulators:
// "7", "1-12,15", "3,1-2". Each address 1..99, in the order written, each
// once (a repeat is dropped where it first appeared again).
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace klv::tools {

// The addresses of the list; nothing when the text is not such a list (an
// empty item, a range written backwards, an address outside 1..99).
std::optional<std::vector<int32_t>> ParseAddressList(std::string_view text);

}  // namespace klv::tools
