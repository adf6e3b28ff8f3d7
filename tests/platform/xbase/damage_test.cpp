// Damaged tables, memos and indexes: an error naming the file and the fault,
// never a crash or a hang; check() lists the fault; re-indexing repairs an
// index. Also the states a writer killed half-way leaves behind.
#include <gtest/gtest.h>
#include <unistd.h>

#include <functional>

#include "platform/system/error.h"
#include "platform/xbase/cursor.h"
#include "platform/xbase/table_check.h"
#include "tests/platform/xbase/test_support.h"

namespace xbase::test {
namespace {

constexpr long kHeader = 289;  // sampleDef: 32 + 8 * 32 + 1
constexpr long kRecord = 84;
constexpr long kNotes = 74;    // offset of NOTES in the record

std::string le32(uint32_t v) {
  std::string s(4, '\0');
  for (int i = 0; i < 4; ++i) s[size_t(i)] = char(v >> (8 * i));
  return s;
}

uint32_t readLe(const std::string& s, size_t at, int n) {
  uint32_t v = 0;
  for (int i = n - 1; i >= 0; --i) v = v << 8 | uint8_t(s[at + size_t(i)]);
  return v;
}

// File offsets of the tag headers, from the index's tag directory (a leaf
// whose record numbers are header offsets).
std::vector<uint32_t> tagHeaders(const std::string& cdx) {
  const uint32_t root = readLe(cdx, 0, 4);
  const size_t n = readLe(cdx, root + 2, 2);
  const uint32_t mask = readLe(cdx, root + 14, 4);
  const int bytes = uint8_t(cdx[root + 23]);
  std::vector<uint32_t> out;
  for (size_t i = 0; i < n; ++i) out.push_back(readLe(cdx, root + 24 + i * size_t(bytes), bytes) & mask);
  return out;
}

void makeTable(const TempDir& dir, int rows = 3) {
  auto t = Cursor::create(dir.path(), sampleDef());
  for (int i = 1; i <= rows; ++i) {
    t->insert();
    t->setString("UNIQUE_ID", "ID" + std::to_string(i));
    t->setString("LINK_ID", "L");
    t->setString("NOTES", "note " + std::to_string(i));
    t->post();
  }
}

std::string errorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const sys::Error& e) {
    return e.what();
  }
  return "";
}

bool mentions(const std::vector<std::string>& faults, const std::string& text) {
  for (const std::string& f : faults)
    if (f.find(text) != std::string::npos) return true;
  return false;
}

struct TableDamage {
  const char* name;
  long offset;
  std::string bytes;
  std::string message;  // part of the error on open
};

class DamagedTable : public ::testing::TestWithParam<TableDamage> {};

TEST_P(DamagedTable, FailsToOpenNamingTheFileAndTheFault) {
  const TableDamage& c = GetParam();
  TempDir dir;
  makeTable(dir);
  patchBytes(dir.file("ITEMS.DBF"), c.offset, c.bytes);
  const std::string before = readBytes(dir.file("ITEMS.DBF"));
  for (OpenMode mode : {OpenMode::Shared, OpenMode::Exclusive}) {
    const std::string e = errorOf([&] { Cursor::open(dir.path(), "ITEMS.DBF", mode); });
    EXPECT_NE(e.find("Table 'ITEMS.DBF' is damaged"), std::string::npos) << e;
    EXPECT_NE(e.find(c.message), std::string::npos) << e;
  }
  const auto faults = checkTable(dir.path(), "ITEMS.DBF");
  EXPECT_TRUE(mentions(faults, c.message));
  EXPECT_EQ(readBytes(dir.file("ITEMS.DBF")), before) << "nothing written into the damage";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DamagedTable,
    ::testing::Values(TableDamage{"header_claims_more_rows", 4, le32(99), "the header claims 99 rows, the file holds 3"},
                      TableDamage{"header_length_past_the_end", 8, std::string("\xFF\x7F", 2), "header length"},
                      TableDamage{"record_length_wrong", 10, std::string("\x50\x00", 2), "record length 80"},
                      TableDamage{"column_list_unterminated", 288, "X", "no end marker"}),
    [](const auto& info) { return std::string(info.param.name); });

