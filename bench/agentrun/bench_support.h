// Helpers shared by the processor benchmarks: a throw-away store (tables,
// karvix.ini in a profile folder of its own, messages and agents folders),
// accounts, 4 KB pending messages, the received-table values a filing writes
// for them, a wall clock, the process's resident memory and the cache folder
// for tables that take long to build.
//
// Every benchmark measures its subject and a peer or a physical limit in the
// same run; these helpers only prepare the ground and never time anything.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/xbase/cursor.h"
#include "store/schema.h"

#ifndef KARVIX_BENCH_WORK
#define KARVIX_BENCH_WORK "/tmp"
#endif

namespace kxbench {

namespace fs = std::filesystem;

// Seconds since construction (or the last restart()).
class Stopwatch {
 public:
  Stopwatch() { restart(); }
  void restart() { start_ = std::chrono::steady_clock::now(); }
  double seconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  }

 private:
  std::chrono::steady_clock::time_point start_;
};

// The folder for caches and throw-away stores: beside the build, on the same
// file system, so cached tables can be hard-linked into a store.
// KARVIX_BENCH_DIR chooses another one (e.g. a tmpfs, to take the disk's
// flushes out of the figures).
inline std::string workFolder() {
  const char* chosen = std::getenv("KARVIX_BENCH_DIR");
  const std::string dir = std::string(chosen && *chosen ? chosen : KARVIX_BENCH_WORK) + "/";
  fs::create_directories(dir);
  return dir;
}

inline void writeWhole(const fs::path& p, const std::string& content) {
  fs::create_directories(p.parent_path());
  std::ofstream out(p, std::ios::binary);
  out << content;
}

inline std::string readWhole(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// A store in a fresh folder; the folder is removed again on destruction.
// KARVIX_PROFILE_DIR points at its profile folder from construction on.
struct Store {
  explicit Store(const std::string& name, bool createTables = true) {
    std::string tmpl = workFolder() + "store-" + name + "-XXXXXX";
    std::vector<char> buf(tmpl.begin(), tmpl.end());
    buf.push_back('\0');
    if (!::mkdtemp(buf.data())) throw std::runtime_error("mkdtemp failed for " + tmpl);
    root = buf.data();
    db = root + "/db/";
    messages = root + "/messages/";
    agents = root + "/agents/";
    program = root + "/program/";
    profile = root + "/profile";
    fs::create_directories(db);
    fs::create_directories(program);
    fs::create_directories(messages);
    fs::create_directories(agents);
    ::setenv("KARVIX_PROFILE_DIR", profile.c_str(), 1);
    writeWhole(profile + "/karvix.ini", "[Folders]\nMessages=" + messages + "\nAgents=" + agents +
                                            "\nDataBase=" + db + "\n[AgentSettings]\nAutoEnabled=1\n");
    if (createTables) store::createStore(db);
  }
  ~Store() {
    std::error_code ec;
    fs::remove_all(root, ec);
  }
  Store(const Store&) = delete;
  Store& operator=(const Store&) = delete;

  std::string pendingFolder(const std::string& account) const { return messages + account + "/Pending/"; }
  std::string inFolder(const std::string& account) const { return messages + account + "/In/"; }

  std::string root, db, messages, agents, program, profile;
};

inline std::string accountId(int i) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "ACCT%04d", i);
  return buf;
}

// Appends `count` account rows (ACCT0000 ...) to NODES.DBF.
inline void addAccounts(const std::string& db, int count) {
  auto nodes = xbase::Cursor::open(db, "NODES.DBF");
  for (int i = 0; i < count; ++i) {
    nodes->insert();
    nodes->setString("UNIQUE_ID", accountId(i));
    nodes->setString("NODE", "Support " + std::to_string(i));
    nodes->setString("ADDRESS", "support" + std::to_string(i) + "@acme.example");
    nodes->setString("SMTPADDRES", "127.0.0.1:1");
    nodes->post();
  }
}

