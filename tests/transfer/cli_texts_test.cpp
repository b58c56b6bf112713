// The command-line tool's own texts: both languages of every text, with the
// same values to fill in.
#include "cli_texts.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace klv::cli {
namespace {

std::multiset<std::string> Placeholders(std::string_view text) {
  std::multiset<std::string> found;
  for (std::size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] == '%' && text[i + 1] >= '1' && text[i + 1] <= '9') found.insert(std::string(text.substr(i, 2)));
  }
  return found;
}

bool HasNonAscii(std::string_view text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return true;
  }
  return false;
}

TEST(CliTexts, EveryTextHasAJapaneseVersionWithTheSameValues) {
  std::size_t position = 0;
  for (const CliTextEntry& entry : CliTexts()) {
    SCOPED_TRACE(std::string(entry.english));
    EXPECT_EQ(static_cast<std::size_t>(entry.id), position++);
    EXPECT_FALSE(entry.english.empty());
    EXPECT_FALSE(HasNonAscii(entry.english));
    // Translated: Japanese words, or at least a wording of its own.
    EXPECT_TRUE(HasNonAscii(entry.japanese) || entry.japanese != entry.english);
    EXPECT_EQ(Placeholders(entry.english), Placeholders(entry.japanese));
  }
}

TEST(CliTexts, ValuesAreFilledInByNumber) {
  EXPECT_EQ(CliText(CliTextId::UnknownOptionFor, Language::English, {"json", "write"}),
            "unknown option --json for 'write'");
  EXPECT_EQ(CliText(CliTextId::UnknownOptionFor, Language::Japanese, {"json", "write"}),
            "'write' に使えないオプション --json");
  // A value that is itself "%2" is not filled in again.
  EXPECT_EQ(CliText(CliTextId::NotAllowed, Language::English, {"speed", "%2", "9600 or 19200"}),
            "--speed: '%2' is not 9600 or 19200");
  // A missing value leaves nothing in its place.
  EXPECT_EQ(CliText(CliTextId::IsAFolder, Language::English), ": is a folder");
}

}  // namespace
}  // namespace klv::cli
