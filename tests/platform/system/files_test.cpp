// File helpers on real files in a temporary folder.
#include <gtest/gtest.h>

#include <dirent.h>

#include <algorithm>
#include <filesystem>

#include "platform/system/error.h"
#include "platform/system/files.h"
#include "tests/platform/system/temp_dir.h"

namespace {

using testing_support::readText;
using testing_support::TempDir;
using testing_support::writeText;

std::vector<std::string> readdirOrder(const std::string& folder) {
  std::vector<std::string> names;
  DIR* d = opendir(folder.c_str());
  while (const dirent* e = readdir(d)) names.push_back(e->d_name);
  closedir(d);
  return names;
}

TEST(Files, ListFilesMatchesTheWildcardInFileSystemOrder) {
  TempDir dir;
  for (const char* name : {"b.eml", "A.EML", "c.txt", "d.eml.bak", "x.emlx", ".eml", "zz.eml"})
    writeText(dir.file(name), "x");
  std::filesystem::create_directory(dir.file("folder.eml"));
  std::filesystem::create_symlink(dir.file("b.eml"), dir.file("link.eml"));
  std::filesystem::create_symlink(dir.file("folder.eml"), dir.file("dirlink.eml"));

  struct Case {
    const char* pattern;
    std::vector<std::string> expected;  // in any order; checked against readdir order below
  };
  const Case cases[] = {
      {"*.eml", {"b.eml", "A.EML", ".eml", "zz.eml", "link.eml"}},
      {"?.txt", {"c.txt"}},
      {"?.eml", {"b.eml", "A.EML"}},
      {"*.EML*", {"b.eml", "A.EML", "d.eml.bak", "x.emlx", ".eml", "zz.eml", "link.eml"}},
      {"nothing*", {}},
  };
  const std::vector<std::string> order = readdirOrder(dir.path());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.pattern);
    std::vector<std::string> expected;
    for (const auto& name : order)
      if (std::find(c.expected.begin(), c.expected.end(), name) != c.expected.end()) expected.push_back(name);
    EXPECT_EQ(sys::listFiles(dir.path(), c.pattern), expected);
    EXPECT_EQ(sys::listFiles(dir.path().substr(0, dir.path().size() - 1), c.pattern), expected);
  }
}

TEST(Files, ListOfAMissingFolderIsEmpty) {
  TempDir dir;
  EXPECT_TRUE(sys::listFiles(dir.path() + "none/", "*.eml").empty());
}

TEST(Files, WildcardRules) {
  struct Case {
    const char* name;
    const char* pattern;
    bool match;
  };
  const Case cases[] = {{"a.eml", "*.eml", true},  {"a.EmL", "*.eml", true}, {"a.emlx", "*.eml", false},
                        {"eml", "*.eml", false},   {"a.b.eml", "*.eml", true}, {"ab", "a?", true},
                        {"a", "a?", false},        {"abc", "*", true},        {"", "*", true},
                        {"abcbc", "a*bc", true},   {"abcbd", "a*bc", false},  {"x", "", false}};
  for (const auto& c : cases) EXPECT_EQ(sys::matchesWildcard(c.name, c.pattern), c.match) << c.name << " ~ " << c.pattern;
}

TEST(Files, ForceDirectoriesMakesEveryParent) {
  TempDir dir;
  const std::string deep = dir.path() + "m/acct/Pending/";
  sys::forceDirectories(deep);
  EXPECT_TRUE(sys::directoryExists(deep));
  sys::forceDirectories(deep);  // existing: nothing to do
  sys::forceDirectories(dir.path() + "n/o");
  EXPECT_TRUE(sys::directoryExists(dir.path() + "n/o"));
}

TEST(Files, ForceDirectoriesFailsWithTheSystemText) {
  TempDir dir;
  writeText(dir.file("plain"), "x");
  for (const std::string& path : {std::string(), dir.file("plain"), dir.file("plain") + "/sub/"}) {
    SCOPED_TRACE(path);
    try {
      sys::forceDirectories(path);
      ADD_FAILURE() << "no error";
    } catch (const sys::Error& e) {
      EXPECT_STREQ(e.what(), "Unable to create directory");
    }
  }
}

TEST(Files, CopyReplacesTheTarget) {
  TempDir dir;
  writeText(dir.file("from.eml"), "new content\n");
  writeText(dir.file("to.eml"), "old content that is longer\n");
  sys::copyFile(dir.file("from.eml"), dir.file("to.eml"));
  EXPECT_EQ(readText(dir.file("to.eml")), "new content\n");
  EXPECT_EQ(readText(dir.file("from.eml")), "new content\n");
  sys::copyFile(dir.file("from.eml"), dir.file("fresh.eml"));
  EXPECT_EQ(readText(dir.file("fresh.eml")), "new content\n");
  EXPECT_EQ(sys::listFiles(dir.path(), "*").size(), 3u);  // no temporary file left
}

TEST(Files, FailuresNameTheFile) {
  TempDir dir;
  const std::string missing = dir.file("missing.eml");
  auto expectError = [&](const std::function<void()>& f, const std::string& start) {
    try {
      f();
      ADD_FAILURE() << "no error";
    } catch (const sys::Error& e) {
      const std::string what = e.what();
      EXPECT_EQ(what.rfind(start, 0), 0u) << what;
      EXPECT_NE(what.find("missing.eml"), std::string::npos) << what;
    }
  };
  expectError([&] { sys::copyFile(missing, dir.file("x")); }, "Unable to copy file");
  expectError([&] { sys::deleteFile(missing); }, "Unable to delete file");
  expectError([&] { sys::moveFile(missing, dir.file("x")); }, "Unable to move file");
  expectError([&] { sys::readFile(missing); }, "Unable to read file");
  expectError([&] { sys::writeFileAtomic(dir.path() + "no/missing.eml", "x"); }, "Unable to write file");
}

TEST(Files, DeleteMoveExists) {
  TempDir dir;
  writeText(dir.file("a"), "1");
  EXPECT_TRUE(sys::fileExists(dir.file("a")));
  EXPECT_FALSE(sys::fileExists(dir.path()));
  EXPECT_TRUE(sys::directoryExists(dir.path()));
  EXPECT_FALSE(sys::fileExists(""));
  sys::moveFile(dir.file("a"), dir.file("b"));
  EXPECT_FALSE(sys::fileExists(dir.file("a")));
  EXPECT_EQ(readText(dir.file("b")), "1");
  sys::deleteFile(dir.file("b"));
  EXPECT_FALSE(sys::fileExists(dir.file("b")));
}

TEST(Files, WriteAtomicAndRead) {
  TempDir dir;
  sys::writeFileAtomic(dir.file("f"), std::string("a\0b", 3));
  EXPECT_EQ(sys::readFile(dir.file("f")), std::string("a\0b", 3));
  sys::writeFileAtomic(dir.file("f"), "");
  EXPECT_EQ(sys::readFile(dir.file("f")), "");
}

}  // namespace
