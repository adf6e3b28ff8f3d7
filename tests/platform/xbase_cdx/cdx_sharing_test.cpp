// Sharing one compound index: the FoxPro lock byte taken shared for reading
// and exclusive for writing, the change counter bumped once per write
// session, another opener's changes seen at once despite cached pages, and
// two processes inserting into one tag at the same time, and readers that
// go without the lock while their cache is current.
#include <fcntl.h>
#include <sys/select.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <csignal>
#include <random>
#include <set>

#include "platform/system/error.h"
#include "platform/xbase/cdx_index.h"
#include "platform/xbase/key.h"
#include "tests/platform/xbase_cdx/cdx_test_files.h"

namespace {

using namespace xbase;

TagInfo charTag(const std::string& name, int length, bool unique = false) {
  TagInfo t;
  t.name = name;
  t.expression = name;
  t.keyLength = length;
  t.unique = unique;
  return t;
}

// Whether another process could take the lock byte now (without waiting).
bool childCanLock(const std::string& path, bool exclusive) {
  const pid_t pid = fork();
  if (pid == 0) {
    const int fd = ::open(path.c_str(), O_RDWR);
    struct flock fl {};
    fl.l_type = exclusive ? F_WRLCK : F_RDLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = 0x7FFFFFFE;
    fl.l_len = 1;
    _exit(fd >= 0 && fcntl(fd, F_SETLK, &fl) == 0 ? 0 : 1);  // a classic lock, as other programs take it
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

uint32_t counterOf(const std::string& path) {
  const auto b = cdxtest::readBytes(path, 8, 4);
  return uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | b[3];
}

TEST(CdxSharing, SessionsHoldTheLockByteSharedOrExclusive) {
  cdxtest::TempDir dir;
  const std::string path = dir.file("nodes.cdx");
  CdxFile::create(path)->addTag(charTag("NODE", 10), {});
  struct {
    const char* name;
    bool exclusiveOpen;
    int session;  // 0 none, 1 read, 2 write
    bool othersMayRead, othersMayWrite;
  } cases[] = {
      {"no session", false, 0, true, true},
      {"read session", false, 1, true, false},
      {"write session", false, 2, false, false},
      {"exclusive open takes no lock", true, 2, true, true},
  };
  for (const auto& c : cases) {
    auto cdx = CdxFile::open(path, true, c.exclusiveOpen);
    std::optional<CdxFile::Session> s;
    if (c.session) s.emplace(*cdx, c.session == 2);
    EXPECT_EQ(childCanLock(path, false), c.othersMayRead) << c.name;
    EXPECT_EQ(childCanLock(path, true), c.othersMayWrite) << c.name;
  }
}

TEST(CdxSharing, NestedWriteSessionUpgradesAndGoesBackToShared) {
  cdxtest::TempDir dir;
  const std::string path = dir.file("nodes.cdx");
  CdxFile::create(path)->addTag(charTag("NODE", 10), {});
  auto cdx = CdxFile::open(path, true, false);
  CdxFile::Session read(*cdx, false);
  {
    CdxFile::Session write(*cdx, true);
    cdx->insert(0, "A", 1);
    EXPECT_FALSE(childCanLock(path, false));
  }
  EXPECT_TRUE(childCanLock(path, false));
  EXPECT_FALSE(childCanLock(path, true));
  EXPECT_EQ(cdx->seek(0, "A")->recno, 1u);
}

TEST(CdxSharing, CounterIsBumpedOncePerWriteSession) {
  cdxtest::TempDir dir;
  const std::string path = dir.file("nodes.cdx");
  CdxFile::create(path)->addTag(charTag("NODE", 10), {});
  auto cdx = CdxFile::open(path, true, false);
  const uint32_t start = counterOf(path);
  {
    CdxFile::Session s(*cdx, true);
    for (uint32_t i = 1; i <= 50; ++i) cdx->insert(0, characterKey("N" + std::to_string(i), 10), i);
  }
  EXPECT_EQ(counterOf(path), start + 1);
  cdx->insert(0, "X", 99);
  EXPECT_EQ(counterOf(path), start + 2);
  cdx->seek(0, "X");
  cdx->insert(0, "X", 99);  // already there: nothing written
  EXPECT_EQ(counterOf(path), start + 2);
}

TEST(CdxSharing, ReadOnlyOpenRefusesChanges) {
  cdxtest::TempDir dir;
  const std::string path = dir.file("nodes.cdx");
  CdxFile::create(path)->addTag(charTag("NODE", 10), {{"A", 1}});
  auto cdx = CdxFile::open(path, false, false);
  EXPECT_THROW(cdx->insert(0, "B", 2), sys::Error);
  EXPECT_THROW(cdx->addTag(charTag("LINK_ID", 20), {}), sys::Error);
  EXPECT_EQ(cdx->first(0)->recno, 1u);
}

TEST(CdxSharing, ChangesOfAnotherOpenerAreSeenDespiteCachedPages) {
  cdxtest::TempDir dir;
  const std::string path = dir.file("received.cdx");
  CdxFile::create(path)->addTag(charTag("MESSAGE_ID", 20, true), {});
  auto a = CdxFile::open(path, true, false);
  auto b = CdxFile::open(path, true, false);
  for (uint32_t i = 1; i <= 2000; ++i) a->insert(0, characterKey("M" + std::to_string(100000 + i), 20), i);
  EXPECT_EQ(b->seek(0, characterKey("M101000", 20))->recno, 1000u);  // b caches pages now
  a->remove(0, characterKey("M101000", 20), 1000);
  a->insert(0, characterKey("M101000", 20), 5000);
  for (uint32_t i = 2001; i <= 3000; ++i) a->insert(0, characterKey("M" + std::to_string(100000 + i), 20), i);
  EXPECT_EQ(b->seek(0, characterKey("M101000", 20))->recno, 5000u);
  EXPECT_EQ(b->seek(0, characterKey("M103000", 20))->recno, 3000u);
  // A tag added by one opener appears in the other's list.
  a->addTag(charTag("LINK_ID", 20), {{characterKey("L", 20), 1}});
  ASSERT_EQ(b->tags().size(), 2u);
  EXPECT_EQ(b->tags()[1].name, "LINK_ID");
  EXPECT_EQ(b->first(b->findTag("link_id"))->recno, 1u);
}

TEST(CdxSharing, TwoProcessesInsertingAtOnceLoseNothing) {
  cdxtest::TempDir dir;
  const std::string path = dir.file("actions.cdx");
  {
    auto cdx = CdxFile::create(path);
    cdx->addTag(charTag("MESSAGE_ID", 30), {});
    cdx->addTag(charTag("UNIQUE_ID", 20, true), {});
  }
  constexpr int kPerProcess = 1500;
  int gate[2];
  ASSERT_EQ(pipe(gate), 0);
  pid_t children[2];
  for (int p = 0; p < 2; ++p) {
    children[p] = fork();
    if (children[p] == 0) {
      close(gate[1]);
      char c;
      (void)!read(gate[0], &c, 1);  // both start when the parent closes the pipe
      try {
        auto cdx = CdxFile::open(path, true, false);
        for (int i = 0; i < kPerProcess; ++i) {
          const uint32_t recno = uint32_t(p * kPerProcess + i + 1);
          CdxFile::Session s(*cdx, true);
          // Interleaved keys: both processes write into the same leaves.
          cdx->insert(0, characterKey("MSG" + std::to_string(i * 2 + p), 30), recno);
          cdx->insert(1, characterKey("ID" + std::to_string(100000 + i * 2 + p), 20), recno);
        }
      } catch (...) {
        _exit(1);
      }
      _exit(0);
    }
  }
  close(gate[0]);
  close(gate[1]);
  for (pid_t pid : children) {
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  auto cdx = CdxFile::open(path, false, false);
  for (int tag = 0; tag < 2; ++tag) {
    std::set<uint32_t> recnos;
    cdx->forEach(tag, [&](const IndexEntry& e) {
      recnos.insert(e.recno);
      return true;
    });
    EXPECT_EQ(recnos.size(), size_t(2 * kPerProcess)) << "tag " << tag;
  }
  std::string faults;
  for (const auto& f : cdx->check()) faults += f + "\n";
  EXPECT_EQ(faults, "");
}

TEST(CdxSharing, WarmReadsAreNotHeldUpByAWriterThatChangedNothingYet) {
  cdxtest::TempDir dir;
  const std::string path = dir.file("received.cdx");
  CdxFile::create(path)->addTag(charTag("MESSAGE_ID", 20, true), {{characterKey("M1", 20), 7}});
  auto cdx = CdxFile::open(path, false, false);
  ASSERT_EQ(cdx->seek(0, characterKey("M1", 20))->recno, 7u);  // the cache is warm now
  int held[2], done[2];
  ASSERT_EQ(pipe(held), 0);
  ASSERT_EQ(pipe(done), 0);
  const pid_t pid = fork();
  if (pid == 0) {
    const int fd = ::open(path.c_str(), O_RDWR);
    struct flock fl {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = 0x7FFFFFFE;
    fl.l_len = 1;
    const bool ok = fd >= 0 && fcntl(fd, F_SETLK, &fl) == 0;
    (void)!write(held[1], ok ? "1" : "0", 1);
    char c;
    (void)!read(done[0], &c, 1);
    _exit(0);
  }
  char c = 0;
  ASSERT_EQ(read(held[0], &c, 1), 1);
  ASSERT_EQ(c, '1');
  // A seek that waited for the lock would never return: the alarm ends the test.
  alarm(20);
  EXPECT_EQ(cdx->seek(0, characterKey("M1", 20))->recno, 7u);
  EXPECT_EQ(cdx->first(0)->recno, 7u);
  alarm(0);
  (void)!write(done[1], "x", 1);
  int status = 0;
  waitpid(pid, &status, 0);
}

TEST(CdxSharing, ReadersSeeWholeStatesWhileAnotherProcessWrites) {
  cdxtest::TempDir dir;
  const std::string path = dir.file("received.cdx");
  // Keys the writer never touches, spread over the whole tag.
  std::vector<IndexEntry> stable;
  for (uint32_t i = 0; i < 3000; ++i) stable.push_back({characterKey("K" + std::to_string(100000 + i * 10), 20), i + 1});
  CdxFile::create(path)->addTag(charTag("MESSAGE_ID", 20, true), stable);
  int gate[2];
  ASSERT_EQ(pipe(gate), 0);
  const pid_t pid = fork();
  if (pid == 0) {
    close(gate[1]);
    try {
      auto cdx = CdxFile::open(path, true, false);
      std::mt19937 rng(7);
      // Inserts between the stable keys and takes some out again, splitting
      // and merging leaves all over the tree, until the parent has finished.
      for (uint32_t n = 0;; ++n) {
        const uint32_t at = rng() % 30000;
        const std::string key = characterKey("K" + std::to_string(100000 + at - at % 10 + 1 + rng() % 9), 20);
        if (n % 3 == 2) {
          cdx->remove(0, key, 100000 + at);
        } else {
          cdx->insert(0, key, 100000 + at);
        }
        if (n % 64 == 0) {
          fd_set fds;
          FD_ZERO(&fds);
          FD_SET(gate[0], &fds);
          timeval tv{0, 0};
          if (select(gate[0] + 1, &fds, nullptr, nullptr, &tv) > 0) break;
        }
      }
    } catch (...) {
      _exit(1);
    }
    _exit(0);
  }
  close(gate[0]);
  auto cdx = CdxFile::open(path, false, false);
  std::mt19937 rng(11);
  int wrong = 0;
  for (int i = 0; i < 20000 && wrong == 0; ++i) {
    const uint32_t k = rng() % 3000;
    const auto e = cdx->seek(0, stable[k].key);
    if (!e || e->recno != stable[k].recno) ++wrong;
    // The entry after a stable key is a writer's key or the next stable key.
    const auto next = cdx->after(0, stable[k].key, stable[k].recno);
    if (k + 1 < 3000 && (!next || next->key > stable[k + 1].key)) ++wrong;
  }
  close(gate[1]);
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(wrong, 0);
  std::string faults;
  for (const auto& f : cdx->check()) faults += f + "\n";
  EXPECT_EQ(faults, "");
}

}  // namespace
