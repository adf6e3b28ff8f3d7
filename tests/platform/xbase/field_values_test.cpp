// Column values as other programs see them in the file: text cut at the
// column width without splitting a UTF-8 character and read back trimmed,
// numbers right-aligned with their decimals, dates as YYYYMMDD, logicals.
#include <gtest/gtest.h>

#include <functional>

#include "platform/system/error.h"
#include "platform/xbase/cursor.h"
#include "tests/platform/xbase/test_support.h"

namespace xbase::test {
namespace {

long fieldOffset(const TableDef& d, const std::string& name) {
  long off = 1;
  for (const FieldDef& f : d.fields) {
    if (f.name == name) return off;
    off += f.length;
  }
  return -1;
}

long recordLength(const TableDef& d) {
  long n = 1;
  for (const FieldDef& f : d.fields) n += f.length;
  return n;
}

// The bytes of one column of record 1 as stored in the file.
std::string storedBytes(const TempDir& dir, const TableDef& d, const std::string& column, int width) {
  const std::string file = readBytes(dir.file(d.fileName));
  const long header = long(32 + 32 * d.fields.size() + 1);
  (void)recordLength(d);
  return file.substr(size_t(header + fieldOffset(d, column)), size_t(width));
}

struct TextCase {
  const char* name;
  std::string value;
  std::string stored;  // 10 bytes in NAME C(10)
  std::string read;
};

class TextValues : public ::testing::TestWithParam<TextCase> {};

TEST_P(TextValues, AreCutAtTheWidthAndReadBackTrimmed) {
  const TextCase& c = GetParam();
  TempDir dir;
  const TableDef d = sampleDef();
  {
    auto t = Cursor::create(dir.path(), d);
    t->insert();
    t->setString("NAME", c.value);
    EXPECT_EQ(t->getString("NAME"), c.read) << "while inserting";
    t->post();
  }
  EXPECT_EQ(storedBytes(dir, d, "NAME", 10), c.stored);
  auto t = Cursor::open(dir.path(), d.fileName);
  t->first();
  EXPECT_EQ(t->getString("NAME"), c.read);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TextValues,
    ::testing::Values(TextCase{"short", "hello", "hello     ", "hello"},
                      TextCase{"leading_blanks_kept", "  lead", "  lead    ", "  lead"},
                      TextCase{"trailing_blanks_dropped", "trail   ", "trail     ", "trail"},
                      TextCase{"exact_width", "exactly10c", "exactly10c", "exactly10c"},
                      TextCase{"cut_to_width", "longer than ten", "longer tha", "longer tha"},
                      TextCase{"two_byte_chars_fit", "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9",
                               "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9", "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9"},
                      // a + six e-acute = 13 bytes: the fifth e-acute would straddle byte 10.
                      TextCase{"two_byte_char_not_split", "a\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9",
                               "a\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9 ", "a\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9"},
                      TextCase{"euro_sign_not_split", "123456789\xE2\x82\xAC", "123456789 ", "123456789"},
                      TextCase{"three_byte_chars", "\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC",
                               "\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC ", "\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC"},
                      TextCase{"empty", "", "          ", ""}),
    [](const auto& info) { return std::string(info.param.name); });

struct NumberCase {
  const char* name;
  const char* column;  // AMOUNT N(8,2) or POSITION N(6,0)
  std::string text;    // set with setString, or
  long integer;        // with setInt when text is "#"
  std::string stored;  // empty: the write must fail
  long readBack;
};

class NumberValues : public ::testing::TestWithParam<NumberCase> {};

TEST_P(NumberValues, AreRightAlignedOrRefused) {
  const NumberCase& c = GetParam();
  TempDir dir;
  const TableDef d = sampleDef();
  auto t = Cursor::create(dir.path(), d);
  t->insert();
  auto set = [&] {
    if (c.text == "#")
      t->setInt(c.column, c.integer);
    else
      t->setString(c.column, c.text);
  };
  if (c.stored.empty()) {
    EXPECT_THROW(set(), sys::Error);
    return;
  }
  set();
  t->post();
  const int width = std::string(c.column) == "AMOUNT" ? 8 : 6;
  EXPECT_EQ(storedBytes(dir, d, c.column, width), c.stored);
  EXPECT_EQ(t->getInt(c.column), c.readBack);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NumberValues,
    ::testing::Values(NumberCase{"decimals_added", "AMOUNT", "12.5", 0, "   12.50", 12},
                      NumberCase{"negative", "AMOUNT", "-3", 0, "   -3.00", -3},
                      NumberCase{"blank_reads_zero", "AMOUNT", "", 0, "        ", 0},
                      NumberCase{"integer_with_decimals", "AMOUNT", "#", 99999, "99999.00", 99999},
                      NumberCase{"too_wide_refused", "AMOUNT", "#", 100000, "", 0},
                      NumberCase{"not_a_number_refused", "AMOUNT", "12a", 0, "", 0},
                      NumberCase{"whole_number", "POSITION", "#", 42, "    42", 42},
                      NumberCase{"negative_at_width", "POSITION", "#", -99999, "-99999", -99999},
                      NumberCase{"whole_too_wide_refused", "POSITION", "#", 1000000, "", 0}),
    [](const auto& info) { return std::string(info.param.name); });

struct DateCase {
  const char* name;
  std::string text;    // "" with year set: setDate
  Cursor::Date date;
  std::string stored;  // empty: refused
};

class DateValues : public ::testing::TestWithParam<DateCase> {};

TEST_P(DateValues, AreStoredAsYearMonthDay) {
  const DateCase& c = GetParam();
  TempDir dir;
  const TableDef d = sampleDef();
  auto t = Cursor::create(dir.path(), d);
  t->insert();
  auto set = [&] {
    if (c.text == "#")
      t->setDate("CREATEON", c.date);
    else
      t->setString("CREATEON", c.text);
  };
  if (c.stored.empty()) {
    EXPECT_THROW(set(), sys::Error);
    return;
  }
  set();
  t->post();
  EXPECT_EQ(storedBytes(dir, d, "CREATEON", 8), c.stored);
  const Cursor::Date got = t->getDate("CREATEON");
  if (c.stored == "        ") {
    EXPECT_TRUE(got.empty());
  } else {
    EXPECT_EQ(std::to_string(got.year * 10000 + got.month * 100 + got.day), c.stored);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DateValues,
    ::testing::Values(DateCase{"leap_day", "#", {2024, 2, 29}, "20240229"},
                      DateCase{"no_leap_day_refused", "#", {2023, 2, 29}, ""},
                      DateCase{"empty_date_is_blank", "#", {0, 0, 0}, "        "},
                      DateCase{"iso_text", "2024-03-01", {}, "20240301"},
                      DateCase{"compact_text", "19991231", {}, "19991231"},
                      DateCase{"blank_text", "", {}, "        "},
                      DateCase{"us_text_refused", "03/01/2024", {}, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FieldValues, LogicalsReadEveryFoxProSpelling) {
  TempDir dir;
  const TableDef d = sampleDef();
  {
    auto t = Cursor::create(dir.path(), d);
    for (int i = 0; i < 6; ++i) {
      t->insert();
      t->setBool("ACTIVE", true);
      t->post();
    }
  }
  const long header = long(32 + 32 * d.fields.size() + 1);
  const std::string spellings = "TtYyF?";
  for (size_t i = 0; i < spellings.size(); ++i)
    patchBytes(dir.file(d.fileName), header + long(i) * recordLength(d) + fieldOffset(d, "ACTIVE"),
               std::string(1, spellings[i]));
  auto t = Cursor::open(dir.path(), d.fileName);
  std::string got;
  for (t->first(); !t->eof(); t->next()) got += t->getBool("ACTIVE") ? '1' : '0';
  EXPECT_EQ(got, "111100");
}

TEST(FieldValues, AColumnTheTableLacksIsAnErrorNamingColumnAndTable) {
  TempDir dir;
  TableDef d = sampleDef("NODES.DBF");
  Cursor::create(dir.path(), d);
  auto t = Cursor::open(dir.path(), "nodes.dbf");
  t->first();
  const struct {
    const char* what;
    std::function<void()> call;
  } cases[] = {
      {"getString", [&] { t->getString("FOO"); }},
      {"getInt", [&] { t->getInt("FOO"); }},
      {"getDate", [&] { t->getDate("FOO"); }},
      {"setString", [&] { t->insert(); t->setString("FOO", "x"); }},
  };
  for (const auto& c : cases) {
    try {
      c.call();
      ADD_FAILURE() << c.what << " did not raise";
    } catch (const sys::Error& e) {
      EXPECT_STREQ(e.what(), "Field 'FOO' not found in table 'NODES.DBF'") << c.what;
    }
  }
}

}  // namespace
}  // namespace xbase::test
