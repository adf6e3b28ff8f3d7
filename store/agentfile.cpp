#include "store/agentfile.h"

#include "platform/profile/profile.h"
#include "platform/system/clock.h"
#include "platform/system/error.h"
#include "platform/system/format_datetime.h"
#include "store/keys.h"

namespace store {
namespace {

constexpr const char* kMainSection = "MAIN";
constexpr const char* kHeader = "HEADER";
constexpr const char* kCondition = "CONDITION";
constexpr const char* kValue = "VALUE";
constexpr const char* kParam1 = "ACTIONPARAM1";
constexpr const char* kParam2 = "ACTIONPARAM2";
constexpr const char* kParam3 = "ACTIONPARAM3";

std::string entry(int n) { return "Entry" + std::to_string(n); }

int readCount(const profile::Document& doc, const char* key, const std::string& path) {
  const int n = doc.readInteger(kMainSection, key, 0);
  if (n > kMaxEntries)
    throw sys::Error("The agent file '" + path + "' has an invalid " + key + ": " + std::to_string(n));
  return n < 0 ? 0 : n;
}

}  // namespace

AgentFile readAgentFile(const std::string& path) {
  const profile::Document doc = profile::load(path);
  AgentFile a;
  a.agentType = doc.readString(kMainSection, "AgentType", "");
  a.appVersion = doc.readString(kMainSection, "AppVersion", "");
  a.createdDateTime = doc.readString(kMainSection, "CreatedDateTime", "");
  a.modifiedDateTime = doc.readString(kMainSection, "ModifiedDateTime", "");
  a.createUser = doc.readString(kMainSection, "CreateUser", "");
  a.modifiedUser = doc.readString(kMainSection, "ModifiedUser", "");
  const int triggers = readCount(doc, "TriggerCount", path);
  const int actions = readCount(doc, "ActionCount", path);
  a.triggers.reserve(static_cast<std::size_t>(triggers));
  for (int n = 1; n <= triggers; ++n) {
    const std::string key = entry(n);
    a.triggers.push_back(Trigger{doc.readString(kHeader, key, ""), doc.readString(kCondition, key, ""),
                                 doc.readString(kValue, key, "")});
  }
  a.actions.reserve(static_cast<std::size_t>(actions));
  for (int n = 1; n <= actions; ++n) {
    const std::string key = entry(n);
    a.actions.push_back(Action{doc.readString(kParam1, key, ""), doc.readString(kParam2, key, ""),
                               doc.readString(kParam3, key, "")});
  }
  return a;
}

void writeAgentFile(const std::string& path, const AgentFile& agent) {
  if (agent.triggers.size() > static_cast<std::size_t>(kMaxEntries) ||
      agent.actions.size() > static_cast<std::size_t>(kMaxEntries))
    throw sys::Error("An agent cannot hold more than " + std::to_string(kMaxEntries) +
                     " triggers or actions");
  const std::string stamp = sys::dateTimeText(sys::now());
  profile::update(path, [&](profile::Document& doc) {
    doc.writeString(kMainSection, "AgentType", agent.agentType);
    if (upperCase(agent.agentType) != "MESSAGE") return;
    doc.writeString(kMainSection, "AppVersion", kAgentAppVersion);
    doc.writeString(kMainSection, "CreatedDateTime", stamp);
    doc.writeString(kMainSection, "ModifiedDateTime", stamp);
    doc.writeString(kMainSection, "CreateUser", "");
    doc.writeString(kMainSection, "ModifiedUser", "");
    doc.writeInteger(kMainSection, "TriggerCount", static_cast<int>(agent.triggers.size()));
    doc.writeInteger(kMainSection, "ActionCount", static_cast<int>(agent.actions.size()));
    int n = 0;
    for (const Trigger& t : agent.triggers) {
      const std::string key = entry(++n);
      doc.writeString(kHeader, key, t.field);
      doc.writeString(kCondition, key, t.condition);
      doc.writeString(kValue, key, t.value);
    }
    n = 0;
    for (const Action& x : agent.actions) {
      const std::string key = entry(++n);
      doc.writeString(kParam1, key, x.keyword);
      doc.writeString(kParam2, key, x.param);
      doc.writeString(kParam3, key, x.param2);
    }
  });
}

void saveMessageAgent(const std::string& path, const AgentFile& agent) {
  AgentFile a = agent;
  a.agentType = "MESSAGE";
  try {
    writeAgentFile(path, a);
  } catch (const sys::Error&) {
    throw sys::Error("Unable to write to " + path);
  }
}

}  // namespace store
