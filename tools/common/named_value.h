#pragma once
// Enumerated option values (protocol, parity, model), read alike by both
// tools: a value is named in any case, so "RTU", "rtu" and "Rtu" are one.
#include <cstddef>
#include <optional>
#include <string_view>

#include "text/ascii_case.h"

namespace klv::tools {

template <class Value>
struct NamedValue {
  std::string_view name;
  Value value;
};

// The value that text names among names; nothing when it names none.
template <class Value, std::size_t N>
std::optional<Value> ValueNamed(std::string_view text, const NamedValue<Value> (&names)[N]) {
  for (const NamedValue<Value>& named : names) {
    if (EqualsIgnoringAsciiCase(text, named.name)) return named.value;
  }
  return std::nullopt;
}

}  // namespace klv::tools
