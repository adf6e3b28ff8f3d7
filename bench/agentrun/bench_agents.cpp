// Messages per second for one scan pass over 10,000 messages of 4 KB in 100
// accounts, each account with 5 attached MESSAGE agents of 3 triggers each
// (Subject, From and body "contains" tests that never match), beside procmail
// running the 15 equivalent conditions (5 recipes of 3 conditions, none
// matching) over the same messages in the same run: "procmail -m RCFILE
// ACCOUNT < message", once per message, the default delivery going to
// /dev/null. The processor also files each message (RECEIVED.DBF row, copy
// into In, pending file deleted), which procmail does not.
//
//   bench_agentrun_agents [messages for procmail]     (default all 10,000)
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "agentrun/processor.h"
#include "bench/agentrun/bench_support.h"
#include "platform/system/files.h"
#include "store/agentfile.h"

extern char** environ;

namespace {

constexpr int kAccounts = 100;
constexpr int kPerAccount = 100;
constexpr int kMessages = kAccounts * kPerAccount;
constexpr int kAgents = 5;
const char* const kProcmail = "/usr/bin/procmail";

std::string marker(int k) { return "zzz-nomatch-" + std::to_string(k); }

double processorPass() {
  kxbench::Store s("agents");
  kxbench::addAccounts(s.db, kAccounts);
  for (int k = 1; k <= kAgents; ++k) {
    store::AgentFile agent;
    agent.agentType = "MESSAGE";
    agent.triggers = {{"Subject", "contains", marker(k)},
                      {"From", "contains", marker(k) + "@"},
                      {"<Body>", "contains", marker(k)}};
    agent.actions = {{"REMOVE FROM FURTHER AGENT PROCESSING", "", ""}};
    store::writeAgentFile(s.agents + "nomatch" + std::to_string(k) + ".agent", agent);
  }
  {
    auto rows = xbase::Cursor::open(s.db, "Agents.dbf");
    for (int a = 0; a < kAccounts; ++a) {
      for (int k = 1; k <= kAgents; ++k) {
        char key[32];
        std::snprintf(key, sizeof key, "20260301000000A%03d%d", a, k);
        rows->insert();
        rows->setString("UNIQUE_ID", key);
        rows->setString("LINK_ID", kxbench::accountId(a));
        rows->setString("AGENT", "nomatch" + std::to_string(k));
        rows->post();
      }
    }
  }
  kxbench::dropMessages(s, kAccounts, kPerAccount);
  kxbench::settle();

  agentrun::Processor p(s.program);
  if (!p.startUp("", nullptr)) throw std::runtime_error("processor start-up failed: " + p.log().line(0));
  kxbench::Stopwatch w;
  p.AgentsMain();
  const double t = w.seconds();

  size_t left = 0, filed = 0, agentLines = 0;
  for (int a = 0; a < kAccounts; ++a) {
    left += sys::listFiles(s.pendingFolder(kxbench::accountId(a)), "*.eml").size();
    filed += sys::listFiles(s.inFolder(kxbench::accountId(a)), "*.eml").size();
  }
  for (const auto& line : p.log().lines()) {
    if (line.find(" -- Error-") != std::string::npos || line.find("FAILED") != std::string::npos)
      throw std::runtime_error("the pass reported: " + line);
    if (line.find(" - Processing Agent nomatch") != std::string::npos) ++agentLines;
  }
  auto actions = xbase::Cursor::open(s.db, "ACTIONS.DBF");
  if (left != 0 || filed != size_t(kMessages)) throw std::runtime_error("the pass did not file every message");
  if (agentLines != size_t(kMessages * kAgents)) throw std::runtime_error("not every agent ran over every message");
  if (actions->count() != 0) throw std::runtime_error("an agent acted although no trigger matches");
  p.shutDown();
  return t;
}

// procmail over the same messages, one process per message.
double procmailRun(int count, int& delivered) {
  kxbench::Store s("procmail", false);
  const std::string rc = s.root + "/rc";
  std::string text = "MAILDIR=" + s.root + "/maildir\nDEFAULT=/dev/null\nLOGFILE=\nVERBOSE=off\n";
  for (int k = 1; k <= kAgents; ++k) {
    text += "\n:0\n* ^Subject:.*" + marker(k) + "\n* ^From:.*" + marker(k) + "@\n* B ?? " + marker(k) + "\n" +
            s.root + "/matched\n";
  }
  kxbench::writeWhole(rc, text);
  const std::vector<kxbench::Filed> facts = kxbench::dropMessages(s, kAccounts, kPerAccount);
  kxbench::settle();

  kxbench::Stopwatch w;
  delivered = 0;
  for (int i = 0; i < count; ++i) {
    const auto& f = facts[size_t(i)];
    const std::string path = s.pendingFolder(f.account) + f.fileName;
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 0, path.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
    std::string a0 = "procmail", a1 = "-m", a3 = f.account;
    std::string a2 = rc;
    char* argv[] = {a0.data(), a1.data(), a2.data(), a3.data(), nullptr};
    pid_t pid = 0;
    const int err = posix_spawn(&pid, kProcmail, &fa, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&fa);
    if (err != 0) throw std::runtime_error("cannot start procmail");
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
      throw std::runtime_error("procmail failed on " + path);
    ++delivered;
  }
  const double t = w.seconds();
  if (kxbench::fs::exists(s.root + "/matched")) throw std::runtime_error("a procmail recipe matched");
  return t;
}

}  // namespace

int main(int argc, char** argv) {
  const int peerCount = argc > 1 ? std::clamp(std::atoi(argv[1]), 100, kMessages) : kMessages;
  try {
    if (::access(kProcmail, X_OK) != 0) throw std::runtime_error("procmail is not installed");
    const double t = processorPass();
    int delivered = 0;
    const double pm = procmailRun(peerCount, delivered);
    const double rate = kMessages / t, peer = delivered / pm;
    std::printf("5 MESSAGE agents of 3 triggers (none matching) over %d messages of 4 KB in %d accounts\n",
                kMessages, kAccounts);
    std::printf("  processor, one scan pass (agents + filing): %9.0f messages/s  (%.1f us each, %.2f s)\n", rate,
                1e6 / rate, t);
    std::printf("  procmail -m, 15 conditions, per message:    %9.0f messages/s  (%.1f us each, %d messages)\n",
                peer, 1e6 / peer, delivered);
    std::printf("  ratio processor / procmail: %.2f\n", rate / peer);
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench_agentrun_agents: %s\n", e.what());
    return 1;
  }
}
