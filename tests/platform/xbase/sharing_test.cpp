// Several programs on one table: share modes (an exclusive open fails while
// anyone else has the table open), record locks at the FoxPro offsets, and
// concurrent appends from several processes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <set>

#include "platform/system/error.h"
#include "platform/xbase/cursor.h"
#include "platform/xbase/lock.h"
#include "platform/xbase/table_check.h"
#include "tests/platform/xbase/test_support.h"

namespace xbase::test {
namespace {

// A child process; `body` returns its exit code. Never returns in the child.
pid_t spawn(const std::function<int()>& body) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    int code = 99;
    try {
      code = body();
    } catch (...) {
      code = 98;
    }
    ::_exit(code);
  }
  return pid;
}

int waitFor(pid_t pid) {
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(ShareModes, ExclusiveOpenFailsWhileAnotherCursorOfThisProcessHasTheTable) {
  TempDir dir;
  Cursor::create(dir.path(), sampleDef());
  auto shared = Cursor::open(dir.path(), "ITEMS.DBF");
  try {
    Cursor::open(dir.path(), "ITEMS.DBF", OpenMode::Exclusive);
    FAIL() << "exclusive open succeeded";
  } catch (const sys::Error& e) {
    EXPECT_NE(std::string(e.what()).find("ITEMS.DBF"), std::string::npos) << e.what();
  }
  shared.reset();
  auto x = Cursor::open(dir.path(), "ITEMS.DBF", OpenMode::Exclusive);
  EXPECT_TRUE(x->exclusive());
  EXPECT_THROW(Cursor::open(dir.path(), "ITEMS.DBF"), sys::Error) << "and it keeps others out";
}

TEST(ShareModes, ExclusiveOpenFailsWhileAnotherProcessHoldsTheTableShared) {
  TempDir dir;
  Cursor::create(dir.path(), sampleDef());
  int opened[2], release[2];
  ASSERT_EQ(::pipe(opened), 0);
  ASSERT_EQ(::pipe(release), 0);
  const pid_t child = spawn([&] {
    auto t = Cursor::open(dir.path(), "ITEMS.DBF");
    char c = 'o';
    if (::write(opened[1], &c, 1) != 1) return 2;
    if (::read(release[0], &c, 1) != 1) return 3;
    t.reset();
    return 0;
  });
  char c;
  ASSERT_EQ(::read(opened[0], &c, 1), 1);
  EXPECT_THROW(Cursor::open(dir.path(), "ITEMS.DBF", OpenMode::Exclusive), sys::Error);
  ASSERT_EQ(::write(release[1], "r", 1), 1);
  EXPECT_EQ(waitFor(child), 0);
  EXPECT_NO_THROW(Cursor::open(dir.path(), "ITEMS.DBF", OpenMode::Exclusive));
  for (int fd : {opened[0], opened[1], release[0], release[1]}) ::close(fd);
}

TEST(ShareModes, EveryFileOfTheTableCarriesTheShareMode) {
  // Another program holding only the memo or the index exclusively keeps us out.
  for (const char* file : {"ITEMS.FPT", "ITEMS.CDX"}) {
    TempDir dir;
    Cursor::create(dir.path(), sampleDef());
    const int fd = ::open(dir.file(file).c_str(), O_RDONLY);
    ASSERT_TRUE(shareLock(fd, true));
    EXPECT_THROW(Cursor::open(dir.path(), "ITEMS.DBF"), sys::Error) << file;
    ::close(fd);
    EXPECT_NO_THROW(Cursor::open(dir.path(), "ITEMS.DBF")) << file;
  }
}

struct LockCase {
  const char* name;
  bool withIndex;
  uint32_t lockedRecord;  // another program holds this record's lock byte
  uint32_t editedRecord;
  bool refused;
};

class RecordLocks : public ::testing::TestWithParam<LockCase> {};

TEST_P(RecordLocks, AreTheFoxProBytesOfTheRecord) {
  const LockCase& c = GetParam();
  TempDir dir;
  TableDef d = sampleDef();
  if (!c.withIndex) {
    d.indexBaseName.clear();
    d.tags.clear();
  }
  {
    auto t = Cursor::create(dir.path(), d);
    for (int i = 0; i < 3; ++i) {
      t->insert();
      t->post();
    }
  }
  // The offsets other FoxPro-compatible programs lock: with the structural
  // index open 0x7FFFFFFE - n, without it 0x40000000 + the record's position.
  const off_t at = c.withIndex ? 0x7FFFFFFE - off_t(c.lockedRecord)
                               : 0x40000000 + 289 + off_t(c.lockedRecord - 1) * 84;
  const int other = ::open(dir.file("ITEMS.DBF").c_str(), O_RDWR);
  ASSERT_TRUE(lockBytes(other, at, 1, true, false));
  setRecordLockTimeout(0);
  auto t = Cursor::open(dir.path(), "ITEMS.DBF");
  t->go(c.editedRecord);
  t->edit();
  t->setString("NAME", "mine");
  if (c.refused) {
    try {
      t->post();
      ADD_FAILURE() << "post went through a locked record";
    } catch (const sys::Error& e) {
      EXPECT_NE(std::string(e.what()).find("is locked"), std::string::npos) << e.what();
    }
    t->cancel();
    EXPECT_THROW(t->remove(), sys::Error);
  } else {
    EXPECT_NO_THROW(t->post());
  }
  setRecordLockTimeout(2000);
  ::close(other);
}

INSTANTIATE_TEST_SUITE_P(Cases, RecordLocks,
                         ::testing::Values(LockCase{"same_record", true, 2, 2, true},
                                           LockCase{"other_record", true, 1, 2, false},
                                           LockCase{"same_record_without_index", false, 3, 3, true},
                                           LockCase{"other_record_without_index", false, 2, 3, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ConcurrentAppends, FourProcessesAppendTenThousandRowsAndEveryTagHoldsThemAll) {
  constexpr int kProcesses = 4;
  constexpr int kRows = 2500;
  TempDir dir;
  Cursor::create(dir.path(), sampleDef());
  int go[2];
  ASSERT_EQ(::pipe(go), 0);
  std::vector<pid_t> children;
  for (int p = 0; p < kProcesses; ++p) {
    children.push_back(spawn([&, p] {
      auto t = Cursor::open(dir.path(), "ITEMS.DBF");
      char c;
      if (::read(go[0], &c, 1) != 1) return 2;  // start together
      for (int i = 0; i < kRows; ++i) {
        t->insert();
        const std::string id = "P" + std::to_string(p) + "-" + std::to_string(i);
        t->setString("UNIQUE_ID", id);
        t->setString("LINK_ID", "P" + std::to_string(p));
        if (i % 10 == 0) t->setString("NOTES", "memo of " + id);
        t->post();
      }
      return 0;
    }));
  }
  ASSERT_EQ(::write(go[1], "gggg", kProcesses), kProcesses);
  for (pid_t c : children) EXPECT_EQ(waitFor(c), 0);
  ::close(go[0]);
  ::close(go[1]);

  auto t = Cursor::open(dir.path(), "ITEMS.DBF");
  EXPECT_EQ(t->count(), uint32_t(kProcesses * kRows));
  std::set<std::string> ids;
  for (t->first(); !t->eof(); t->next()) {
    const std::string id = t->getString("UNIQUE_ID");
    ids.insert(id);
    const bool hasMemo = std::stoi(id.substr(id.find('-') + 1)) % 10 == 0;
    ASSERT_EQ(t->getString("NOTES"), hasMemo ? "memo of " + id : "") << "row " << t->recno();
  }
  EXPECT_EQ(ids.size(), size_t(kProcesses * kRows)) << "no row overwritten by another";
  t->setOrder("LINK_ID");
  for (int p = 0; p < kProcesses; ++p) {
    t->setOrder("LINK_ID");
    uint32_t n = 0;
    for (t->seek("P" + std::to_string(p)); !t->eof() && t->getString("LINK_ID") == "P" + std::to_string(p); t->next())
      ++n;
    EXPECT_EQ(n, uint32_t(kRows));
  }
  EXPECT_EQ(checkTable(dir.path(), "ITEMS.DBF"), std::vector<std::string>{});
}

}  // namespace
}  // namespace xbase::test
