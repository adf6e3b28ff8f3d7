// Compound index speed, each figure beside the floor of the same system
// calls measured in the same run on the same file:
// - seeks through a unique tag of 100,000 keys, one shared-mode session per
//   seek, 20- and 100-byte keys: with the cache warm and nothing changed a
//   shared session reads the 12 control bytes and takes no lock, so the
//   floor is that one read;
// - rows indexed into four tags (keys of 100, 20, 20, 20 bytes), one write
//   session per row, against lock + header read + counter write + as many
//   page writes as the rows needed on average + unlock;
// - a rebuild of those four tags against writing the file's bytes with pwrite.
//   bench_xbase_cdx [rows, default 100000] [seek|insert]
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "platform/xbase/cdx_index.h"
#include "platform/xbase/cdx_pager.h"
#include "platform/xbase/key.h"

namespace {

using namespace xbase;
using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

// Runs op(i) for i = 0.. until `budget` seconds have passed; operations per second.
double rate(double budget, const std::function<void(size_t)>& op) {
  for (size_t i = 0; i < 1000; ++i) op(i);
  size_t n = 0;
  const auto start = Clock::now();
  double elapsed = 0;
  do {
    for (int k = 0; k < 256; ++k) op(n++);
    elapsed = seconds(start);
  } while (elapsed < budget);
  return double(n) / elapsed;
}

bool lockByte(int fd, short type) {
  struct flock fl {};
  fl.l_type = type;
  fl.l_whence = SEEK_SET;
  fl.l_start = 0x7FFFFFFE;
  fl.l_len = 1;
  return fcntl(fd, type == F_UNLCK ? F_OFD_SETLK : F_OFD_SETLKW, &fl) == 0;
}

std::string stamp(size_t i) {  // time-stamp key + a few letters, as the tables make them
  char buf[32];
  std::snprintf(buf, sizeof buf, "2024%02zu%02zu%02zu%02zu%02zu", 1 + i / 2592000 % 12, 1 + i / 86400 % 28,
                i / 3600 % 24, i / 60 % 60, i % 60);
  return std::string(buf) + "Mess";
}

std::string messageId(std::mt19937& rng) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "<%08x.%08x.%u@mail.example.com>", unsigned(rng()), unsigned(rng()),
                unsigned(rng() % 1000));
  return buf;
}

TagInfo tag(const char* name, int length, bool unique) {
  TagInfo t;
  t.name = name;
  t.expression = name;
  t.keyLength = length;
  t.unique = unique;
  return t;
}

void seekBench(const std::string& dir, int keyLength, size_t rows) {
  const std::string path = dir + "/seek" + std::to_string(keyLength) + ".cdx";
  std::vector<std::string> keys;
  std::mt19937 rng(7);
  for (size_t i = 0; i < rows; ++i)
    keys.push_back(characterKey(keyLength > 40 ? messageId(rng) : stamp(i), keyLength));
  {
    std::vector<IndexEntry> entries;
    for (size_t i = 0; i < rows; ++i) entries.push_back({keys[i], uint32_t(i + 1)});
    CdxFile::create(path)->addTag(tag("ID", keyLength, true), std::move(entries));
  }
  std::vector<size_t> order(rows);
  for (size_t i = 0; i < rows; ++i) order[i] = rng() % rows;
  auto shared = CdxFile::open(path, false, false);
  size_t misses = 0;
  const double seeks = rate(1.0, [&](size_t i) {
    const std::string& k = keys[order[i % rows]];
    auto e = shared->seek(0, k);
    misses += !e || e->key != k;
  });
  const int fd = ::open(path.c_str(), O_RDONLY);
  char head[12];
  const double floor = rate(1.0, [&](size_t) {
    misses += ::pread(fd, head, sizeof head, 0) != 12;
  });
  ::close(fd);
  shared.reset();
  auto exclusive = CdxFile::open(path, false, true);
  const double cpu = rate(1.0, [&](size_t i) {
    const std::string& k = keys[order[i % rows]];
    misses += !exclusive->seek(0, k);
  });
  std::printf("seek, unique tag of %zu keys of %3d bytes, shared session per seek: %9.0f /s (%.2f us)\n", rows,
              keyLength, seeks, 1e6 / seeks);
  std::printf("  floor: the 12-byte control read:                                 %9.0f /s  -> %.0f%% of floor\n",
              floor, 100 * seeks / floor);
  std::printf("  same seeks, exclusive open (no system call):                      %9.0f /s%s\n", cpu,
              misses ? "  (MISSES!)" : "");
}

