// karvix-agent-test: runs one agent file over one message file without
// acting, and prints the report of what the Agent Processor would do:
//   karvix-agent-test AGENT.agent MESSAGE.eml [--db DIR --account UNIQUE_ID]
// --db and --account (given together) take the account's name, address and
// SMTP server from NODES.DBF in DIR, for the actions and the SYSTEM merge
// codes; without them those values are empty. The copy a launched program
// would get is named in the processor's temp folder: $KARVIX_PROGRAM_DIR
// when set, else the folder of this program (installed beside agentrun).
// Exit status: 0 when the agent would act, 1 when it would not, 2 on bad
// input (usage, an agent or message file that cannot be read, an unknown
// account), with the reason on the error stream. Nothing is written anywhere.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace karvixagenttest {

inline constexpr const char* kUsage =
    "usage: karvix-agent-test AGENT.agent MESSAGE.eml [--db DIR --account UNIQUE_ID]\n";

// `args` without the program name.
int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace karvixagenttest
