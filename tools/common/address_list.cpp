#include "common/address_list.h"

#include <algorithm>
#include <charconv>

namespace klv::tools {
namespace {

constexpr int32_t kFirstAddress = 1;
constexpr int32_t kLastAddress = 99;

std::optional<int32_t> Address(std::string_view text) {
  int32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
  if (value < kFirstAddress || value > kLastAddress) return std::nullopt;
  return value;
}

}  // namespace

std::optional<std::vector<int32_t>> ParseAddressList(std::string_view text) {
  std::vector<int32_t> addresses;
  while (true) {
    const std::size_t comma = text.find(',');
    const std::string_view item = text.substr(0, comma);
    const std::size_t dash = item.find('-');
    const std::optional<int32_t> first = Address(item.substr(0, dash));
    const std::optional<int32_t> last = dash == std::string_view::npos ? first : Address(item.substr(dash + 1));
    if (!first || !last || *last < *first) return std::nullopt;
    for (int32_t address = *first; address <= *last; ++address) {
      if (std::find(addresses.begin(), addresses.end(), address) == addresses.end()) addresses.push_back(address);
    }
    if (comma == std::string_view::npos) break;
    text.remove_prefix(comma + 1);
  }
  return addresses;
}

}  // namespace klv::tools
