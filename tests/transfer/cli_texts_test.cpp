// The command-line tool's own texts: both languages of every text, with the
// same values to fill in.
#include "cli_texts.h"

#include <gtest/gtest.h>

#include "support/text_checks.h"

#include <set>
#include <string>

namespace klv::cli {
namespace {

using test::HasNonAscii;
using test::PlaceholderCounts;

TEST(CliTexts, EveryTextHasAJapaneseVersionWithTheSameValues) {
  std::size_t position = 0;
  for (const CliTextEntry& entry : CliTexts()) {
    SCOPED_TRACE(std::string(entry.english));
    EXPECT_EQ(static_cast<std::size_t>(entry.id), position++);
    EXPECT_FALSE(entry.english.empty());
    EXPECT_FALSE(HasNonAscii(entry.english));
    // Translated: Japanese words, or at least a wording of its own.
    EXPECT_TRUE(HasNonAscii(entry.japanese) || entry.japanese != entry.english);
    EXPECT_EQ(PlaceholderCounts(entry.english), PlaceholderCounts(entry.japanese));
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
