#include "tools/karvix-agent-test/agent_test.h"

#include <cstdlib>
#include <exception>
#include <filesystem>
#include <optional>

#include "agentrun/dry_run.h"
#include "agentrun/dry_run_text.h"
#include "platform/mail/message.h"
#include "platform/system/files.h"
#include "platform/system/folders.h"
#include "store/agentfile.h"

namespace karvixagenttest {
namespace {

struct Options {
  std::string agentPath, messagePath;
  std::optional<std::string> db, account;
};

// False (after writing the reason) when the arguments are not a valid call.
bool parse(const std::vector<std::string>& args, Options& o, std::ostream& err) {
  std::vector<std::string> positional;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--db" || a == "--account") {
      if (i + 1 >= args.size() || args[i + 1].empty()) {
        err << "karvix-agent-test: " << a << " needs a value\n" << kUsage;
        return false;
      }
      std::optional<std::string>& slot = a == "--db" ? o.db : o.account;
      if (slot) {
        err << "karvix-agent-test: " << a << " is given twice\n" << kUsage;
        return false;
      }
      slot = args[++i];
    } else if (a.rfind("--", 0) == 0) {
      err << "karvix-agent-test: unknown option " << a << "\n" << kUsage;
      return false;
    } else {
      positional.push_back(a);
    }
  }
  if (positional.size() != 2) {
    err << kUsage;
    return false;
  }
  if (o.db.has_value() != o.account.has_value()) {
    err << "karvix-agent-test: --db and --account go together\n" << kUsage;
    return false;
  }
  // Profile files given by a bare name live in the profile folder; a path
  // typed on the command line means the current folder.
  o.agentPath = std::filesystem::absolute(positional[0]).string();
  o.messagePath = std::filesystem::absolute(positional[1]).string();
  return true;
}

std::string agentName(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const std::string ending = ".agent";
  if (name.size() > ending.size() && name.compare(name.size() - ending.size(), ending.size(), ending) == 0)
    name.erase(name.size() - ending.size());
  return name;
}

std::string processorFolder() {
  if (const char* dir = std::getenv("KARVIX_PROGRAM_DIR"); dir && *dir) return sys::withTrailingSeparator(dir);
  return sys::programFolder();
}

}  // namespace

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  Options o;
  if (!parse(args, o, err)) return 2;
  try {
    // A missing agent file reads as an agent that does nothing; here it is
    // a mistyped name, so it is refused.
    if (!sys::fileExists(o.agentPath)) {
      err << "karvix-agent-test: the agent file " << o.agentPath << " does not exist or is not a file\n";
      return 2;
    }
    const store::AgentFile agent = store::readAgentFile(o.agentPath);
    if (!sys::fileExists(o.messagePath)) {
      err << "karvix-agent-test: the message file " << o.messagePath << " does not exist or is not a file\n";
      return 2;
    }
    mail::TmsMessage message;
    message.loadFromFile(o.messagePath);
    agentrun::DryRunAccount account;
    if (o.db) account = agentrun::readDryRunAccount(sys::withTrailingSeparator(*o.db), *o.account);

    const agentrun::DryRunReport report =
        agentrun::dryRunMessageAgent(agentName(o.agentPath), agent, std::move(message), account, processorFolder());
    out << agentrun::formatDryRunReport(report);
    return report.wouldAct ? 0 : 1;
  } catch (const std::exception& e) {
    err << "karvix-agent-test: " << e.what() << "\n";
    return 2;
  }
}

}  // namespace karvixagenttest