struct MemoDamage {
  const char* name;
  std::string pointer;  // the NOTES pointer of row 2
  std::string message;
  std::string file;     // the file named in the error
};

class DamagedMemo : public ::testing::TestWithParam<MemoDamage> {};

TEST_P(DamagedMemo, ReadingTheMemoFailsNamingTheMemoFile) {
  const MemoDamage& c = GetParam();
  TempDir dir;
  makeTable(dir);
  patchBytes(dir.file("ITEMS.DBF"), kHeader + kRecord + kNotes, c.pointer);
  auto t = Cursor::open(dir.path(), "ITEMS.DBF");
  t->go(2);
  EXPECT_EQ(t->getString("UNIQUE_ID"), "ID2") << "the rest of the row reads";
  const std::string e = errorOf([&] { t->getString("NOTES"); });
  EXPECT_NE(e.find(c.file), std::string::npos) << e;
  EXPECT_NE(e.find(c.message), std::string::npos) << e;
  t->go(1);
  EXPECT_EQ(t->getString("NOTES"), "note 1");
  EXPECT_TRUE(mentions(checkTable(dir.path(), "ITEMS.DBF"), c.message));
}

INSTANTIATE_TEST_SUITE_P(Cases, DamagedMemo,
                         ::testing::Values(MemoDamage{"past_the_end", "     99999", "past the end", "ITEMS.FPT"},
                                           MemoDamage{"inside_the_header", "         3", "inside the header", "ITEMS.FPT"},
                                           MemoDamage{"pointer_garbled_in_the_table", "   12x4   ", "damaged memo pointer", "ITEMS.DBF"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DamagedMemo, LengthRunningPastTheEndIsAnError) {
  TempDir dir;
  makeTable(dir);
  patchBytes(dir.file("ITEMS.FPT"), 512 + 4, std::string("\x7F\xFF\xFF\xFF", 4));  // first memo's length
  auto t = Cursor::open(dir.path(), "ITEMS.DBF");
  t->first();
  const std::string e = errorOf([&] { t->getString("NOTES"); });
  EXPECT_NE(e.find("Memo file 'ITEMS.FPT' is damaged"), std::string::npos) << e;
}

struct IndexDamage {
  const char* name;
  std::function<void(const std::string& path)> damage;
  bool tagsKnown;  // the tag list can still be read: reindex() alone repairs
};

class DamagedIndex : public ::testing::TestWithParam<IndexDamage> {};

TEST_P(DamagedIndex, ErrorsNameTheIndexAndReindexingRepairs) {
  const IndexDamage& c = GetParam();
  TempDir dir;
  makeTable(dir, 50);
  c.damage(dir.file("ITEMS.CDX"));
  {
    auto t = Cursor::open(dir.path(), "ITEMS.DBF");
    EXPECT_EQ(t->count(), 50u) << "record order still reads";
    const std::string e = errorOf([&] {
      t->setOrder("UNIQUE_ID");
      t->seek("ID7");
      t->first();
      for (int i = 0; i < 100 && !t->eof(); ++i) t->next();
    });
    EXPECT_NE(e.find("ITEMS.CDX"), std::string::npos) << "error: " << e;
    const std::string w = errorOf([&] {
      auto u = Cursor::open(dir.path(), "ITEMS.DBF");
      u->insert();
      u->setString("UNIQUE_ID", "NEW");
      u->post();
    });
    EXPECT_NE(w.find("ITEMS.CDX"), std::string::npos) << "a change is refused: " << w;
  }
  EXPECT_TRUE(mentions(checkTable(dir.path(), "ITEMS.DBF"), "ITEMS.CDX"));
  {
    auto x = Cursor::open(dir.path(), "ITEMS.DBF", OpenMode::Exclusive);
    if (c.tagsKnown)
      x->reindex();
    else
      x->reindex(sampleDef().tags);
  }
  EXPECT_EQ(checkTable(dir.path(), "ITEMS.DBF"), std::vector<std::string>{});
  auto t = Cursor::open(dir.path(), "ITEMS.DBF");
  t->setOrder("UNIQUE_ID");
  EXPECT_TRUE(t->seek("ID42"));
  EXPECT_EQ(t->recno(), 42u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DamagedIndex,
    ::testing::Values(
        IndexDamage{"tag_root_out_of_range",
                    [](const std::string& p) {
                      for (uint32_t h : tagHeaders(readBytes(p))) patchBytes(p, long(h), le32(0x7FFFF000));
                    },
                    true},
        IndexDamage{"tag_root_not_on_a_page",
                    [](const std::string& p) {
                      for (uint32_t h : tagHeaders(readBytes(p))) patchBytes(p, long(h), le32(h + 3));
                    },
                    true},
        IndexDamage{"tag_nodes_overwritten",
                    [](const std::string& p) {
                      const std::string cdx = readBytes(p);
                      for (uint32_t h : tagHeaders(cdx)) {
                        const uint32_t root = readLe(cdx, h, 4);
                        patchBytes(p, long(root), std::string(512, '\xEE'));
                      }
                    },
                    true},
        IndexDamage{"directory_overwritten",
                    [](const std::string& p) { patchBytes(p, 0, std::string(1024, '\xEE')); }, false},
        IndexDamage{"file_cut_short", [](const std::string& p) { ::truncate(p.c_str(), 700); }, false},
        IndexDamage{"file_missing", [](const std::string& p) { ::unlink(p.c_str()); }, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(InterruptedWriter, ATornRowAtTheEndIsNotARowAndTheNextAppendReplacesIt) {
  TempDir dir;
  makeTable(dir);
  const std::string path = dir.file("ITEMS.DBF");
  patchBytes(path, kHeader + 3 * kRecord, " ID-TORN" + std::string(30, 'x'));  // 38 of 84 bytes
  {
    auto t = Cursor::open(dir.path(), "ITEMS.DBF");
    EXPECT_EQ(t->count(), 3u);
    t->go(3);
    t->next();
    EXPECT_TRUE(t->eof());
  }
  EXPECT_TRUE(checkTable(dir.path(), "ITEMS.DBF").empty());
  auto t = Cursor::open(dir.path(), "ITEMS.DBF");
  t->insert();
  t->setString("UNIQUE_ID", "ID4");
  t->post();
  EXPECT_EQ(t->recno(), 4u);
  EXPECT_EQ(fileLength(path), kHeader + 4 * kRecord + 1);
  EXPECT_TRUE(checkTable(dir.path(), "ITEMS.DBF").empty());
}

TEST(InterruptedWriter, ARowWrittenBeforeItsTagsIsFoundByCheckAndReindexRepairs) {
  TempDir dir;
  makeTable(dir);
  const std::string path = dir.file("ITEMS.DBF");
  std::string row = readBytes(path).substr(kHeader, kRecord);
  row.replace(1, 3, "ID9");
  row.replace(size_t(kNotes), 10, std::string(10, ' '));
  patchBytes(path, kHeader + 3 * kRecord, row + "\x1A");  // header count and tags not updated
  const auto faults = checkTable(dir.path(), "ITEMS.DBF");
  EXPECT_TRUE(mentions(faults, "row 4")) << (faults.empty() ? "" : faults[0]);
  {
    auto x = Cursor::open(dir.path(), "ITEMS.DBF", OpenMode::Exclusive);
    x->reindex();
  }
  EXPECT_TRUE(checkTable(dir.path(), "ITEMS.DBF").empty());
  auto t = Cursor::open(dir.path(), "ITEMS.DBF");
  t->setOrder("UNIQUE_ID");
  EXPECT_TRUE(t->seek("ID9"));
}

TEST(InterruptedWriter, AStaleTagEntryIsSkippedAndReported) {
  // The row changed in the table but its tag was not yet updated.
  TempDir dir;
  makeTable(dir);
  patchBytes(dir.file("ITEMS.DBF"), kHeader + kRecord + 1, "XX");  // row 2: ID2 -> XX2
  auto t = Cursor::open(dir.path(), "ITEMS.DBF");
  t->setOrder("UNIQUE_ID");
  EXPECT_FALSE(t->seek("ID2")) << "the row no longer holds that key";
  std::vector<uint32_t> recs;
  for (t->first(); !t->eof(); t->next()) recs.push_back(t->recno());
  EXPECT_EQ(recs, (std::vector<uint32_t>{1, 3}));
  EXPECT_TRUE(mentions(checkTable(dir.path(), "ITEMS.DBF"), "row 2"));
}

}  // namespace
}  // namespace xbase::test
