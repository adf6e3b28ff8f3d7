// Time-stamp keys and keyword upper-casing.
#include <gtest/gtest.h>

#include "platform/system/clock.h"
#include "platform/system/format_settings.h"
#include "store/keys.h"

namespace {

using sys::DateTime;

struct KeyCase {
  DateTime when;
  std::string text;
  std::size_t n;
  std::string key;
};

const KeyCase kCases[] = {
    {DateTime::fromParts(2024, 3, 5, 14, 7, 9), "Support", 6, "20240305140709Suppor"},
    {DateTime::fromParts(2024, 3, 5, 9, 5, 3), "ab", 6, "20240305090503ab"},  // 24-hour, leading zeros
    {DateTime::fromParts(2024, 12, 31, 23, 59, 59), "", 2, "20241231235959"},
    {DateTime::fromParts(2024, 1, 2, 0, 0, 0), "Hello world", 5, "20240102000000Hello"},
    {DateTime::zero(), "Subject", 5, "18991230000000Subje"},
    {DateTime::fromParts(2024, 3, 5, 14, 7, 9), "\xC3\x84rger mit", 2, "20240305140709\xC3\x84r"},
    {DateTime::fromParts(2024, 3, 5, 14, 7, 9), "\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC", 2,
     "20240305140709\xE2\x82\xAC\xE2\x82\xAC"},
    {DateTime::fromParts(2024, 3, 5, 14, 7, 9), "abc", 0, "20240305140709"},
};

TEST(Keys, TimeStampKey) {
  for (const auto& c : kCases) EXPECT_EQ(store::timeStampKey(c.when, c.text, c.n), c.key) << c.text;
}

TEST(Keys, NowKeyDoesNotDependOnTheDateFormats) {
  sys::FormatSettings odd = sys::usFormatSettings();
  odd.dateSeparator = '.';
  odd.timeSeparator = '-';
  odd.shortDateFormat = "dd/mm/yy";
  sys::setFormatSettings(odd);
  sys::ScopedClock clock(DateTime::fromParts(2031, 7, 4, 18, 30, 1));
  EXPECT_EQ(store::timeStampKey("Urgent", 6), "20310704183001Urgent");
  sys::setFormatSettings(sys::usFormatSettings());
}

TEST(Keys, UpperCaseChangesOnlyAToZ) {
  const std::pair<std::string, std::string> cases[] = {
      {"auto-reply", "AUTO-REPLY"},
      {"doesn't contain", "DOESN'T CONTAIN"},
      {"<Body>", "<BODY>"},
      {"stra\xC3\x9F" "e \xC3\xA4", "STRA\xC3\x9F" "E \xC3\xA4"},
      {"", ""},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(store::upperCase(in), out);
}

}  // namespace
