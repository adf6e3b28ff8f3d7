// Cursor behaviour over real table files: the unique-tag rule, deleted rows
// hidden from every read, seek and count, seek variants, edits that keep
// other programs' columns, refresh, and the after-insert hook.
#include <gtest/gtest.h>

#include <functional>

#include "platform/system/error.h"
#include "platform/xbase/cursor.h"
#include "platform/xbase/table_check.h"
#include "tests/platform/xbase/test_support.h"

namespace xbase::test {
namespace {

struct Row {
  std::string id, link, name;
};

std::unique_ptr<Cursor> makeTable(const TempDir& dir, const std::vector<Row>& rows) {
  auto t = Cursor::create(dir.path(), sampleDef());
  for (const Row& r : rows) {
    t->insert();
    t->setString("UNIQUE_ID", r.id);
    t->setString("LINK_ID", r.link);
    t->setString("NAME", r.name);
    t->post();
  }
  t.reset();
  return Cursor::open(dir.path(), "ITEMS.DBF");
}

// Record numbers of the view, in its order.
std::vector<uint32_t> walk(Cursor& c) {
  std::vector<uint32_t> out;
  for (c.first(); !c.eof(); c.next()) out.push_back(c.recno());
  return out;
}

using Recs = std::vector<uint32_t>;

TEST(UniqueTag, TwoRowsWithOneKeyTheTagReachesTheFirst) {
  TempDir dir;
  auto t = makeTable(dir, {{"MSG-A", "N1", "first"}, {"MSG-B", "N1", "other"}, {"MSG-A", "N2", "second"}});
  EXPECT_EQ(t->count(), 3u) << "both rows are in the table";
  t->setOrder("UNIQUE_ID");
  ASSERT_TRUE(t->seek("MSG-A"));
  EXPECT_EQ(t->recno(), 1u);
  EXPECT_EQ(t->getString("NAME"), "first");
  EXPECT_EQ(walk(*t), (Recs{1, 2})) << "the later row with the same key is not in the tag";
  EXPECT_EQ(t->count(), 2u);
  t->setOrder("LINK_ID");
  EXPECT_EQ(walk(*t), (Recs{1, 2, 3})) << "a tag that is not unique holds every row";
  EXPECT_TRUE(checkTable(dir.path(), "ITEMS.DBF").empty());
}

TEST(UniqueTag, AppendingADuplicateLaterStillLeavesTheFirst) {
  TempDir dir;
  auto t = makeTable(dir, {{"K", "L", "one"}});
  t->insert();
  t->setString("UNIQUE_ID", "K");
  t->setString("NAME", "two");
  t->post();
  t->setOrder("UNIQUE_ID");
  ASSERT_TRUE(t->seek("K"));
  EXPECT_EQ(t->getString("NAME"), "one");
  t->next();
  EXPECT_TRUE(t->eof());
}

// Every way of reading the table, each asked after row 2 is deleted.
TEST(DeletedRows, AreInvisibleToEveryReadSeekAndCountUntilPacked) {
  TempDir dir;
  auto t = makeTable(dir, {{"A", "L1", "alpha"}, {"B", "L1", "beta"}, {"C", "L2", "gamma"}});
  t->go(2);
  t->remove();
  EXPECT_EQ(t->recno(), 3u) << "after delete the cursor stands on the next row";

  const struct {
    const char* what;
    std::function<void(Cursor&)> check;
  } views[] = {
      {"record order", [](Cursor& c) { EXPECT_EQ(walk(c), (Recs{1, 3})); }},
      {"record order count", [](Cursor& c) { EXPECT_EQ(c.count(), 2u); }},
      {"unique tag order", [](Cursor& c) { c.setOrder("UNIQUE_ID"); EXPECT_EQ(walk(c), (Recs{1, 3})); }},
      {"tag count", [](Cursor& c) { c.setOrder("LINK_ID"); EXPECT_EQ(c.count(), 2u); }},
      {"exact seek", [](Cursor& c) { c.setOrder("UNIQUE_ID"); EXPECT_FALSE(c.seek("B")); EXPECT_TRUE(c.eof()); }},
      {"nearest seek", [](Cursor& c) { c.setOrder("UNIQUE_ID"); EXPECT_FALSE(c.seek("B", true)); EXPECT_EQ(c.recno(), 3u); }},
      {"seek in a non-unique tag", [](Cursor& c) { c.setOrder("LINK_ID"); ASSERT_TRUE(c.seek("L1")); EXPECT_EQ(c.recno(), 1u); c.next(); EXPECT_EQ(c.recno(), 3u); }},
      {"go to the row", [](Cursor& c) { c.go(2); EXPECT_TRUE(c.eof()); EXPECT_EQ(c.recno(), 0u); }},
  };
  for (const auto& v : views) {
    SCOPED_TRACE(v.what);
    auto c = Cursor::open(dir.path(), "items.dbf");
    v.check(*c);
  }
  // Still in the file until packed.
  EXPECT_NE(readBytes(dir.file("ITEMS.DBF")).find("beta"), std::string::npos);
  t.reset();
  auto x = Cursor::open(dir.path(), "ITEMS.DBF", OpenMode::Exclusive);
  x->pack();
  EXPECT_EQ(readBytes(dir.file("ITEMS.DBF")).find("beta"), std::string::npos) << "packed: gone from the file";
  EXPECT_EQ(x->count(), 2u);
  x->setOrder("UNIQUE_ID");
  ASSERT_TRUE(x->seek("C"));
  EXPECT_EQ(x->recno(), 2u) << "rows renumbered and the tags rebuilt";
  x.reset();
  EXPECT_TRUE(checkTable(dir.path(), "ITEMS.DBF").empty());
}

struct SeekCase {
  const char* name;
  std::string value;
  bool nearest;
  bool found;
  uint32_t recno;  // 0 = eof
};

class Seek : public ::testing::TestWithParam<SeekCase> {};

TEST_P(Seek, FindsExactKeysOrTheNextGreater) {
  const SeekCase& c = GetParam();
  TempDir dir;
  auto t = makeTable(dir, {{"M", "L", "b"}, {"C", "L", "a"}, {"X", "L", "c"}, {"CA", "L", "d"}});
  t->setOrder("UNIQUE_ID");
  EXPECT_EQ(t->seek(c.value, c.nearest), c.found);
  EXPECT_EQ(t->recno(), c.recno);
  EXPECT_EQ(t->eof(), c.recno == 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, Seek,
                         ::testing::Values(SeekCase{"exact", "M", false, true, 1},
                                           SeekCase{"exact_first", "C", false, true, 2},
                                           SeekCase{"trailing_blank_ignored", "CA ", false, true, 4},
                                           SeekCase{"missing_exact_is_eof", "D", false, false, 0},
                                           SeekCase{"missing_nearest_next", "D", true, false, 1},
                                           SeekCase{"before_all_nearest", "A", true, false, 2},
                                           SeekCase{"after_all_nearest_eof", "Z", true, false, 0},
                                           SeekCase{"partial_key_not_found", "X1", false, false, 0},
                                           SeekCase{"value_cut_like_a_write", "M                      tail", false, true, 1}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Seek, WithoutAnOrderIsAnError) {
  TempDir dir;
  auto t = makeTable(dir, {{"A", "L", "x"}});
  EXPECT_THROW(t->seek("A"), sys::Error);
  EXPECT_THROW(t->setOrder("NOPE"), sys::Error);
}

TEST(Seek, ThroughADateTag) {
  TempDir dir;
  auto t = Cursor::create(dir.path(), sampleDef());
  t->createTag("CREATEON", "CREATEON", false);
  const Cursor::Date dates[] = {{2024, 5, 1}, {1999, 12, 31}, {}, {2000, 1, 1}};
  for (const auto& d : dates) {
    t->insert();
    t->setDate("CREATEON", d);
    t->post();
  }
  t->setOrder("CREATEON");
  EXPECT_EQ(walk(*t), (Recs{3, 2, 4, 1})) << "the empty date sorts first";
  ASSERT_TRUE(t->seekDate(2000, 1, 1));
  EXPECT_EQ(t->recno(), 4u);
  EXPECT_FALSE(t->seekDate(2001, 1, 1, true));
  EXPECT_EQ(t->recno(), 1u);
  ASSERT_TRUE(t->seek("19991231"));
  EXPECT_EQ(t->recno(), 2u);
}

TEST(Edit, ChangesOnlyTheColumnsSetAndKeepsWhatAnotherProgramWrote) {
  TempDir dir;
  makeTable(dir, {{"A", "L1", "alpha"}});
  auto mine = Cursor::open(dir.path(), "ITEMS.DBF");
  auto theirs = Cursor::open(dir.path(), "ITEMS.DBF");
  mine->first();
  theirs->first();
  mine->edit();
  theirs->edit();
  theirs->setString("NAME", "theirs");
  theirs->post();
  mine->setString("LINK_ID", "L9");
  mine->post();
  EXPECT_EQ(mine->getString("NAME"), "theirs") << "the row as written";
  auto check = Cursor::open(dir.path(), "ITEMS.DBF");
  check->first();
  EXPECT_EQ(check->getString("NAME"), "theirs");
  EXPECT_EQ(check->getString("LINK_ID"), "L9");
  check->setOrder("LINK_ID");
  EXPECT_FALSE(check->seek("L1")) << "the old key left the tag";
  ASSERT_TRUE(check->seek("L9"));
  EXPECT_TRUE(checkTable(dir.path(), "ITEMS.DBF").empty());
}

TEST(Edit, SettersNeedInsertOrEditAndMovingPostsTheRow) {
  TempDir dir;
  auto t = makeTable(dir, {{"A", "L", "x"}, {"B", "L", "y"}});
  t->first();
  EXPECT_THROW(t->setString("NAME", "z"), sys::Error);
  t->edit();
  t->setString("NAME", "z");
  t->next();  // posts
  EXPECT_FALSE(t->editing());
  auto other = Cursor::open(dir.path(), "ITEMS.DBF");
  other->first();
  EXPECT_EQ(other->getString("NAME"), "z");
  t->insert();
  t->setString("UNIQUE_ID", "C");
  t->cancel();
  EXPECT_EQ(other->count(), 2u) << "a cancelled insert writes nothing";
}

TEST(Insert, AfterInsertHookRunsBeforeTheCallerSetsColumns) {
  TempDir dir;
  auto t = makeTable(dir, {});
  std::string seenName = "unset";
  t->afterInsert = [&](Cursor& c) {
    seenName = c.getString("NAME");
    c.setDate("CREATEON", {2024, 6, 1});
    c.setString("NAME", "from hook");
  };
  t->insert();
  t->setString("NAME", "caller");
  t->post();
  EXPECT_EQ(seenName, "") << "the hook sees a blank row";
  auto c = Cursor::open(dir.path(), "ITEMS.DBF");
  c->first();
  EXPECT_EQ(c->getString("NAME"), "caller");
  EXPECT_EQ(c->getString("CREATEON"), "20240601");
}

TEST(Refresh, SeesRowsAnotherCursorAppendedAndEdited) {
  TempDir dir;
  auto reader = makeTable(dir, {{"A", "L", "x"}});
  reader->first();
  EXPECT_EQ(reader->count(), 1u);
  auto writer = Cursor::open(dir.path(), "ITEMS.DBF");
  writer->first();
  writer->edit();
  writer->setString("NAME", "changed");
  writer->post();
  for (const char* id : {"B", "C"}) {
    writer->insert();
    writer->setString("UNIQUE_ID", id);
    writer->post();
  }
  EXPECT_EQ(reader->getString("NAME"), "x") << "not re-read before refresh";
  reader->refresh();
  EXPECT_EQ(reader->getString("NAME"), "changed");
  EXPECT_EQ(reader->count(), 3u);
  EXPECT_EQ(walk(*reader), (Recs{1, 2, 3}));
  reader->setOrder("UNIQUE_ID");
  EXPECT_TRUE(reader->seek("C"));
}

TEST(Go, OutOfRangeIsAnError) {
  TempDir dir;
  auto t = makeTable(dir, {{"A", "L", "x"}});
  EXPECT_THROW(t->go(0), sys::Error);
  EXPECT_THROW(t->go(2), sys::Error);
  t->go(1);
  EXPECT_EQ(t->getString("UNIQUE_ID"), "A");
}

TEST(Go, ThenNextContinuesInTagOrder) {
  TempDir dir;
  auto t = makeTable(dir, {{"C", "L", ""}, {"A", "L", ""}, {"B", "L", ""}});
  t->setOrder("UNIQUE_ID");
  t->go(2);  // A
  t->next();
  EXPECT_EQ(t->recno(), 3u);  // B
  t->next();
  EXPECT_EQ(t->recno(), 1u);  // C
}

TEST(Blank, GettersOffAnyRowReturnBlanks) {
  TempDir dir;
  auto t = makeTable(dir, {});
  t->first();
  EXPECT_TRUE(t->eof());
  EXPECT_EQ(t->getString("NAME"), "");
  EXPECT_EQ(t->getInt("POSITION"), 0);
  EXPECT_TRUE(t->getDate("CREATEON").empty());
  EXPECT_EQ(t->getString("NOTES"), "");
  EXPECT_THROW(t->edit(), sys::Error);
}

}  // namespace
}  // namespace xbase::test
