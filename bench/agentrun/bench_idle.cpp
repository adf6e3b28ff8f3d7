// The idle scan pass and the processor's resident memory against the size of
// RECEIVED.DBF. 1,000 accounts with empty Pending folders; RECEIVED.DBF holds
// 10,000 rows, then 1,000,000 rows. A pass re-reads the accounts and received
// tables and lists every Pending folder, so with nothing to do it should cost
// about 1,000 folder listings whatever the size of the received table; the
// listings are timed beside the pass in the same process. The resident memory
// (VmRSS) is read after the passes, with the table open.
//
// Each size runs in a fresh process of its own (this program started again
// with --case), so one case's heap does not show in the other's memory.
// The filled tables are built once through the engine and kept in the bench
// work folder (received-<rows>/); remove those folders to rebuild them.
//
//   bench_agentrun_idle [passes]     (default 30)
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "agentrun/processor.h"
#include "bench/agentrun/bench_support.h"
#include "platform/system/files.h"

namespace {

namespace fs = std::filesystem;
constexpr int kAccounts = 1000;

std::string lower(std::string s) {
  for (char& c : s) c = char(std::tolower((unsigned char)c));
  return s;
}

// The files of the received table (table and index) in a database folder.
std::vector<fs::path> receivedFiles(const std::string& db) {
  std::vector<fs::path> out;
  for (const auto& e : fs::directory_iterator(db))
    if (lower(e.path().filename().string()).rfind("received.", 0) == 0) out.push_back(e.path());
  return out;
}

// A database folder whose RECEIVED.DBF holds `rows` rows, built once.
std::string cachedReceived(long rows) {
  const std::string dir = kxbench::workFolder() + "received-" + std::to_string(rows) + "/";
  const std::string marker = dir + "complete";
  if (fs::exists(marker)) return dir;
  fs::remove_all(dir);
  fs::create_directories(dir);
  std::printf("building RECEIVED.DBF with %ld rows in %s (once) ...\n", rows, dir.c_str());
  std::fflush(stdout);
  kxbench::Stopwatch w;
  store::createStore(dir);
  {
    auto received = xbase::Cursor::open(dir, "RECEIVED.DBF");
    for (long n = 0; n < rows; ++n) {
      const kxbench::Filed f = kxbench::messageFacts(int(n), kxbench::accountId(int(n % kAccounts)));
      received->insert();
      received->setString("MESSAGE_ID", f.messageKey);
      received->setString("LINK_ID", f.account);
      received->setString("SUBJECT", f.subject);
      received->setString("FROM", f.from);
      received->setDate("RECDATE", f.date);
      received->setString("FILENAME", f.fileName);
      received->post();
    }
  }
  std::printf("  built in %.1f s (%.0f rows/s)\n", w.seconds(), rows / w.seconds());
  kxbench::writeWhole(marker, std::to_string(rows) + "\n");
  return dir;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

// One size in this process: prints "RESULT key=value ..." on stdout.
int runCase(long rows, int passes) {
  const std::string cache = kxbench::workFolder() + "received-" + std::to_string(rows) + "/";
  if (!fs::exists(cache + "complete")) throw std::runtime_error("no table with " + std::to_string(rows) + " rows");
  kxbench::Store s("idle");
  for (const auto& f : receivedFiles(s.db)) fs::remove(f);
  for (const auto& f : receivedFiles(cache)) fs::create_hard_link(f, s.db + f.filename().string());
  kxbench::addAccounts(s.db, kAccounts);
  for (int a = 0; a < kAccounts; ++a) fs::create_directories(s.pendingFolder(kxbench::accountId(a)));
  kxbench::settle();

  const long rssBefore = kxbench::statusKb("VmRSS");
  agentrun::Processor p(s.program);
  if (!p.startUp("", nullptr)) throw std::runtime_error("processor start-up failed: " + p.log().line(0));
  const long rssStarted = kxbench::statusKb("VmRSS");
  p.AgentsMain();  // warm-up

  std::vector<double> pass, list;
  for (int r = 0; r < passes; ++r) {
    kxbench::Stopwatch w;
    p.AgentsMain();
    pass.push_back(w.seconds());
    w.restart();
    size_t found = 0;
    for (int a = 0; a < kAccounts; ++a) found += sys::listFiles(s.pendingFolder(kxbench::accountId(a)), "*.eml").size();
    list.push_back(w.seconds());
    if (found != 0) throw std::runtime_error("a Pending folder is not empty");
  }
  const long rssAfter = kxbench::statusKb("VmRSS");
  const long rssAnon = kxbench::statusKb("RssAnon");
  const long rssFile = kxbench::statusKb("RssFile");
  const long hwm = kxbench::statusKb("VmHWM");

  for (const auto& line : p.log().lines())
    if (line.find(" -- Error-") != std::string::npos) throw std::runtime_error("the pass reported: " + line);
  if (p.scanPasses() != passes + 1) throw std::runtime_error("not every pass ran to its end");

  std::printf("RESULT rows=%ld passMedian=%.6f passMin=%.6f listMedian=%.6f listMin=%.6f rssBefore=%ld "
              "rssStarted=%ld rssAfter=%ld rssAnon=%ld rssFile=%ld hwm=%ld\n",
              rows, median(pass), *std::min_element(pass.begin(), pass.end()), median(list),
              *std::min_element(list.begin(), list.end()), rssBefore, rssStarted, rssAfter, rssAnon, rssFile,
              hwm);
  p.shutDown();
  return 0;
}

std::map<std::string, double> runChild(const std::string& self, long rows, int passes) {
  const std::string cmd = "'" + self + "' --case " + std::to_string(rows) + " " + std::to_string(passes);
  FILE* pipe = ::popen(cmd.c_str(), "r");
  if (!pipe) throw std::runtime_error("cannot start " + cmd);
  std::map<std::string, double> out;
  char buf[4096];
  while (std::fgets(buf, sizeof buf, pipe)) {
    if (std::strncmp(buf, "RESULT ", 7) != 0) {
      std::fputs(buf, stdout);
      continue;
    }
    std::istringstream in(buf + 7);
    std::string kv;
    while (in >> kv) {
      const size_t eq = kv.find('=');
      if (eq != std::string::npos) out[kv.substr(0, eq)] = std::atof(kv.c_str() + eq + 1);
    }
  }
  const int status = ::pclose(pipe);
  if (status != 0 || out.empty()) throw std::runtime_error("the case with " + std::to_string(rows) + " rows failed");
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    if (argc > 2 && std::string(argv[1]) == "--build") {
      cachedReceived(std::atol(argv[2]));
      return 0;
    }
    if (argc > 2 && std::string(argv[1]) == "--case")
      return runCase(std::atol(argv[2]), argc > 3 ? std::max(1, std::atoi(argv[3])) : 30);

    const int passes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;
    const std::string self = fs::read_symlink("/proc/self/exe").string();
    // The tables are built (once) by processes of their own, so the build's
    // heap does not show in a case's memory.
    for (long rows : {10000L, 1000000L}) {
      const std::string cmd = "'" + self + "' --build " + std::to_string(rows);
      if (std::system(cmd.c_str()) != 0) throw std::runtime_error("building the table failed");
    }
    const auto small = runChild(self, 10000, passes);
    const auto big = runChild(self, 1000000, passes);

    std::printf("\nIdle scan pass: %d accounts, empty Pending folders (median of %d passes, min in brackets)\n",
                kAccounts, passes);
    std::printf("  %-22s %14s %22s %10s %12s\n", "RECEIVED.DBF rows", "pass ms", "1,000 listings ms", "ratio",
                "VmRSS kB");
    for (const auto* c : {&small, &big}) {
      std::printf("  %-22.0f %7.2f (%5.2f) %14.2f (%5.2f) %10.2f %12.0f\n", c->at("rows"),
                  c->at("passMedian") * 1e3, c->at("passMin") * 1e3, c->at("listMedian") * 1e3,
                  c->at("listMin") * 1e3, c->at("passMedian") / c->at("listMedian"), c->at("rssAfter"));
    }
    const double grow = big.at("passMedian") / small.at("passMedian");
    std::printf("  pass with 1,000,000 rows / pass with 10,000 rows: %.2f  (target within 20 %%: %s)\n", grow,
                grow <= 1.2 && grow >= 1 / 1.2 ? "met" : "MISSED");
    std::printf("  pass / 1,000 listings: %.2f with 10,000 rows, %.2f with 1,000,000 rows\n",
                small.at("passMedian") / small.at("listMedian"), big.at("passMedian") / big.at("listMedian"));

    std::printf("\nResident memory of the processor with the table open (VmRSS after the passes)\n");
    for (const auto* c : {&small, &big}) {
      std::printf("  %9.0f rows: VmRSS %7.0f kB (anon %7.0f, file %7.0f; before start-up %6.0f, peak %7.0f)\n",
                  c->at("rows"), c->at("rssAfter"), c->at("rssAnon"), c->at("rssFile"), c->at("rssBefore"),
                  c->at("hwm"));
    }
    const double diff = big.at("rssAfter") - small.at("rssAfter");
    const double ratio = big.at("rssAfter") / small.at("rssAfter");
    std::printf("  1,000,000 rows / 10,000 rows: %.3f (%+.0f kB)  (target: no growth with the table: %s)\n", ratio,
                diff, ratio <= 1.05 ? "met" : "MISSED");
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench_agentrun_idle: %s\n", e.what());
    return 1;
  }
}
