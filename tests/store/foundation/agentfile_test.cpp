// Agent files: what the writer puts in the file, what readers get back, and
// the leftovers of longer earlier versions.
#include <gtest/gtest.h>

#include <ostream>

#include "platform/system/clock.h"
#include "platform/system/error.h"
#include "platform/system/format_settings.h"
#include "store/agentfile.h"
#include "tests/platform/system/temp_dir.h"

namespace {

using store::Action;
using store::AgentFile;
using store::Trigger;
using testing_support::readText;
using testing_support::TempDir;
using testing_support::writeText;

class AgentFileTest : public ::testing::Test {
 protected:
  void SetUp() override { sys::setFormatSettings(sys::usFormatSettings()); }
  TempDir dir;
  sys::ScopedClock clock{sys::DateTime::fromParts(2024, 3, 5, 14, 7, 9)};
};

AgentFile messageAgent(int triggers, int actions) {
  AgentFile a;
  a.agentType = "MESSAGE";
  const Trigger t[] = {{"Subject", "contains", "urgent"},
                       {"From", "begins with", "boss@example.com"},
                       {"<Body>", "doesn't contain", "unsubscribe"}};
  const Action x[] = {{"AUTO-REPLY", "/t/reply.eml", ""},
                      {"FORWARD TO", "desk@example.com", "Please look at this"},
                      {"REMOVE FROM FURTHER AGENT PROCESSING", "", ""}};
  for (int i = 0; i < triggers; ++i) a.triggers.push_back(t[i]);
  for (int i = 0; i < actions; ++i) a.actions.push_back(x[i]);
  return a;
}

TEST_F(AgentFileTest, WriterWritesTheKeysInOrder) {
  const std::string path = dir.file("Urgent.agent");
  store::writeAgentFile(path, messageAgent(2, 1));
  EXPECT_EQ(readText(path),
            "[MAIN]\nAgentType=MESSAGE\nAppVersion=.9999\n"
            "CreatedDateTime=3/5/2024 2:07:09 PM\nModifiedDateTime=3/5/2024 2:07:09 PM\n"
            "CreateUser=\nModifiedUser=\nTriggerCount=2\nActionCount=1\n"
            "[HEADER]\nEntry1=Subject\nEntry2=From\n"
            "[CONDITION]\nEntry1=contains\nEntry2=begins with\n"
            "[VALUE]\nEntry1=urgent\nEntry2=boss@example.com\n"
            "[ACTIONPARAM1]\nEntry1=AUTO-REPLY\n[ACTIONPARAM2]\nEntry1=/t/reply.eml\n[ACTIONPARAM3]\nEntry1=\n");
}

TEST_F(AgentFileTest, RoundTripWithLeftoversOfALongerVersion) {
  const std::string path = dir.file("Urgent.agent");
  store::writeAgentFile(path, messageAgent(3, 3));
  clock.advanceSeconds(3600);
  const AgentFile shorter = messageAgent(2, 1);
  store::writeAgentFile(path, shorter);

  // The file was not emptied: the third trigger and actions 2 and 3 are still there...
  const std::string text = readText(path);
  EXPECT_NE(text.find("Entry3=<Body>"), std::string::npos);
  EXPECT_NE(text.find("Entry3=REMOVE FROM FURTHER AGENT PROCESSING"), std::string::npos);
  EXPECT_NE(text.find("TriggerCount=2\nActionCount=1\n"), std::string::npos);
  // ...and ignored by readers, which go by the counts.
  const AgentFile back = store::readAgentFile(path);
  EXPECT_EQ(back.agentType, "MESSAGE");
  EXPECT_EQ(back.triggers, shorter.triggers);
  EXPECT_EQ(back.actions, shorter.actions);
  EXPECT_EQ(back.appVersion, ".9999");
  EXPECT_EQ(back.createdDateTime, "3/5/2024 3:07:09 PM");  // rewritten on every save
  EXPECT_EQ(back.modifiedDateTime, "3/5/2024 3:07:09 PM");
  EXPECT_EQ(back.createUser, "");

  // Growing again reuses the leftover lines in place.
  store::writeAgentFile(path, messageAgent(3, 3));
  const AgentFile full = store::readAgentFile(path);
  EXPECT_EQ(full.triggers, messageAgent(3, 3).triggers);
  EXPECT_EQ(full.actions, messageAgent(3, 3).actions);
}

struct ReadCase {
  const char* name;
  std::string file;  // "<none>" = no file
  std::string type;
  std::vector<Trigger> triggers;
  std::vector<Action> actions;
};

const std::string kLong(1200, 'v');

const ReadCase kReadCases[] = {
    {"missing_file_is_an_empty_type", "<none>", "", {}, {}},
    {"hex_count_and_leftover_entry",
     "[MAIN]\nAgentType=MESSAGE\nTriggerCount=0x2\n[HEADER]\nEntry1=Subject\nEntry2=To\nEntry3=Cc\n"
     "[CONDITION]\nEntry1=contains\nEntry2=contains\nEntry3=contains\n[VALUE]\nEntry1=a\nEntry2=b\nEntry3=c\n",
     "MESSAGE", {{"Subject", "contains", "a"}, {"To", "contains", "b"}}, {}},
    {"keys_in_any_case",
     "[main]\nAGENTTYPE=message\ntriggercount=1\nACTIONCOUNT=1\n[header]\nENTRY1=From\n[Condition]\nentry1=begins with\n"
     "[value]\nEntry1=x\n[actionparam1]\nENTRY1=PLAY SOUND\n[ActionParam2]\nentry1=/s/ding.wav\n",
     "message", {{"From", "begins with", "x"}}, {{"PLAY SOUND", "/s/ding.wav", ""}}},
    {"missing_trigger_count_reads_zero",
     "[MAIN]\nAgentType=MESSAGE\nActionCount=1\n[HEADER]\nEntry1=Subject\n[ACTIONPARAM1]\nEntry1=CLOSE KARVIX\n",
     "MESSAGE", {}, {{"CLOSE KARVIX", "", ""}}},
    {"missing_entries_read_empty", "[MAIN]\nAgentType=MESSAGE\nTriggerCount=2\n[HEADER]\nEntry2=To\n", "MESSAGE",
     {{"", "", ""}, {"To", "", ""}}, {}},
    {"values_trimmed_and_cut",
     "[MAIN]\nAgentType=  MESSAGE  \nTriggerCount=1\n[HEADER]\nEntry1=   Subject   \n[CONDITION]\nEntry1=contains\n"
     "[VALUE]\nEntry1=" + kLong + "\n",
     "MESSAGE", {{"Subject", "contains", std::string(1023, 'v')}}, {}},
    {"negative_count_reads_none", "[MAIN]\nAgentType=MESSAGE\nTriggerCount=-1\n[HEADER]\nEntry1=Subject\n",
     "MESSAGE", {}, {}},
    {"entry_numbers_without_leading_zeros",
     "[MAIN]\nTriggerCount=1\n[HEADER]\nEntry01=wrong\nEntry1=right\n", "", {{"right", "", ""}}, {}},
    {"interval_agent", "[MAIN]\nAgentType=INTERVAL\n", "INTERVAL", {}, {}},
};

void PrintTo(const ReadCase& c, std::ostream* os) { *os << c.name; }

class AgentFileRead : public ::testing::TestWithParam<ReadCase> {};

TEST_P(AgentFileRead, ReadsWhatTheCountsSay) {
  const ReadCase& c = GetParam();
  TempDir dir;
  const std::string path = dir.file("a.agent");
  if (c.file != "<none>") writeText(path, c.file);
  const AgentFile a = store::readAgentFile(path);
  EXPECT_EQ(a.agentType, c.type);
  EXPECT_EQ(a.triggers, c.triggers);
  EXPECT_EQ(a.actions, c.actions);
}

INSTANTIATE_TEST_SUITE_P(Cases, AgentFileRead, ::testing::ValuesIn(kReadCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(AgentFileTest, ADamagedCountIsReportedNotExpanded) {
  const std::string path = dir.file("broken.agent");
  writeText(path, "[MAIN]\nAgentType=MESSAGE\nTriggerCount=0x7FFFFFFF\n");
  try {
    store::readAgentFile(path);
    FAIL() << "no error";
  } catch (const sys::Error& e) {
    EXPECT_NE(std::string(e.what()).find("TriggerCount"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("broken.agent"), std::string::npos) << e.what();
  }
}

TEST_F(AgentFileTest, OtherTypesGetOnlyTheirType) {
  const std::string path = dir.file("t.agent");
  writeText(path, "; kept\n[MAIN]\nTriggerCount=1\n[HEADER]\nEntry1=Subject\n");
  AgentFile a;
  a.agentType = "FUNCTION";
  a.triggers.push_back({"x", "y", "z"});
  store::writeAgentFile(path, a);
  EXPECT_EQ(readText(path), "; kept\n[MAIN]\nTriggerCount=1\nAgentType=FUNCTION\n[HEADER]\nEntry1=Subject\n");
}

TEST_F(AgentFileTest, ValuesWithLineBreaksCannotAddKeys) {
  const std::string path = dir.file("x.agent");
  AgentFile a = messageAgent(1, 0);
  a.triggers[0].value = "a\n[MAIN]\nTriggerCount=99";
  store::writeAgentFile(path, a);
  const AgentFile back = store::readAgentFile(path);
  ASSERT_EQ(back.triggers.size(), 1u);
  EXPECT_EQ(back.triggers[0].value, "a [MAIN] TriggerCount=99");
}

}  // namespace
