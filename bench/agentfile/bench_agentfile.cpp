// How fast the processor can read an agent file (5 triggers, 5 actions), the
// read it makes for every agent and every message. Measured against a plain
// read of the same file (open, read all bytes, close) in the same run, and
// beside a reader that scans the file once per key (as one profile call per
// key would). Prints reads per second and the ratios.
//   bench_agentfile [seconds per measurement, default 1]
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

#include "platform/profile/profile.h"
#include "platform/system/clock.h"
#include "store/agentfile.h"

namespace {

double measure(const char* label, double seconds, const std::function<std::size_t()>& op) {
  using clock = std::chrono::steady_clock;
  std::size_t sink = 0;
  for (int i = 0; i < 100; ++i) sink += op();  // warm the page cache and the allocator
  long long n = 0;
  const auto start = clock::now();
  const auto until = start + std::chrono::duration<double>(seconds);
  auto now = start;
  while (now < until) {
    for (int i = 0; i < 64; ++i) sink += op();
    n += 64;
    now = clock::now();
  }
  const double elapsed = std::chrono::duration<double>(now - start).count();
  const double rate = static_cast<double>(n) / elapsed;
  std::printf("%-34s %12.0f reads/s  %8.2f us/read   (check %zu)\n", label, rate, 1e6 / rate, sink % 10);
  return rate;
}

std::size_t plainRead(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  std::string content;
  char buf[16384];
  ssize_t r;
  while ((r = ::read(fd, buf, sizeof buf)) > 0) content.append(buf, static_cast<std::size_t>(r));
  ::close(fd);
  return content.size();
}

// One parse of the whole file per key: what a reader built on single-value
// profile calls does.
std::size_t perKeyRead(const std::string& path) {
  std::size_t total = 0;
  const int triggers = profile::readInteger(path, "MAIN", "TriggerCount", 0);
  const int actions = profile::readInteger(path, "MAIN", "ActionCount", 0);
  total += profile::readString(path, "MAIN", "AgentType", "").size();
  for (int i = 1; i <= triggers; ++i)
    for (const char* s : {"HEADER", "CONDITION", "VALUE"})
      total += profile::readString(path, s, "Entry" + std::to_string(i), "").size();
  for (int i = 1; i <= actions; ++i)
    for (const char* s : {"ACTIONPARAM1", "ACTIONPARAM2", "ACTIONPARAM3"})
      total += profile::readString(path, s, "Entry" + std::to_string(i), "").size();
  return total;
}

}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 1.0;
  char tmpl[] = "/tmp/karvix-bench-XXXXXX";
  if (!mkdtemp(tmpl)) return 1;
  const std::string path = std::string(tmpl) + "/Benchmark.agent";

  store::AgentFile agent;
  agent.agentType = "MESSAGE";
  const char* fields[] = {"Subject", "From", "To", "Cc", "<Body>"};
  const char* keywords[] = {"AUTO-REPLY", "FORWARD TO", "REDIRECT TO", "PLAY SOUND", "LAUNCH PROGRAM"};
  for (int i = 0; i < 5; ++i) {
    agent.triggers.push_back({fields[i], "contains", "value number " + std::to_string(i + 1)});
    agent.actions.push_back({keywords[i], "/opt/ostrak/karvix/templates/reply" + std::to_string(i) + ".eml", ""});
  }
  store::writeAgentFile(path, agent);
  const auto size = std::filesystem::file_size(path);
  std::printf("agent file: 5 triggers, 5 actions, %ju bytes\n", static_cast<std::uintmax_t>(size));

  const double plain = measure("plain read (open/read/close)", seconds, [&] { return plainRead(path); });
  const double agentRead = measure("store::readAgentFile", seconds, [&] {
    const store::AgentFile a = store::readAgentFile(path);
    return a.triggers.size() + a.actions.size();
  });
  const double perKey = measure("one profile call per key", seconds, [&] { return perKeyRead(path); });

  std::printf("readAgentFile costs %.2f plain reads (plain/agent rate ratio)\n", plain / agentRead);
  std::printf("per-key reading costs %.1f x readAgentFile\n", agentRead / perKey);
  std::filesystem::remove_all(tmpl);
  return 0;
}
