// Table engine figures, each beside the physical limit measured in the same
// run:
// - appends per second to ACTIONS.DBF (four tags kept, shared mode, header
//   and record locks) against writing the same record bytes with pwrite;
// - seeks per second through a unique tag (RECEIVED.MESSAGE_ID, 100,000
//   keys, shared mode: an index read lock per seek) against one pread of a
//   random record;
// - the cost of refresh() when nothing changed, for 10,000 and 1,000,000
//   rows, against one fstat;
// - resident memory of the engine with each of those tables open.
//
// usage: bench_xbase [folder] [big-rows]   (default: a folder in /tmp, 1000000)
#include <fcntl.h>
#include <time.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/xbase/cursor.h"
#include "store/schema.h"

namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); }

// Process CPU time (user + system): other programs on the machine inflate
// wall-clock figures, much less this one.
double cpuNow() {
  timespec ts {};
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

struct Rate {
  double wall = 0;  // per second of elapsed time
  double cpu = 0;   // per second of CPU time
};

struct Timer {
  Clock::time_point wall0 = Clock::now();
  double cpu0 = cpuNow();
  Rate rate(double ops) const {
    return {ops / seconds(wall0, Clock::now()), ops / (cpuNow() - cpu0)};
  }
};

long rssKb() {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
  return -1;
}

uint64_t lcg(uint64_t& s) {
  s = s * 6364136223846793005ull + 1442695040888963407ull;
  return s >> 33;
}

std::string messageId(uint64_t n) {
  char buf[80];
  std::snprintf(buf, sizeof buf, "<%016llx.%llu@mail.example.org>", (unsigned long long)(n * 2654435761ull),
                (unsigned long long)n);
  return buf;
}

void fillAction(xbase::Cursor& c, uint64_t i) {
  char id[32];
  std::snprintf(id, sizeof id, "2024%010llu", (unsigned long long)i);
  c.setString("UNIQUE_ID", std::string(id) + "Messag");
  c.setString("MESSAGE_ID", messageId(i / 3));
  c.setString("NODE_ID", "ACCOUNT" + std::to_string(i % 7));
  c.setString("AGENT_ID", "20240101120000Agent" + std::to_string(i % 5));
  c.setString("ACTION", "Message Forwarded to: someone" + std::to_string(i % 100) + "@example.org");
  c.setDate("CREATEON", {2024, 1, 1 + int(i % 28)});
  c.setString("CREATEAT", "12:34");
}

// Appends `rows` to ACTIONS.DBF in `dir`; returns appends per second.
Rate appendActions(const std::string& dir, uint64_t from, uint64_t rows, xbase::OpenMode mode) {
  auto t = store::openTable(dir, store::Table::Actions, mode);
  const Timer timer;
  for (uint64_t i = from; i < from + rows; ++i) {
    t->insert();
    fillAction(*t, i);
    t->post();
  }
  return timer.rate(double(rows));
}

// The floor of an append: one pwrite of the record (and end mark) at the end.
Rate plainAppends(const std::string& path, uint32_t recordLength, uint64_t rows) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
  std::string rec(recordLength + 1, ' ');
  rec.back() = 0x1A;
  const Timer timer;
  for (uint64_t i = 0; i < rows; ++i) {
    std::memcpy(rec.data() + 1, &i, sizeof i);
    if (::pwrite(fd, rec.data(), rec.size(), off_t(512 + i * recordLength)) < 0) std::perror("pwrite");
  }
  const Rate rate = timer.rate(double(rows));
  ::close(fd);
  ::unlink(path.c_str());
  return rate;
}

void lockByte(int fd, off_t at, short type, bool wait) {
  struct flock fl {};
  fl.l_type = type;
  fl.l_whence = SEEK_SET;
  fl.l_start = at;
  fl.l_len = 1;
  if (::fcntl(fd, wait ? F_OFD_SETLKW : F_OFD_SETLK, &fl) != 0) std::perror("fcntl");
}

