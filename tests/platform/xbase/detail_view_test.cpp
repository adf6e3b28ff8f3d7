// Detail views: restricted to the rows whose link column equals the master's
// key, following the master as it moves, through chains of views.
#include <gtest/gtest.h>

#include <map>

#include "platform/system/error.h"
#include "platform/xbase/cursor.h"
#include "tests/platform/xbase/test_support.h"

namespace xbase::test {
namespace {

TableDef linkedDef(const std::string& file) {
  TableDef d;
  d.fileName = file;
  d.indexBaseName = file.substr(0, file.find('.'));
  d.fields = {{"UNIQUE_ID", FieldType::Character, 20, 0},
              {"LINK_ID", FieldType::Character, 20, 0},
              {"NAME", FieldType::Character, 20, 0}};
  d.tags = {{"UNIQUE_ID", true}, {"LINK_ID", false}};
  return d;
}

void add(Cursor& c, const std::string& id, const std::string& link, const std::string& name) {
  c.insert();
  c.setString("UNIQUE_ID", id);
  c.setString("LINK_ID", link);
  c.setString("NAME", name);
  c.post();
}

std::string names(Cursor& c) {
  std::string out;
  for (c.first(); !c.eof(); c.next()) out += (out.empty() ? "" : ",") + c.getString("NAME");
  return out;
}

class DetailViews : public ::testing::Test {
 protected:
  void SetUp() override {
    auto g = Cursor::create(dir.path(), linkedDef("GROUPS.DBF"));
    add(*g, "G1", "ORG", "g-one");
    add(*g, "G2", "ORG", "g-two");
    add(*g, "G3", "ORG", "g-empty");
    auto n = Cursor::create(dir.path(), linkedDef("NODES.DBF"));
    add(*n, "N1", "G2", "n1");
    add(*n, "N2", "G1", "n2");
    add(*n, "N3", "G2", "n3");
    add(*n, "N4", "G1", "n4");
    add(*n, "N5", "G9", "orphan");
    auto r = Cursor::create(dir.path(), linkedDef("RECEIVED.DBF"));
    add(*r, "R1", "N3", "r1");
    add(*r, "R2", "N1", "r2");
    add(*r, "R3", "N3", "r3");
  }
  TempDir dir;
};

TEST_F(DetailViews, FollowTheirMasterRowByRow) {
  auto groups = Cursor::open(dir.path(), "GROUPS.DBF");
  auto nodes = Cursor::open(dir.path(), "NODES.DBF");
  nodes->setMaster(groups.get(), "UNIQUE_ID", "LINK_ID");
  const std::map<std::string, std::string> expected = {{"g-one", "n2,n4"}, {"g-two", "n1,n3"}, {"g-empty", ""}};
  int seen = 0;
  for (groups->first(); !groups->eof(); groups->next()) {
    const std::string g = groups->getString("NAME");
    EXPECT_EQ(names(*nodes), expected.at(g)) << g;
    EXPECT_EQ(nodes->count(), expected.at(g).empty() ? 0u : 2u) << g;
    ++seen;
  }
  EXPECT_EQ(seen, 3);
  EXPECT_TRUE(nodes->eof()) << "master past its end: the detail view is empty";
  EXPECT_EQ(nodes->count(), 0u);
}

TEST_F(DetailViews, StandOnTheirFirstMatchingRowAfterTheMasterMoves) {
  auto groups = Cursor::open(dir.path(), "GROUPS.DBF");
  auto nodes = Cursor::open(dir.path(), "NODES.DBF");
  nodes->setMaster(groups.get(), "UNIQUE_ID", "LINK_ID");
  groups->first();
  EXPECT_EQ(nodes->getString("NAME"), "n2");
  nodes->next();
  EXPECT_EQ(nodes->getString("NAME"), "n4");
  groups->go(2);  // G2
  EXPECT_EQ(nodes->getString("NAME"), "n1") << "first row of the new master row, without first()";
  groups->setOrder("UNIQUE_ID");
  ASSERT_TRUE(groups->seek("G1"));
  EXPECT_EQ(nodes->recno(), 2u);
}

TEST_F(DetailViews, ChainOfThreeFollowsTheTopMaster) {
  auto groups = Cursor::open(dir.path(), "GROUPS.DBF");
  auto nodes = Cursor::open(dir.path(), "NODES.DBF");
  auto received = Cursor::open(dir.path(), "RECEIVED.DBF");
  nodes->setMaster(groups.get(), "UNIQUE_ID", "LINK_ID");
  received->setMaster(nodes.get(), "UNIQUE_ID", "LINK_ID");
  groups->go(2);  // G2 -> first node N1 -> received r2
  EXPECT_EQ(received->getString("NAME"), "r2");
  nodes->next();  // N3
  EXPECT_EQ(names(*received), "r1,r3");
  groups->go(1);  // G1 -> N2 -> nothing
  EXPECT_TRUE(received->eof());
}

TEST_F(DetailViews, HideDeletedRowsAndFillTheLinkOnInsert) {
  auto groups = Cursor::open(dir.path(), "GROUPS.DBF");
  auto nodes = Cursor::open(dir.path(), "NODES.DBF");
  nodes->setMaster(groups.get(), "UNIQUE_ID", "LINK_ID");
  groups->go(1);
  nodes->first();
  nodes->remove();  // n2
  EXPECT_EQ(names(*nodes), "n4");
  nodes->insert();
  nodes->setString("UNIQUE_ID", "N6");
  nodes->setString("NAME", "n6");
  nodes->post();
  EXPECT_EQ(nodes->getString("LINK_ID"), "G1");
  EXPECT_EQ(names(*nodes), "n4,n6");
  EXPECT_EQ(nodes->count(), 2u);
}

TEST_F(DetailViews, SeekStaysInsideTheMastersRows) {
  auto groups = Cursor::open(dir.path(), "GROUPS.DBF");
  auto nodes = Cursor::open(dir.path(), "NODES.DBF");
  nodes->setMaster(groups.get(), "UNIQUE_ID", "LINK_ID");
  groups->go(1);
  EXPECT_TRUE(nodes->seek("G1"));
  EXPECT_FALSE(nodes->seek("G2")) << "rows of another master are outside the view";
  EXPECT_TRUE(nodes->eof());
}

TEST_F(DetailViews, RefuseBadLinks) {
  auto groups = Cursor::open(dir.path(), "GROUPS.DBF");
  auto nodes = Cursor::open(dir.path(), "NODES.DBF");
  EXPECT_THROW(nodes->setMaster(groups.get(), "NOPE", "LINK_ID"), sys::Error);
  EXPECT_THROW(nodes->setMaster(groups.get(), "UNIQUE_ID", "NOPE"), sys::Error);
  nodes->setMaster(groups.get(), "UNIQUE_ID", "LINK_ID");
  EXPECT_THROW(groups->setMaster(nodes.get(), "LINK_ID", "UNIQUE_ID"), sys::Error) << "a loop of views";
  EXPECT_THROW(nodes->setOrder("UNIQUE_ID"), sys::Error);
}

TEST_F(DetailViews, OutliveTheirMasterUnrestricted) {
  auto groups = Cursor::open(dir.path(), "GROUPS.DBF");
  auto nodes = Cursor::open(dir.path(), "NODES.DBF");
  nodes->setMaster(groups.get(), "UNIQUE_ID", "LINK_ID");
  groups->go(1);
  EXPECT_EQ(nodes->count(), 2u);
  groups.reset();
  EXPECT_EQ(nodes->count(), 5u);
}

}  // namespace
}  // namespace xbase::test