void insertBench(const std::string& dir, size_t rows) {
  const std::string path = dir + "/actions.cdx";
  {
    auto cdx = CdxFile::create(path);
    cdx->addTag(tag("MESSAGE_ID", 100, false), {});
    cdx->addTag(tag("UNIQUE_ID", 20, true), {});
    cdx->addTag(tag("AGENT_ID", 20, false), {});
    cdx->addTag(tag("NODE_ID", 20, false), {});
  }
  std::mt19937 rng(11);
  std::vector<std::string> agents, nodes;
  for (int i = 0; i < 40; ++i) agents.push_back(characterKey(stamp(size_t(i) * 977) + "Agent", 20));
  for (int i = 0; i < 10; ++i) nodes.push_back(characterKey("account" + std::to_string(i), 20));
  std::vector<std::string> messageIds;
  for (size_t i = 0; i < rows; ++i) messageIds.push_back(characterKey(messageId(rng), 100));
  auto cdx = CdxFile::open(path, true, false);
  const uint64_t writesBefore = cdx::Pager::writesSoFar();
  const auto start = Clock::now();
  for (size_t i = 0; i < rows; ++i) {
    CdxFile::Session s(*cdx, true);
    const uint32_t recno = uint32_t(i + 1);
    cdx->insert(0, messageIds[i / 3], recno);  // a message gets several action rows
    cdx->insert(1, characterKey(stamp(i) + "Mess", 20), recno);
    cdx->insert(2, agents[rng() % agents.size()], recno);
    cdx->insert(3, nodes[rng() % nodes.size()], recno);
  }
  const double inserts = double(rows) / seconds(start);
  // Page writes per row: the leaf of each tag, the parents whose last key
  // changed (an ascending key changes the whole rightmost path), splits; the
  // counter write is counted separately.
  const double writesPerRow = double(cdx::Pager::writesSoFar() - writesBefore) / double(rows) - 1.0;
  const int pagesPerRow = int(writesPerRow + 0.5);
  if (std::getenv("BENCH_CDX_ROWS_ONLY")) {  // for profiling the row loop alone
    std::printf("%.0f rows/s\n", inserts);
    return;
  }
  const auto faults = cdx->check();

  // The floor writes into a scratch file of the same size.
  const off_t size = off_t(std::filesystem::file_size(path));
  const std::string scratch = dir + "/scratch.bin";
  const int fd = ::open(scratch.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
  (void)!::ftruncate(fd, size);
  char page[512] = {};
  char head[12];
  const double floor = rate(1.0, [&](size_t i) {
    lockByte(fd, F_WRLCK);
    (void)!::pread(fd, head, sizeof head, 0);
    (void)!::pwrite(fd, head + 4, 8, 4);
    for (int t = 0; t < pagesPerRow; ++t)
      (void)!::pwrite(fd, page, sizeof page, off_t((i * 8 + size_t(t)) * 512 % size_t(size)) / 512 * 512);
    lockByte(fd, F_UNLCK);
  });
  ::close(fd);
  std::printf("rows indexed into 4 tags (100/20/20/20-byte keys), write session per row: %8.0f /s (%.2f us)\n",
              inserts, 1e6 / inserts);
  std::printf("  page writes per row: %.2f (+1 counter write)\n", writesPerRow);
  std::printf("  floor: lock + header read + counter write + %d page writes + unlock: %8.0f /s  -> %.0f%% of floor\n",
              pagesPerRow, floor, 100 * inserts / floor);
  std::printf("  check after %zu rows: %s\n", rows, faults.empty() ? "sound" : faults[0].c_str());

  // Rebuild of the same four tags from the rows, against writing as many bytes.
  std::vector<std::vector<IndexEntry>> tags(4);
  cdx->forEach(0, [&](const IndexEntry& e) { tags[0].push_back(e); return true; });
  cdx->forEach(1, [&](const IndexEntry& e) { tags[1].push_back(e); return true; });
  cdx->forEach(2, [&](const IndexEntry& e) { tags[2].push_back(e); return true; });
  cdx->forEach(3, [&](const IndexEntry& e) { tags[3].push_back(e); return true; });
  const std::vector<TagInfo> layouts{tag("MESSAGE_ID", 100, false), tag("UNIQUE_ID", 20, true),
                                   tag("AGENT_ID", 20, false), tag("NODE_ID", 20, false)};
  const auto rebuildStart = Clock::now();
  cdx->rebuild(layouts, [&](size_t t) { return tags[t]; });
  const double rebuildTime = seconds(rebuildStart);
  cdx.reset();
  const size_t bytes = size_t(std::filesystem::file_size(path));
  std::vector<char> buf(bytes, 'x');
  const std::string plain = dir + "/plain.bin";
  const auto plainStart = Clock::now();
  const int pfd = ::open(plain.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
  for (size_t off = 0; off < bytes; off += 1 << 20)
    (void)!::pwrite(pfd, buf.data() + off, std::min<size_t>(1 << 20, bytes - off), off_t(off));
  ::close(pfd);
  const double plainTime = seconds(plainStart);
  std::printf("rebuild of the 4 tags (%zu rows, %zu KB file): %.3f s; pwrite of the same bytes: %.3f s (x%.1f)\n",
              rows, bytes / 1024, rebuildTime, plainTime, rebuildTime / plainTime);
}

}  // namespace

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  const size_t rows = argc > 1 ? size_t(std::atol(argv[1])) : 100000;
  char templ[] = "/tmp/bench_cdx_XXXXXX";
  if (!mkdtemp(templ)) return 1;
  const std::string dir = templ;
  const std::string only = argc > 2 ? argv[2] : "";
  if (only.empty() || only == "seek") {
    seekBench(dir, 20, rows);
    seekBench(dir, 100, rows);
  }
  if (only.empty() || only == "insert") insertBench(dir, rows);
  std::filesystem::remove_all(dir);
  return 0;
}
