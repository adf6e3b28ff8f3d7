// Writing values: the file keeps every other line, comment and its order; a
// key is replaced in place, a missing key joins the end of its section, a
// missing section the end of the file, a missing file is created.
#include <gtest/gtest.h>

#include <ostream>

#include <sys/stat.h>

#include <string>

#include "platform/profile/profile.h"
#include "platform/system/error.h"
#include "tests/platform/system/temp_dir.h"

namespace {

using testing_support::readText;
using testing_support::TempDir;
using testing_support::writeText;

struct WriteCase {
  const char* name;
  std::string before;  // "<none>" = no file
  const char* section;
  const char* key;
  std::string value;
  std::string after;
};

const WriteCase kCases[] = {
    {"replace_in_place_keeps_comments_and_order",
     "; settings\n[A]\nx=1\n; about y\ny=2\n\n[B]\nz=3\n", "a", "Y", "9",
     "; settings\n[A]\nx=1\n; about y\ny=9\n\n[B]\nz=3\n"},
    {"replace_keeps_spelling_of_the_name", "[Folders]\nDataBase=/old/\n", "folders", "Database", "/new/",
     "[Folders]\nDataBase=/new/\n"},
    {"replace_line_with_blanks", "[A]\n  x  =  1  \n", "A", "x", "2", "[A]\nx=2\n"},
    {"missing_key_after_last_key_of_section", "[A]\nx=1\n\n[B]\nz=3\n", "A", "new", "5",
     "[A]\nx=1\nnew=5\n\n[B]\nz=3\n"},
    {"missing_key_before_trailing_comment", "[A]\nx=1\n; for B\n[B]\n", "A", "k", "v",
     "[A]\nx=1\nk=v\n; for B\n[B]\n"},
    {"missing_key_in_empty_section", "[A]\n[B]\nz=1\n", "A", "k", "1", "[A]\nk=1\n[B]\nz=1\n"},
    {"missing_section_at_end", "[A]\nx=1\n", "C", "k", "v", "[A]\nx=1\n[C]\nk=v\n"},
    {"missing_final_newline_added", "[A]\nx=1", "A", "y", "2", "[A]\nx=1\ny=2\n"},
    {"crlf_kept", "[A]\r\nx=1\r\n", "A", "y", "2", "[A]\r\nx=1\r\ny=2\r\n"},
    {"bom_kept", "\xEF\xBB\xBF[A]\nx=1\n", "A", "x", "2", "\xEF\xBB\xBF[A]\nx=2\n"},
    {"missing_file_created", "<none>", "AgentSettings", "AutoEnabled", "1", "[AgentSettings]\nAutoEnabled=1\n"},
    {"empty_file", "", "S", "k", "v", "[S]\nk=v\n"},
    {"value_blanks_written_as_given", "[S]\n", "S", "k", "  padded  ", "[S]\nk=  padded  \n"},
    {"line_breaks_in_value_become_blanks", "[S]\nk=1\n", "S", "k", "a\r\n[X]\nb", "[S]\nk=a  [X] b\n"},
    {"first_of_duplicate_keys_replaced", "[S]\nk=1\nk=2\n", "S", "K", "3", "[S]\nk=3\nk=2\n"},
    {"keys_before_first_section_untouched", "top=1\n[S]\n", "S", "top", "2", "top=1\n[S]\ntop=2\n"},
};

void PrintTo(const WriteCase& c, std::ostream* os) { *os << c.name; }

class ProfileWrite : public ::testing::TestWithParam<WriteCase> {};

TEST_P(ProfileWrite, EditsTheFileInPlace) {
  const WriteCase& c = GetParam();
  TempDir dir;
  const std::string path = dir.file("case.ini");
  if (c.before != "<none>") writeText(path, c.before);
  profile::writeString(path, c.section, c.key, c.value);
  EXPECT_EQ(readText(path), c.after);
}

INSTANTIATE_TEST_SUITE_P(Cases, ProfileWrite, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ProfileWrite, WrittenValuesReadBack) {
  TempDir dir;
  const std::string path = dir.file("x.ini");
  profile::writeString(path, "S", "text", "  around  ");
  profile::writeInteger(path, "S", "n", -12);
  profile::writeBool(path, "S", "on", true);
  profile::writeBool(path, "S", "off", false);
  EXPECT_EQ(readText(path), "[S]\ntext=  around  \nn=-12\non=1\noff=0\n");
  EXPECT_EQ(profile::readString(path, "s", "TEXT", ""), "around");
  EXPECT_EQ(profile::readInteger(path, "s", "N", 0), -12);
  EXPECT_TRUE(profile::readBool(path, "s", "on", false));
  EXPECT_FALSE(profile::readBool(path, "s", "off", true));
}

TEST(ProfileWrite, EraseKeyRemovesOnlyItsLine) {
  TempDir dir;
  const std::string path = dir.file("x.ini");
  writeText(path, "[S]\n; c\na=1\nb=2\n");
  profile::eraseKey(path, "s", "A");
  EXPECT_EQ(readText(path), "[S]\n; c\nb=2\n");
}

TEST(ProfileWrite, BareNameCreatesTheProfileFolder) {
  TempDir dir;
  const std::string folder = dir.path() + "deeper/config/";
  testing_support::ScopedEnv env("KARVIX_PROFILE_DIR", folder.c_str());
  profile::writeString("karvix.ini", "Misc", "SoundsDisabled", "1");
  EXPECT_EQ(readText(folder + "karvix.ini"), "[Misc]\nSoundsDisabled=1\n");
}

TEST(ProfileWrite, KeepsThePermissionsAndLeavesNoTemporaryFile) {
  TempDir dir;
  const std::string path = dir.file("p.ini");
  writeText(path, "[S]\n");
  chmod(path.c_str(), 0640);
  profile::writeString(path, "S", "k", "v");
  struct stat st{};
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  int entries = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir.path())) {
    (void)e;
    ++entries;
  }
  EXPECT_EQ(entries, 1);
}

TEST(ProfileWrite, ALinkedFileIsWrittenWhereTheLinkPoints) {
  TempDir dir;
  std::filesystem::create_directory(dir.file("shared"));
  writeText(dir.file("shared/karvix.ini"), "[Folders]\nAgents=/a/\n");
  std::filesystem::create_symlink(dir.file("shared/karvix.ini"), dir.file("karvix.ini"));
  profile::writeString(dir.file("karvix.ini"), "AgentSettings", "AutoEnabled", "0");
  EXPECT_TRUE(std::filesystem::is_symlink(dir.file("karvix.ini")));
  EXPECT_EQ(readText(dir.file("shared/karvix.ini")), "[Folders]\nAgents=/a/\n[AgentSettings]\nAutoEnabled=0\n");
}

TEST(ProfileWrite, FolderThatDoesNotExistIsAnError) {
  TempDir dir;
  try {
    profile::writeString(dir.path() + "missing/x.ini", "S", "k", "v");
    FAIL() << "no error";
  } catch (const sys::Error& e) {
    EXPECT_NE(std::string(e.what()).find("missing/x.ini"), std::string::npos) << e.what();
  }
}

TEST(ProfileWrite, UpdateMakesSeveralEditsAtOnce) {
  TempDir dir;
  const std::string path = dir.file("x.ini");
  writeText(path, "[B]\nleft=over\n");
  profile::update(path, [](profile::Document& d) {
    d.writeString("A", "one", "1");
    d.writeString("B", "two", "2");
    d.writeString("A", "three", "3");
  });
  EXPECT_EQ(readText(path), "[B]\nleft=over\ntwo=2\n[A]\none=1\nthree=3\n");
}

}  // namespace
