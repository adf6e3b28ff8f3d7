// Agent definition files: agents folder + agent name + ".agent", a profile
// file read and written with the profile rules (case-insensitive names,
// trimmed values of at most 1023 characters, whole numbers in decimal or
// after "0x").
//   [MAIN]        AgentType, and for MESSAGE agents AppVersion (".9999"),
//                 CreatedDateTime, ModifiedDateTime (short date, blank, long
//                 time), CreateUser, ModifiedUser (empty), TriggerCount,
//                 ActionCount (decimal)
//   [HEADER] [CONDITION] [VALUE]               Entry1..EntryTriggerCount
//   [ACTIONPARAM1] [ACTIONPARAM2] [ACTIONPARAM3] Entry1..EntryActionCount
// Reading parses the file once and takes the entries 1 to the counts; entries
// above the counts (left from an earlier, longer version) are ignored, a
// missing entry is empty, a missing or negative count is 0, and a missing file
// is an agent with an empty type. A count above kMaxEntries is refused with
// sys::Error: such a file is damaged and would otherwise make the reader build
// millions of empty entries.
// Writing updates the keys in place in one locked read-modify-write and never
// empties the file first, so leftovers stay; keys are written in the order
// above, trigger by trigger and then action by action. Only MESSAGE agents
// (type compared upper-cased) get more than AgentType.
#pragma once

#include <string>
#include <vector>

namespace store {

inline constexpr int kMaxEntries = 10000;
inline constexpr const char* kAgentAppVersion = ".9999";

struct Trigger {
  std::string field;      // [HEADER]
  std::string condition;  // [CONDITION]
  std::string value;      // [VALUE]
  friend bool operator==(const Trigger&, const Trigger&) = default;
};

struct Action {
  std::string keyword;  // [ACTIONPARAM1]
  std::string param;    // [ACTIONPARAM2]
  std::string param2;   // [ACTIONPARAM3]
  friend bool operator==(const Action&, const Action&) = default;
};

struct AgentFile {
  std::string agentType;
  std::vector<Trigger> triggers;
  std::vector<Action> actions;
  // Read back as found; the writer sets them itself (see writeAgentFile).
  std::string appVersion;
  std::string createdDateTime;
  std::string modifiedDateTime;
  std::string createUser;
  std::string modifiedUser;
};

AgentFile readAgentFile(const std::string& path);

// Writes agentType and, for a MESSAGE agent, AppVersion ".9999", both stamps
// set to the current moment (sys::now()), empty users, the counts and the
// entries of triggers and actions. The stamp and user fields of the argument
// are not used.
void writeAgentFile(const std::string& path, const AgentFile& agent);

// Saves a MESSAGE agent as the Configuration Manager does (writeAgentFile
// with the type "MESSAGE" whatever agent.agentType says). A refused write
// raises "Unable to write to <path>"; the file is then left as it was.
void saveMessageAgent(const std::string& path, const AgentFile& agent);

}  // namespace store
