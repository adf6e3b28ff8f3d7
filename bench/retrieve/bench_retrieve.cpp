// Retrieval speed: 2,000 messages of 4 KB in a local dovecot mailbox.
//   bench_retrieve [messages] [bytes]
// Peer, measured in the same run on the same mailbox: one libcurl session
// that LISTs and RETRs every message into memory (the transfer alone, no
// disk). Then the retriever's poll of an account (pollAccount) in three set-ups:
//   - "all, leave":  every message into Pending, left on the server
//                    (file + fsync, link, folder fsync, PENDING.DBF row,
//                    UIDL remembered with fdatasync);
//   - "header rule": the same with a "contains" restriction, so each message
//                    costs a TOP as well;
//   - "all, delete": every message into Pending and deleted from the server.
// Prints messages per second and the ratio to the peer.
#include <curl/curl.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/system/clock.h"
#include "store/schema.h"
#include "tests/retrieve/dovecot_server.h"
#include "tests/support/temp_dir.h"
#include "platform/xbase/cursor.h"
#include "tools/karvix-retrieve/account_poll.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

size_t sink(char*, size_t size, size_t n, void* total) {
  *static_cast<size_t*>(total) += size * n;
  return size * n;
}

double rawCurl(const std::string& address, const std::string& user, int count, size_t& bytes) {
  CURL* c = curl_easy_init();
  curl_easy_setopt(c, CURLOPT_USERNAME, user.c_str());
  curl_easy_setopt(c, CURLOPT_PASSWORD, "pw");
  curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, sink);
  curl_easy_setopt(c, CURLOPT_WRITEDATA, &bytes);
  const auto t0 = Clock::now();
  std::string url = "pop3://" + address + "/";
  curl_easy_setopt(c, CURLOPT_URL, url.c_str());
  if (curl_easy_perform(c) != CURLE_OK) std::abort();
  for (int i = 1; i <= count; ++i) {
    url = "pop3://" + address + "/" + std::to_string(i);
    curl_easy_setopt(c, CURLOPT_URL, url.c_str());
    if (curl_easy_perform(c) != CURLE_OK) std::abort();
  }
  curl_easy_cleanup(c);
  return std::chrono::duration<double>(Clock::now() - t0).count();
}

std::string message(int i, size_t size) {
  std::string m = "From: Sender " + std::to_string(i) + " <s" + std::to_string(i) +
                  "@example.com>\r\nTo: support@acme.example\r\nSubject: Message number " + std::to_string(i) +
                  "\r\nDate: Fri, 11 Dec 2026 09:15:00 +0100\r\nMessage-ID: <" + std::to_string(i) +
                  "@example.com>\r\nMIME-Version: 1.0\r\nContent-Type: text/plain\r\n\r\n";
  while (m.size() + 72 <= size) m += "Body text of a four kilobyte message, one line after the other....\r\n";
  m.append(size - m.size() - 2, 'x');
  return m + "\r\n";
}

struct Setup {
  const char* label;
  const char* cond;
  const char* v1;
  const char* v2;
  const char* act2;
};

double ours(retrieve::testing::DovecotServer& pop, const std::string& user, const Setup& s, int& retrieved) {
  kxtest::TempDir root("kx-bench-retrieve");
  const std::string db = root.path() + "/db/", messages = root.path() + "/messages/";
  store::createStore(db);
  {
    auto rules = xbase::Cursor::open(db, "rules.dbf");
    rules->insert();
    rules->setString("UNIQUE_ID", "20261211090000Contro");
    rules->setString("LINK_ID", "BENCH");
    rules->setString("RULE", s.label);
    rules->setString("COND", s.cond);
    rules->setString("CONDVAL1", s.v1);
    rules->setString("CONDVAL2", s.v2);
    rules->setString("ACT1", "Y");
    rules->setString("ACT2", s.act2);
    rules->post();
  }
  retrieve::RetrieveLog log(root.path() + "/retrieve.log");
  const auto t0 = Clock::now();
  const retrieve::PollResult r =
      retrieve::pollAccount({"BENCH", "Bench", pop.address(), user, "pw"}, {messages, db}, log);
  const double secs = std::chrono::duration<double>(Clock::now() - t0).count();
  if (!r.ok) {
    std::fprintf(stderr, "poll failed: %s\n", kxtest::readFileBytes(root.path() + "/retrieve.log").c_str());
    std::exit(1);
  }
  retrieved = r.retrieved;
  return secs;
}

}  // namespace

int main(int argc, char** argv) {
  const int count = argc > 1 ? std::atoi(argv[1]) : 2000;
  const size_t size = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 4096;
  if (!retrieve::testing::DovecotServer::available()) {
    std::fprintf(stderr, "dovecot is not installed (scripts/install-deps.sh)\n");
    return 1;
  }
  curl_global_init(CURL_GLOBAL_DEFAULT);
  retrieve::testing::DovecotServer pop;
  const Setup setups[] = {
      {"all, leave", "A", "", "", "N"},
      {"header rule", "C", "Subject", "Message", "N"},
      {"all, delete", "A", "", "", "Y"},
  };
  for (const char* u : {"keep", "gone"}) {
    pop.addUser(u, "pw");
    for (int i = 1; i <= count; ++i) pop.deliver(u, message(i, size));
  }
  size_t bytes = 0;
  rawCurl(pop.address(), "keep", count, bytes);  // warm-up: dovecot indexes the mailbox
  bytes = 0;
  const double peer = rawCurl(pop.address(), "keep", count, bytes);
  const double peerRate = count / peer;
  std::printf("%d messages of %zu bytes (%zu bytes as sent) from dovecot on loopback\n", count, size,
              bytes / count);
  std::printf("%-34s %9.0f msg/s  %7.1f MB/s\n", "peer: raw libcurl RETR, to memory", peerRate,
              bytes / peer / 1e6);
  for (const Setup& s : setups) {
    int retrieved = 0;
    const double t = ours(pop, s.act2[0] == 'Y' ? "gone" : "keep", s, retrieved);
    if (retrieved != count) {
      std::fprintf(stderr, "%s: %d of %d retrieved\n", s.label, retrieved, count);
      return 1;
    }
    const double rate = count / t;
    std::printf("%-34s %9.0f msg/s  = %.2f of the peer\n", (std::string("karvix-retrieve, ") + s.label).c_str(),
                rate, rate / peerRate);
  }
  return 0;
}
