#include "common/argument_reader.h"

namespace klv::tools {

std::string Argument::AsWritten() const {
  if (kind != Kind::Option) return text;
  return "--" + text + (value ? "=" + *value : std::string());
}

std::optional<Argument> ArgumentReader::Next() {
  while (next_ < args_.size()) {
    const std::string& arg = args_[next_++];
    if (plainOnly_) return Argument{Argument::Kind::Plain, arg, std::nullopt};
    if (arg == "--help" || arg == "-h") return Argument{Argument::Kind::Help, arg, std::nullopt};
    if (arg == "--") {
      plainOnly_ = true;
      continue;
    }
    if (arg.size() < 2 || arg.compare(0, 2, "--") != 0) return Argument{Argument::Kind::Plain, arg, std::nullopt};
    Argument option{Argument::Kind::Option, arg.substr(2), std::nullopt};
    if (const std::size_t equals = option.text.find('='); equals != std::string::npos) {
      option.value = option.text.substr(equals + 1);
      option.text.resize(equals);
    }
    return option;
  }
  return std::nullopt;
}

std::optional<std::string> ArgumentReader::ValueOf(const Argument& option) {
  if (option.value) return option.value;
  if (next_ >= args_.size()) return std::nullopt;
  return args_[next_++];
}

}  // namespace klv::tools
