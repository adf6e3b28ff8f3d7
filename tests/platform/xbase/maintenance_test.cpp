// Creating tables (file names, header bytes), pack, zap, re-index and
// create-tag, and the exclusive open they need.
#include <gtest/gtest.h>
#include <stdio.h>

#include <functional>

#include "platform/system/error.h"
#include "platform/xbase/cursor.h"
#include "platform/xbase/table_check.h"
#include "tests/platform/xbase/test_support.h"

namespace xbase::test {
namespace {

void add(Cursor& c, const std::string& id, const std::string& notes = "") {
  c.insert();
  c.setString("UNIQUE_ID", id);
  c.setString("LINK_ID", "L");
  if (!notes.empty()) c.setString("NOTES", notes);
  c.post();
}

struct CreateCase {
  const char* name;
  std::string table;
  bool memo;
  bool index;
  std::string memoFile, indexFile;
  uint8_t version;
};

class Create : public ::testing::TestWithParam<CreateCase> {};

TEST_P(Create, NamesCompanionFilesAfterTheTableAndMarksTheHeader) {
  const CreateCase& c = GetParam();
  TempDir dir;
  TableDef d = sampleDef(c.table);
  if (!c.memo) d.fields.pop_back();
  if (!c.index) {
    d.indexBaseName.clear();
    d.tags.clear();
  }
  Cursor::create(dir.path(), d);
  const std::string h = readBytes(dir.file(c.table));
  EXPECT_EQ(uint8_t(h[0]), c.version);
  EXPECT_EQ(uint8_t(h[28]) & 1, c.index ? 1 : 0) << "structural index flag";
  EXPECT_EQ(uint8_t(h[29]), 0) << "code page byte";
  EXPECT_EQ(fileLength(dir.file(c.memoFile)) > 0, c.memo);
  EXPECT_EQ(fileLength(dir.file(c.indexFile)) > 0, c.index);
  EXPECT_EQ(h.back(), '\x1A') << "end-of-file mark";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Create,
    ::testing::Values(CreateCase{"lower_case", "outbox.dbf", true, true, "outbox.fpt", "outbox.cdx", 0xF5},
                      CreateCase{"upper_case", "NODES.DBF", true, true, "NODES.FPT", "NODES.CDX", 0xF5},
                      CreateCase{"mixed_case", "Agents.dbf", false, true, "Agents.fpt", "Agents.cdx", 0x03},
                      CreateCase{"no_index", "ORGS.DBF", true, false, "ORGS.FPT", "ORGS.CDX", 0xF5}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Create, RefusesAnExistingTableWhateverItsCase) {
  TempDir dir;
  Cursor::create(dir.path(), sampleDef("nodes.dbf"));
  EXPECT_THROW(Cursor::create(dir.path(), sampleDef("NODES.DBF")), sys::Error);
}

TEST(Open, FindsTableMemoAndIndexWithoutRegardToCase) {
  TempDir dir;
  {
    auto t = Cursor::create(dir.path(), sampleDef("NODES.DBF"));
    add(*t, "A", "memo");
  }
  ASSERT_EQ(::rename(dir.file("NODES.FPT").c_str(), dir.file("nodes.fpt").c_str()), 0);
  ASSERT_EQ(::rename(dir.file("NODES.CDX").c_str(), dir.file("Nodes.Cdx").c_str()), 0);
  auto t = Cursor::open(dir.path(), "nodes.DBF");
  EXPECT_EQ(t->fileName(), "NODES.DBF");
  t->setOrder("unique_id");
  ASSERT_TRUE(t->seek("A"));
  EXPECT_EQ(t->getString("NOTES"), "memo");
}

TEST(Maintenance, NeedsAnExclusiveOpen) {
  TempDir dir;
  Cursor::create(dir.path(), sampleDef());
  auto t = Cursor::open(dir.path(), "ITEMS.DBF");
  const struct {
    const char* what;
    std::function<void()> call;
  } ops[] = {{"pack", [&] { t->pack(); }},
             {"zap", [&] { t->zap(); }},
             {"reindex", [&] { t->reindex(); }},
             {"createTag", [&] { t->createTag("NAME", "NAME", false); }}};
  for (const auto& op : ops) EXPECT_THROW(op.call(), sys::Error) << op.what;
}

TEST(Maintenance, PackKeepsLiveRowsWithTheirMemosAndRebuildsTags) {
  TempDir dir;
  {
    auto t = Cursor::create(dir.path(), sampleDef());
    for (int i = 1; i <= 6; ++i) add(*t, "ID" + std::to_string(i), "notes of " + std::to_string(i));
    for (uint32_t r : {1u, 4u, 6u}) {
      t->go(r);
      t->remove();
    }
    t->pack();
    EXPECT_EQ(t->recno(), 1u) << "stands on the first row afterwards";
  }
  auto t = Cursor::open(dir.path(), "ITEMS.DBF");
  std::string seen;
  for (t->first(); !t->eof(); t->next()) seen += t->getString("UNIQUE_ID") + "=" + t->getString("NOTES") + ";";
  EXPECT_EQ(seen, "ID2=notes of 2;ID3=notes of 3;ID5=notes of 5;");
  const long header = 289, reclen = 84;
  EXPECT_EQ(fileLength(dir.file("ITEMS.DBF")), header + 3 * reclen + 1);
  t->setOrder("UNIQUE_ID");
  ASSERT_TRUE(t->seek("ID5"));
  EXPECT_EQ(t->recno(), 3u);
  EXPECT_TRUE(checkTable(dir.path(), "ITEMS.DBF").empty());
}

TEST(Maintenance, ZapEmptiesTableMemoAndTags) {
  TempDir dir;
  auto t = Cursor::create(dir.path(), sampleDef());
  for (int i = 0; i < 30; ++i) add(*t, "ID" + std::to_string(i), std::string(100, 'm'));
  t->zap();
  EXPECT_EQ(t->count(), 0u);
  EXPECT_TRUE(t->eof());
  EXPECT_EQ(fileLength(dir.file("ITEMS.FPT")), 512);
  t->setOrder("UNIQUE_ID");
  EXPECT_FALSE(t->seek("ID3"));
  add(*t, "NEW", "again");
  EXPECT_EQ(t->recno(), 1u);
  EXPECT_TRUE(t->seek("NEW"));
  t.reset();
  EXPECT_TRUE(checkTable(dir.path(), "ITEMS.DBF").empty());
}

TEST(Maintenance, ReindexWithDuplicateKeysSucceedsAndTheUniqueTagHoldsOneEntryEach) {
  TempDir dir;
  auto t = Cursor::create(dir.path(), sampleDef());
  for (const char* id : {"B", "A", "B", "A", "C"}) add(*t, id);
  t->reindex();
  t->setOrder("UNIQUE_ID");
  std::vector<uint32_t> recs;
  for (t->first(); !t->eof(); t->next()) recs.push_back(t->recno());
  EXPECT_EQ(recs, (std::vector<uint32_t>{2, 1, 5}));
  t.reset();
  EXPECT_TRUE(checkTable(dir.path(), "ITEMS.DBF").empty());
}

TEST(Maintenance, CreateTagAddsOrReplacesATag) {
  TempDir dir;
  auto t = Cursor::create(dir.path(), sampleDef());
  add(*t, "X");
  add(*t, "X");
  t->createTag("NAME", "NAME", false);
  EXPECT_EQ(t->tagNames(), (std::vector<std::string>{"UNIQUE_ID", "LINK_ID", "NAME"}));
  t->createTag("UNIQUE_ID", "UNIQUE_ID", false);  // no longer unique
  EXPECT_EQ(t->tagNames(), (std::vector<std::string>{"UNIQUE_ID", "LINK_ID", "NAME"}));
  t->setOrder("UNIQUE_ID");
  EXPECT_EQ(t->count(), 2u);
  EXPECT_THROW(t->createTag("NOTES", "NOTES", false), sys::Error) << "memo columns cannot be indexed";
  t.reset();
  EXPECT_TRUE(checkTable(dir.path(), "ITEMS.DBF").empty());
}

TEST(Maintenance, CreateTagOnATableWithoutIndexMakesOneAndSetsTheFlag) {
  TempDir dir;
  TableDef d = sampleDef("ORGS.DBF");
  d.indexBaseName.clear();
  d.tags.clear();
  auto t = Cursor::create(dir.path(), d);
  add(*t, "O1");
  EXPECT_EQ(uint8_t(readBytes(dir.file("ORGS.DBF"))[28]) & 1, 0);
  t->createTag("UNIQUE_ID", "UNIQUE_ID", true);
  EXPECT_EQ(uint8_t(readBytes(dir.file("ORGS.DBF"))[28]) & 1, 1);
  EXPECT_GT(fileLength(dir.file("ORGS.CDX")), 0);
  t.reset();
  auto s = Cursor::open(dir.path(), "ORGS.DBF");
  s->setOrder("UNIQUE_ID");
  EXPECT_TRUE(s->seek("O1"));
}

}  // namespace
}  // namespace xbase::test
