// The program folder and the profile folder.
#include <gtest/gtest.h>

#include "platform/system/files.h"
#include "platform/system/folders.h"
#include "tests/platform/system/temp_dir.h"

namespace {

using testing_support::ScopedEnv;

TEST(Folders, ProfileFolderPrecedence) {
  struct Case {
    const char* profileDir;
    const char* xdg;
    const char* home;
    const char* expected;
  };
  const Case cases[] = {
      {"/p/karvix", "/x", "/h", "/p/karvix/"},
      {"/p/karvix/", "/x", "/h", "/p/karvix/"},
      {"", "/x/cfg", "/h", "/x/cfg/"},
      {nullptr, "/x/cfg", "/h", "/x/cfg/"},
      {nullptr, nullptr, "/home/op", "/home/op/.config/"},
      {nullptr, "", "/home/op/", "/home/op/.config/"},
  };
  for (const auto& c : cases) {
    ScopedEnv a("KARVIX_PROFILE_DIR", c.profileDir);
    ScopedEnv b("XDG_CONFIG_HOME", c.xdg);
    ScopedEnv h("HOME", c.home);
    EXPECT_EQ(sys::profileFolder(), c.expected);
  }
}

TEST(Folders, ProgramFolderHoldsTheRunningProgram) {
  const std::string folder = sys::programFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), '/');
  EXPECT_TRUE(sys::fileExists(folder + "system_test"));
  sys::setProgramFolder("/opt/other");
  EXPECT_EQ(sys::programFolder(), "/opt/other/");
  sys::setProgramFolder("");
  EXPECT_EQ(sys::programFolder(), folder);
}

TEST(Folders, TrailingSeparator) {
  EXPECT_EQ(sys::withTrailingSeparator("/a"), "/a/");
  EXPECT_EQ(sys::withTrailingSeparator("/a/"), "/a/");
  EXPECT_EQ(sys::withTrailingSeparator(""), "");
}

}  // namespace
