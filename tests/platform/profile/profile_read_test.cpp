// Reading values: every rule of the profile functions as one table of cases,
// each case a real file in a temporary folder read through the file functions.
#include <gtest/gtest.h>

#include <ostream>

#include <string>

#include "platform/profile/profile.h"
#include "platform/system/error.h"
#include "tests/platform/system/temp_dir.h"

namespace {

using testing_support::TempDir;
using testing_support::writeText;

enum class Kind { Text, Number };

struct ReadCase {
  const char* name;
  std::string file;  // content; "<none>" = no file at all
  const char* section;
  const char* key;
  Kind kind;
  std::string fallback;  // for Number: decimal
  std::string expected;  // for Number: decimal
};

const std::string kLong(1500, 'a');
std::string repeat(const std::string& s, int n) {
  std::string r;
  for (int i = 0; i < n; ++i) r += s;
  return r;
}

const ReadCase kCases[] = {
    {"section_name_case_ignored", "[Folders]\nMessages=/m/\n", "FOLDERS", "Messages", Kind::Text, "d", "/m/"},
    {"key_name_case_ignored", "[Folders]\nDataBase=/db/\n", "Folders", "Database", Kind::Text, "d", "/db/"},
    {"blanks_around_names", "[ Folders ]\n  Agents  = /a/\n", "folders", " agents ", Kind::Text, "d", "/a/"},
    {"value_trimmed", "[S]\nk=   two  words \t \n", "S", "k", Kind::Text, "d", "two  words"},
    {"double_quotes_dropped", "[S]\nk=\"  kept blanks  \"\n", "S", "k", Kind::Text, "d", "  kept blanks  "},
    {"single_quotes_dropped", "[S]\nk='x'\n", "S", "k", Kind::Text, "d", "x"},
    {"unpaired_quote_kept", "[S]\nk=\"abc\n", "S", "k", Kind::Text, "d", "\"abc"},
    {"inner_quotes_kept", "[S]\nk=a \"b\" c\n", "S", "k", Kind::Text, "d", "a \"b\" c"},
    {"cut_at_1023", "[S]\nk=" + kLong + "\n", "S", "k", Kind::Text, "d", std::string(1023, 'a')},
    {"cut_counts_characters", "[S]\nk=" + repeat("\xC3\xA9", 1100) + "\n", "S", "k", Kind::Text, "d",
     repeat("\xC3\xA9", 1023)},
    {"exactly_1023_whole", "[S]\nk=" + std::string(1023, 'b') + "\n", "S", "k", Kind::Text, "d",
     std::string(1023, 'b')},
    {"equals_in_value", "[S]\nk=a=b\n", "S", "k", Kind::Text, "d", "a=b"},
    {"empty_value_is_not_default", "[S]\nk=\n", "S", "k", Kind::Text, "d", ""},
    {"missing_key_default", "[S]\nother=1\n", "S", "k", Kind::Text, "None", "None"},
    {"missing_section_default", "[T]\nk=1\n", "S", "k", Kind::Text, "LAN", "LAN"},
    {"missing_file_default", "<none>", "S", "k", Kind::Text, "dflt", "dflt"},
    {"key_of_other_section_not_seen", "[A]\nk=1\n[B]\nx=2\n", "B", "k", Kind::Text, "d", "d"},
    {"first_key_counts", "[S]\nk=first\nK=second\n", "S", "k", Kind::Text, "d", "first"},
    {"first_section_counts", "[S]\nk=first\n[s]\nk=second\nj=3\n", "S", "j", Kind::Text, "d", "d"},
    {"comment_line_is_no_key", "[S]\n;k=commented\n#k=also\n", "S", "k", Kind::Text, "d", "d"},
    {"key_before_any_section_ignored", "k=1\n[S]\n", "S", "k", Kind::Text, "d", "d"},
    {"crlf_file", "[S]\r\nk=v\r\nj=w\r\n", "S", "k", Kind::Text, "d", "v"},
    {"bom_ignored", "\xEF\xBB\xBF[S]\nk=v\n", "S", "k", Kind::Text, "d", "v"},
    {"no_final_newline", "[S]\nk=last", "S", "k", Kind::Text, "d", "last"},
    {"line_without_equals_is_empty_key", "[S]\nk\n", "S", "k", Kind::Text, "d", ""},
    {"default_trailing_blanks_dropped", "[S]\n", "S", "k", Kind::Text, "dflt  ", "dflt"},

    {"int_decimal", "[S]\nn=42\n", "S", "n", Kind::Number, "7", "42"},
    {"int_hex", "[S]\nn=0x1A\n", "S", "n", Kind::Number, "7", "26"},
    {"int_hex_upper_prefix", "[S]\nn=0X1f\n", "S", "n", Kind::Number, "7", "31"},
    {"int_hex_count", "[MAIN]\nTriggerCount=0x2\n", "main", "triggercount", Kind::Number, "0", "2"},
    {"int_leading_digits", "[S]\nn=12abc\n", "S", "n", Kind::Number, "7", "12"},
    {"int_no_digits_is_zero", "[S]\nn=abc\n", "S", "n", Kind::Number, "7", "0"},
    {"int_empty_value_default", "[S]\nn=\n", "S", "n", Kind::Number, "7", "7"},
    {"int_missing_default", "[S]\n", "S", "n", Kind::Number, "-3", "-3"},
    {"int_missing_file_default", "<none>", "S", "n", Kind::Number, "1", "1"},
    {"int_negative", "[S]\nn=-5\n", "S", "n", Kind::Number, "7", "-5"},
    {"int_plus_sign", "[S]\nn=+9\n", "S", "n", Kind::Number, "7", "9"},
    {"int_blanks_trimmed", "[S]\nn=   8   \n", "S", "n", Kind::Number, "7", "8"},
    {"int_quoted", "[S]\nn=\"5\"\n", "S", "n", Kind::Number, "7", "5"},
    {"int_wraps_at_32_bits", "[S]\nn=4294967297\n", "S", "n", Kind::Number, "7", "1"},
    {"int_decimal_not_octal", "[S]\nn=010\n", "S", "n", Kind::Number, "7", "10"},
    {"int_bool_true", "[AgentSettings]\nAutoEnabled=1\n", "AGENTSETTINGS", "autoenabled", Kind::Number, "0",
     "1"},
};

void PrintTo(const ReadCase& c, std::ostream* os) { *os << c.name; }

class ProfileRead : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ProfileRead, ReadsAsTheWindowsFunctions) {
  const ReadCase& c = GetParam();
  TempDir dir;
  const std::string path = dir.file("case.ini");
  if (c.file != "<none>") writeText(path, c.file);
  if (c.kind == Kind::Text) {
    EXPECT_EQ(profile::readString(path, c.section, c.key, c.fallback), c.expected);
  } else {
    EXPECT_EQ(profile::readInteger(path, c.section, c.key, std::stoi(c.fallback)), std::stoi(c.expected));
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, ProfileRead, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ProfileRead, BareNameLivesInTheProfileFolder) {
  TempDir dir;
  testing_support::ScopedEnv env("KARVIX_PROFILE_DIR", dir.path().c_str());
  writeText(dir.file("karvix.ini"), "[RAS]\nService=Office\n");
  EXPECT_EQ(profile::resolvePath("karvix.ini"), dir.file("karvix.ini"));
  EXPECT_EQ(profile::readString("karvix.ini", "ras", "service", "None"), "Office");
}

TEST(ProfileRead, UnreadableFileIsAnErrorNotADefault) {
  TempDir dir;
  // A folder where the file should be cannot be read as a file.
  const std::string path = dir.file("folder.ini");
  std::filesystem::create_directory(path);
  EXPECT_THROW(profile::readString(path, "S", "k", "d"), sys::Error);
}

}  // namespace
