// karvix.ini: each program's defaults, reading every key, the writers, and
// the folder layout built on the folder values.
#include <gtest/gtest.h>

#include <ostream>

#include "platform/system/folders.h"
#include "store/settings.h"
#include "tests/platform/system/temp_dir.h"

namespace {

using store::Program;
using store::Settings;
using testing_support::readText;
using testing_support::TempDir;
using testing_support::writeText;

struct SettingsCase {
  const char* name;
  Program program;
  std::string ini;  // "<none>" = no karvix.ini
  Settings expected;
};

Settings make(std::string m, std::string a, std::string d, std::string t, std::string ras = "None",
              std::string method = "LAN", bool sounds = false, bool activity = false, bool autoOn = true) {
  return Settings{m, a, d, t, ras, method, sounds, activity, autoOn};
}

const std::string P = "/usr/lib/karvix/";  // the manager's program folder in these cases
const std::string R = "/opt/ostrak/karvix/";

const SettingsCase kCases[] = {
    {"processor_without_file", Program::Processor, "<none>",
     make(R + "messages/", R + "agents/", R, R + "templates/")},
    {"manager_without_file", Program::Manager, "<none>",
     make(P + "messages/", P + "agents/", P, P + "templates/")},
    {"every_key_any_case_values_as_they_are", Program::Processor,
     "[folders]\nMESSAGES=/srv/m\nagents=/srv/a/\nDatabase=/srv/db/\ntemplates=/srv/t/\n"
     "[ras]\nservice=Office\n[CONNECT]\nmethod=ras\n[misc]\nsoundsdisabled=1\n[MAIN]\nActivityMonitor=1\n"
     "[agentsettings]\nautoenabled=0\n",
     make("/srv/m", "/srv/a/", "/srv/db/", "/srv/t/", "Office", "ras", true, true, false)},
    {"booleans_are_whole_numbers", Program::Processor,
     "[Misc]\nSoundsDisabled=2\n[AgentSettings]\nAutoEnabled=0x0\n",
     make(R + "messages/", R + "agents/", R, R + "templates/", "None", "LAN", true, false, false)},
    {"non_number_boolean_reads_zero", Program::Processor, "[AgentSettings]\nAutoEnabled=off\n",
     make(R + "messages/", R + "agents/", R, R + "templates/", "None", "LAN", false, false, false)},
    {"empty_boolean_keeps_default", Program::Processor, "[AgentSettings]\nAutoEnabled=\n",
     make(R + "messages/", R + "agents/", R, R + "templates/")},
    {"empty_folder_value_is_empty", Program::Manager, "[Folders]\nMessages=\n",
     make("", P + "agents/", P, P + "templates/")},
    {"quoted_folder", Program::Manager, "[Folders]\nAgents=\" /with blank/ \"\n",
     make(P + "messages/", " /with blank/ ", P, P + "templates/")},
};

void PrintTo(const SettingsCase& c, std::ostream* os) { *os << c.name; }

class SettingsRead : public ::testing::TestWithParam<SettingsCase> {};

TEST_P(SettingsRead, DefaultsAndValues) {
  const SettingsCase& c = GetParam();
  TempDir dir;
  testing_support::ScopedEnv env("KARVIX_PROFILE_DIR", dir.path().c_str());
  if (c.ini != "<none>") writeText(dir.file("karvix.ini"), c.ini);
  const Settings s = store::readSettings(c.program, P);
  EXPECT_EQ(s.messagesFolder, c.expected.messagesFolder);
  EXPECT_EQ(s.agentsFolder, c.expected.agentsFolder);
  EXPECT_EQ(s.databaseFolder, c.expected.databaseFolder);
  EXPECT_EQ(s.templatesFolder, c.expected.templatesFolder);
  EXPECT_EQ(s.rasService, c.expected.rasService);
  EXPECT_EQ(s.connectMethod, c.expected.connectMethod);
  EXPECT_EQ(s.soundsDisabled, c.expected.soundsDisabled);
  EXPECT_EQ(s.activityMonitor, c.expected.activityMonitor);
  EXPECT_EQ(s.autoEnabled, c.expected.autoEnabled);
}

INSTANTIATE_TEST_SUITE_P(Cases, SettingsRead, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Settings, ManagerDefaultsFollowItsProgramFile) {
  TempDir dir;
  testing_support::ScopedEnv env("KARVIX_PROFILE_DIR", dir.path().c_str());
  const std::string folder = sys::programFolder();
  const Settings s = store::readSettings(Program::Manager);
  EXPECT_EQ(s.messagesFolder, folder + "messages/");
  EXPECT_EQ(s.databaseFolder, folder);
  // The processor's defaults do not depend on where it runs.
  EXPECT_EQ(store::readSettings(Program::Processor).databaseFolder, "/opt/ostrak/karvix/");
}

TEST(Settings, WritersKeepTheRestOfTheFile) {
  TempDir dir;
  testing_support::ScopedEnv env("KARVIX_PROFILE_DIR", dir.path().c_str());
  writeText(dir.file("karvix.ini"), "; operator notes\n[Folders]\nDataBase=/old/\n[AgentSettings]\nAutoEnabled=1\n");
  store::writeAutoEnabled(false);
  Settings s = store::readSettings(Program::Manager, P);
  s.messagesFolder = "/m/";
  s.agentsFolder = "/a/";
  s.databaseFolder = "/db/";
  store::writeFolders(s);
  store::writeTemplatesFolder("/t/");
  store::writeRasService("Office");
  store::writeConnectMethod("RAS");
  store::writeSoundsDisabled(true);
  EXPECT_EQ(readText(dir.file("karvix.ini")),
            "; operator notes\n[Folders]\nDataBase=/db/\nMessages=/m/\nAgents=/a/\nTemplates=/t/\n"
            "[AgentSettings]\nAutoEnabled=0\n[RAS]\nService=Office\n[Connect]\nMethod=RAS\n"
            "[Misc]\nSoundsDisabled=1\n");
  const Settings back = store::readSettings(Program::Processor);
  EXPECT_EQ(back.databaseFolder, "/db/");
  EXPECT_FALSE(back.autoEnabled);
  EXPECT_TRUE(back.soundsDisabled);
  EXPECT_EQ(back.rasService, "Office");
}

TEST(Settings, FolderLayoutAppendsNamesAsTheyAre) {
  struct Case {
    std::string got, expected;
  };
  const Case cases[] = {
      {store::pendingFolder("/m/", "20240305ACCT"), "/m/20240305ACCT/Pending/"},
      {store::inFolder("/m/", "20240305ACCT"), "/m/20240305ACCT/In/"},
      {store::pendingFolder("/srv/messages", "ID"), "/srv/messagesID/Pending/"},  // no separator added
      {store::agentFilePath("/a/", "Urgent"), "/a/Urgent.agent"},
      {store::agentFilePath("/a", "Urgent"), "/aUrgent.agent"},
      {store::processorTempFolder("/opt/k/"), "/opt/k/temp/"},
      {store::processorLogFile("/opt/k/"), "/opt/k/agentrun.log"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.got, c.expected);
}

}  // namespace
