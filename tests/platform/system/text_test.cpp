// UTF-8 aware cuts and the a-to-z case rules.
#include <gtest/gtest.h>

#include "platform/system/text.h"

namespace {

struct LeftCase {
  std::string text;
  std::size_t n;
  std::string left;
  std::size_t length;
};

const LeftCase kLeft[] = {
    {"Hello", 3, "Hel", 5},
    {"Hi", 6, "Hi", 2},
    {"", 2, "", 0},
    {"\xC3\xA9t\xC3\xA9", 2, "\xC3\xA9t", 3},                // é t é
    {"\xE2\x82\xAC" "12", 1, "\xE2\x82\xAC", 3},              // euro sign, three bytes
    {"\xF0\x9F\x98\x80x", 1, "\xF0\x9F\x98\x80", 2},          // four-byte character
    {"\xFF\xFEz", 2, "\xFF\xFE", 3},                          // invalid bytes count one each
    {"\xC3", 1, "\xC3", 1},                                   // cut-off sequence
    {"a\xC3\x28", 2, "a\xC3", 3},                             // bad continuation
};

TEST(Text, Utf8LeftNeverSplitsACharacter) {
  for (const auto& c : kLeft) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(sys::utf8Left(c.text, c.n), c.left);
    EXPECT_EQ(sys::utf8Length(c.text), c.length);
  }
}

TEST(Text, CaseRulesChangeOnlyAToZ) {
  EXPECT_EQ(sys::upperAscii("auto-reply \xC3\xA4\xC3\xA9 z"), "AUTO-REPLY \xC3\xA4\xC3\xA9 Z");
  EXPECT_EQ(sys::lowerAscii("MESSAGE \xC3\x84"), "message \xC3\x84");
  EXPECT_TRUE(sys::equalsIgnoreCaseAscii("DataBase", "DATABASE"));
  EXPECT_FALSE(sys::equalsIgnoreCaseAscii("\xC3\xA4", "\xC3\x84"));
  EXPECT_FALSE(sys::equalsIgnoreCaseAscii("ab", "abc"));
}

TEST(Text, Trim) {
  EXPECT_EQ(sys::trim(" \t x y \r\n"), "x y");
  EXPECT_EQ(sys::trim("   "), "");
}

}  // namespace