// The system calls a shared append needs by the FoxPro protocol, without
// any engine work: header lock, size, record lock, record, header count,
// header unlock, index lock, change counter read and write, one leaf page
// per tag, index unlock, record unlock.
Rate protocolAppends(const std::string& dir, uint32_t recordLength, uint64_t rows, int tags) {
  const int dbf = ::open((dir + "/proto.dbf").c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
  const int cdx = ::open((dir + "/proto.cdx").c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
  std::string rec(recordLength + 1, ' '), page(512, 'p'), head(12, '\0');
  const Timer timer;
  for (uint64_t i = 0; i < rows; ++i) {
    lockByte(dbf, 0x7FFFFFFE, F_WRLCK, true);
    const off_t size = ::lseek(dbf, 0, SEEK_END);
    lockByte(dbf, 0x7FFFFFFE - off_t(i + 1), F_WRLCK, false);
    if (::pwrite(dbf, rec.data(), rec.size(), size > 0 ? size - 1 : 0) < 0) std::perror("pwrite");
    if (::pwrite(dbf, head.data(), 7, 1) < 0) std::perror("pwrite");
    lockByte(dbf, 0x7FFFFFFE, F_UNLCK, false);
    lockByte(cdx, 0x7FFFFFFE, F_WRLCK, true);
    if (::pread(cdx, head.data(), 12, 0) < 0) std::perror("pread");
    if (::pwrite(cdx, head.data(), 8, 4) < 0) std::perror("pwrite");
    for (int t = 0; t < tags; ++t)
      if (::pwrite(cdx, page.data(), 512, off_t(512 * (2 + t * 64 + int(i / 20 % 64)))) < 0) std::perror("pwrite");
    lockByte(cdx, 0x7FFFFFFE, F_UNLCK, false);
    lockByte(dbf, 0x7FFFFFFE - off_t(i + 1), F_UNLCK, false);
  }
  const Rate rate = timer.rate(double(rows));
  ::close(dbf);
  ::close(cdx);
  ::unlink((dir + "/proto.dbf").c_str());
  ::unlink((dir + "/proto.cdx").c_str());
  return rate;
}

// A warm seek's system calls: the change counter (unchanged, so the cached
// pages serve the tree without the index lock), then the record.
Rate protocolSeeks(const std::string& dbfPath, const std::string& cdxPath, uint32_t recordLength, uint64_t rows,
                   uint64_t seeks) {
  const int dbf = ::open(dbfPath.c_str(), O_RDONLY);
  const int cdx = ::open(cdxPath.c_str(), O_RDONLY);
  std::string rec(recordLength, ' '), head(12, '\0');
  uint64_t s = 7;
  const Timer timer;
  for (uint64_t i = 0; i < seeks; ++i) {
    if (::pread(cdx, head.data(), 12, 0) < 0) std::perror("pread");
    if (::pread(dbf, rec.data(), recordLength, off_t(300 + (lcg(s) % rows) * recordLength)) < 0) std::perror("pread");
  }
  const Rate rate = timer.rate(double(seeks));
  ::close(dbf);
  ::close(cdx);
  return rate;
}

void reportRate(const char* what, Rate engine, const char* floorName, Rate floor) {
  std::printf("%-44s %9.0f /s (%9.0f per CPU-s)   %-26s %9.0f /s (%9.0f per CPU-s)   ratio %.2f (CPU %.2f)\n",
              what, engine.wall, engine.cpu, floorName, floor.wall, floor.cpu, floor.wall / engine.wall,
              floor.cpu / engine.cpu);
}

}  // namespace

int main(int argc, char** argv) {
  std::string root;
  if (argc > 1) {
    root = argv[1];
  } else {
    char t[] = "/tmp/kx-bench-xbase-XXXXXX";
    root = ::mkdtemp(t);
  }
  const uint64_t bigRows = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 1000000;
  const std::string small = root + "/small/", big = root + "/big/", seekDir = root + "/seek/", app = root + "/append/";
  for (const std::string& d : {small, big, seekDir, app}) store::createStore(d);
  const uint32_t actionsLength = [&] {
    uint32_t n = 1;
    for (const auto& f : store::tableDef(store::Table::Actions).fields) n += uint32_t(f.length);
    return n;
  }();

  // 1. Appends with all four tags kept, shared mode.
  const uint64_t appends = 100000;
  const Rate engineAppends = appendActions(app, 0, appends, xbase::OpenMode::Shared);
  const Rate floorAppends = plainAppends(root + "/plain.dat", actionsLength, appends);
  reportRate("appends to ACTIONS.DBF (4 tags, shared)", engineAppends, "pwrite of the record", floorAppends);
  reportRate("", engineAppends, "the protocol's syscalls", protocolAppends(root, actionsLength, appends, 4));

  // 2. Seeks through a unique tag of 100,000 keys.
  const uint64_t seekRows = 100000;
  {
    auto r = store::openTable(seekDir, store::Table::Received, xbase::OpenMode::Exclusive);
    for (uint64_t i = 0; i < seekRows; ++i) {
      r->insert();
      r->setString("MESSAGE_ID", messageId(i).substr(1, 39));
      r->setString("LINK_ID", "ACCOUNT" + std::to_string(i % 7));
      r->setString("FROM", "Sender " + std::to_string(i % 1000));
      r->post();
    }
  }
  {
    auto r = store::openTable(seekDir, store::Table::Received);
    r->setOrder("MESSAGE_ID");
    std::vector<std::string> keys;
    uint64_t s = 42;
    for (int i = 0; i < 4096; ++i) keys.push_back(messageId(lcg(s) % seekRows).substr(1, 39));
    const uint64_t seeks = 400000;
    uint64_t found = 0;
    const Timer seekTimer;
    for (uint64_t i = 0; i < seeks; ++i) found += r->seek(keys[i & 4095]) ? 1 : 0;
    const Rate engineSeeks = seekTimer.rate(double(seeks));
    if (found != seeks) std::printf("!! %llu of %llu seeks found\n", (unsigned long long)found, (unsigned long long)seeks);
    const int fd = ::open((seekDir + "RECEIVED.DBF").c_str(), O_RDONLY);
    uint32_t reclen = 1;
    for (const auto& f : store::tableDef(store::Table::Received).fields) reclen += uint32_t(f.length);
    std::string buf(reclen, ' ');
    const Timer readTimer;
    for (uint64_t i = 0; i < seeks; ++i)
      if (::pread(fd, buf.data(), reclen, off_t(300 + (lcg(s) % seekRows) * reclen)) < 0) std::perror("pread");
    const Rate floorSeeks = readTimer.rate(double(seeks));
    ::close(fd);
    reportRate("seeks through RECEIVED MESSAGE_ID (unique)", engineSeeks, "pread of a random record", floorSeeks);
    reportRate("", engineSeeks, "the protocol's syscalls",
               protocolSeeks(seekDir + "RECEIVED.DBF", seekDir + "RECEIVED.CDX", reclen, seekRows, seeks));
  }

  // 3 and 4. Refresh with nothing changed, and resident memory, for a small
  // and a big table.
  const long rssBase = rssKb();
  {
    const auto a = Clock::now();
    appendActions(small, 0, 10000, xbase::OpenMode::Exclusive);
    appendActions(big, 0, bigRows, xbase::OpenMode::Exclusive);
    std::printf("(built the %llu-row table in %.1f s)\n", (unsigned long long)bigRows, seconds(a, Clock::now()));
  }
  for (const auto& [dir, rows] : {std::pair{small, uint64_t(10000)}, std::pair{big, bigRows}}) {
    const long before = rssKb();
    auto t = store::openTable(dir, store::Table::Actions);
    t->setOrder("MESSAGE_ID");
    t->first();
    t->seek(messageId(rows / 2 / 3));
    const long open = rssKb();
    const int refreshes = 1000000;
    const Timer refreshTimer;
    for (int i = 0; i < refreshes; ++i) t->refresh();
    const double refreshUs = 1e6 / refreshTimer.rate(refreshes).cpu;
    const int fd = ::open((dir + "ACTIONS.DBF").c_str(), O_RDONLY);
    struct stat st {};
    const Timer statTimer;
    for (int i = 0; i < refreshes; ++i) ::fstat(fd, &st);
    const double fstatUs = 1e6 / statTimer.rate(refreshes).cpu;
    ::close(fd);
    std::printf("refresh, %8llu rows, nothing changed      %8.2f us CPU   one fstat %8.2f us CPU   ratio %.2f\n",
                (unsigned long long)rows, refreshUs, fstatUs, refreshUs / fstatUs);
    std::printf("resident memory, %8llu rows open            +%ld KB (table file %lld KB)\n",
                (unsigned long long)rows, open - before, (long long)(st.st_size / 1024));
  }
  std::printf("(resident memory before the tables: %ld KB)\n", rssBase);
  if (argc <= 1) std::filesystem::remove_all(root);
  return 0;
}