// What the filing writes for one message (the message's own header values).
struct Filed {
  std::string account;
  std::string fileName;
  std::string messageKey;  // date-time of the Date header + first 5 characters of Subject
  std::string subject;
  std::string from;
  xbase::Cursor::Date date;
};

// Message number n: distinct Date (one second apart), subject and sender, a
// plain text body filling it to about `size` bytes.
inline Filed messageFacts(int n, const std::string& account) {
  Filed f;
  f.account = account;
  char name[64];
  std::snprintf(name, sizeof name, "msg%06d.eml", n);
  f.fileName = name;
  f.subject = "Order " + std::to_string(100000 + n) + " status request";
  f.from = "Customer " + std::to_string(n) + " <customer" + std::to_string(n) + "@example.com>";
  const int sec = n % 60, min = (n / 60) % 60, hour = (n / 3600) % 24, day = 1 + (n / 86400) % 28;
  char key[32];
  std::snprintf(key, sizeof key, "202603%02d%02d%02d%02d", day, hour, min, sec);
  f.messageKey = std::string(key) + f.subject.substr(0, 5);
  f.date = {2026, 3, day};
  return f;
}

inline std::string messageText(int n, size_t size = 4096) {
  const Filed f = messageFacts(n, "");
  static const char* const kMonths = "Mar";
  const int sec = n % 60, min = (n / 60) % 60, hour = (n / 3600) % 24, day = 1 + (n / 86400) % 28;
  char date[64];
  std::snprintf(date, sizeof date, "%d %s 2026 %02d:%02d:%02d +0100", day, kMonths, hour, min, sec);
  std::string m = "Return-Path: <customer" + std::to_string(n) + "@example.com>\r\n" +
                  "Received: from mx.example.com (mx.example.com [192.0.2.25])\r\n"
                  "\tby mail.acme.example with ESMTP id " + std::to_string(900000 + n) + "\r\n" +
                  "From: " + f.from + "\r\n" + "To: Support <support@acme.example>\r\n" +
                  "Subject: " + f.subject + "\r\n" + "Date: " + date + "\r\n" +
                  "Message-ID: <" + std::to_string(n) + ".4711@example.com>\r\n" +
                  "MIME-Version: 1.0\r\nContent-Type: text/plain; charset=us-ascii\r\n"
                  "Content-Transfer-Encoding: 7bit\r\n\r\n"
                  "Hello,\r\n\r\nplease tell me where my order stands.\r\n\r\n";
  static const char* const kLine =
      "The quick brown fox jumps over the lazy dog while the order waits in the queue.\r\n";
  while (m.size() + 82 < size) m += kLine;
  m += "Regards\r\n";
  while (m.size() < size) m.insert(m.size() - 2, "-");
  return m;
}

// Writes `perAccount` messages into the Pending folder of each of `accounts`
// accounts; returns the facts of every message in the order written.
inline std::vector<Filed> dropMessages(const Store& s, int accounts, int perAccount) {
  std::vector<Filed> out;
  int n = 0;
  for (int a = 0; a < accounts; ++a) {
    const std::string acct = accountId(a);
    fs::create_directories(s.pendingFolder(acct));
    for (int i = 0; i < perAccount; ++i, ++n) {
      Filed f = messageFacts(n, acct);
      writeWhole(s.pendingFolder(acct) + f.fileName, messageText(n));
      out.push_back(std::move(f));
    }
  }
  return out;
}

// Resident memory of this process from /proc/self/status, in kB (0 if absent).
inline long statusKb(const char* key) {
  std::ifstream in("/proc/self/status");
  std::string line;
  const std::string k = std::string(key) + ":";
  while (std::getline(in, line)) {
    if (line.rfind(k, 0) == 0) return std::strtol(line.c_str() + k.size(), nullptr, 10);
  }
  return 0;
}

// Writes everything the set-up wrote to disk, so a timed part does not pay
// for the write-back of the set-up's files.
inline void settle() { ::sync(); }

inline std::string fixed(double v, int decimals = 2) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
  return buf;
}

}  // namespace kxbench
