#pragma once
// Walks a tool's arguments the same way for both tools and every command:
// "--help" or "-h", plain arguments (files), "--" after which every argument
// is plain, and options written "--name", "--name=value" or "--name value".
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <utility>

namespace klv::tools {

struct Argument {
  enum class Kind { Help, Plain, Option };
  Kind kind = Kind::Plain;
  std::string text;                  // Plain: the argument; Option: its name without "--"
  std::optional<std::string> value;  // an Option's "=value"

  // The argument as it was written: "--name=value", "--name" or the plain text.
  std::string AsWritten() const;
};

// A command's line as parsed: the line, or the one-line error of a usage
// mistake.
template <class Line>
struct ParsedLine {
  std::optional<Line> line;
  std::string error;

  static ParsedLine Refuse(std::string error) { return {std::nullopt, std::move(error)}; }
};

class ArgumentReader {
 public:
  explicit ArgumentReader(std::span<const std::string> args) : args_(args) {}

  // The next argument; nothing once all are read.
  std::optional<Argument> Next();
  // The value of the option just read: its "=value", else the next argument,
  // which is then taken; nothing when there is none.
  std::optional<std::string> ValueOf(const Argument& option);

 private:
  std::span<const std::string> args_;
  std::size_t next_ = 0;
  bool plainOnly_ = false;  // after "--"
};

}  // namespace klv::tools
