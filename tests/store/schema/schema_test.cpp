// The store's tables as another xBase reader sees them after createStore,
// the tags and their unique rule, values the programs write, and that an
// existing store is left alone.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/system/error.h"
#include "platform/xbase/table_check.h"
#include "store/schema.h"

namespace store {
namespace {

class TempDir {
 public:
  TempDir() {
    char t[] = "/tmp/kx-schema-XXXXXX";
    path_ = ::mkdtemp(t);
  }
  ~TempDir() { std::filesystem::remove_all(path_); }
  std::string path() const { return path_ + "/"; }

 private:
  std::string path_;
};

std::string run(const std::string& cmd) {
  std::string out;
  FILE* p = ::popen((cmd + " 2>&1").c_str(), "r");
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  ::pclose(p);
  return out;
}

bool exists(const std::string& p) {
  struct stat st {};
  return ::stat(p.c_str(), &st) == 0;
}

// The layout each table must have, column by column (type and width), as a
// reader of FoxPro tables reports it.
struct Layout {
  const char* file;
  const char* columns;  // NAME:TW, ...
  const char* memoFile;
  const char* indexFile;
};

const Layout kLayouts[] = {
    {"ORGS.DBF",
     "UNIQUE_ID:C20 ORG:C40 LINK_ID:C20 POSITION:N6 REF:C40 KEY1:C20 KEY2:C20 KEY3:C20 KEY4:C20 KEY5:C20 "
     "STATUS:C3 NOTES:M10 CREATEBY:C8 OWNER:C8 LASTUSER:C8 CREATEON:D8",
     "ORGS.FPT", nullptr},
    {"GROUPS.DBF",
     "UNIQUE_ID:C20 GROUP:C40 LINK_ID:C20 POSITION:N6 REF:C40 KEY1:C20 KEY2:C20 KEY3:C20 KEY4:C20 KEY5:C20 "
     "STATUS:C3 NOTES:M10 CREATEBY:C8 OWNER:C8 LASTUSER:C8 CREATEON:D8",
     "GROUPS.FPT", "GROUPS.CDX"},
    {"NODES.DBF",
     "UNIQUE_ID:C20 LINK_ID:C20 NODE:C40 POSITION:N6 REF:C40 ADDRESS:C75 LOGIN:C25 PASSWORD:C25 "
     "POPADDRESS:C50 SMTPADDRES:C50 KEY1:C20 KEY2:C20 KEY3:C20 KEY4:C20 KEY5:C20 STATUS:C3 NOTES:M10 "
     "CREATEBY:C8 OWNER:C8 LASTUSER:C8 LASTDATE:D8 LASTTIME:C6 NEXTDATE:D8 NEXTTIME:C5 FREQTYPE:C1 "
     "FREQVAL:N6 LASTRESULT:C20",
     "NODES.FPT", "NODES.CDX"},
    {"PENDING.DBF",
     "MESSAGE_ID:C40 LINK_ID:C20 RECDATE:D8 STATUS:C5 FROM:C40 SUBJECT:C80 FILENAME:C30 CREATEON:D8 "
     "CREATEAT:C6 LASTUSER:C10 LASTDATE:D8 LASTTIME:C6",
     nullptr, "PENDING.CDX"},
    {"RECEIVED.DBF",
     "MESSAGE_ID:C40 LINK_ID:C20 RECDATE:D8 STATUS:C5 FROM:C40 SUBJECT:C80 FILENAME:C30 CREATEON:D8 "
     "CREATEAT:C6 LASTUSER:C10 LASTDATE:D8 LASTTIME:C6",
     nullptr, "RECEIVED.CDX"},
    {"sent.dbf",
     "UNIQUE_ID:C20 LINK_ID:C20 DATE:D8 STATUS:C5 TONAME:C40 TOADDRESS:C50 SUBJECT:C80 FILENAME:C30 "
     "CREATEON:D8 CREATEAT:C6 LASTUSER:C10 LASTDATE:D8 LASTTIME:C6",
     nullptr, "sent.cdx"},
    {"outbox.dbf",
     "UNIQUE_ID:C20 LINK_ID:C20 DATE:D8 STATUS:C5 TONAME:C40 TOADDRESS:C50 SUBJECT:C80 FILENAME:C30 "
     "CREATEON:D8 CREATEAT:C6 LASTUSER:C10 LASTDATE:D8 LASTTIME:C6",
     nullptr, "outbox.cdx"},
    {"rules.dbf", "UNIQUE_ID:C20 LINK_ID:C20 RULE:C40 COND:C1 CONDVAL1:C100 CONDVAL2:C100 ACT1:C1 ACT2:C1",
     nullptr, "rules.cdx"},
    {"Agents.dbf",
     "UNIQUE_ID:C20 LINK_ID:C20 AGENT:C99 TYPE:C30 CREATEON:D8 CREATEAT:C6 LASTUSER:C10 LASTDATE:D8", nullptr,
     "Agents.cdx"},
    {"ACTIONS.DBF",
     "UNIQUE_ID:C20 MESSAGE_ID:C100 NODE_ID:C20 AGENT_ID:C20 ACTION:C254 CREATEON:D8 CREATEAT:C6", nullptr,
     "ACTIONS.CDX"},
};

TEST(Schema, CreateStoreMakesTheTenTablesAsAnotherReaderSeesThem) {
  TempDir dir;
  EXPECT_EQ(createStore(dir.path()).size(), 10u);
  for (const Layout& l : kLayouts) {
    SCOPED_TRACE(l.file);
    const std::string out = run(
        "/usr/bin/python3 -c \"import sys, dbfread; t = dbfread.DBF(sys.argv[1], encoding='utf-8'); "
        "print(' '.join('%s:%s%d' % (f.name, f.type, f.length) for f in t.fields)); "
        "print(len(list(t)))\" " + dir.path() + l.file);
    EXPECT_EQ(out.substr(0, out.find('\n')), l.columns);
    if (l.memoFile) {
      EXPECT_TRUE(exists(dir.path() + l.memoFile));
    }
    if (l.indexFile) {
      EXPECT_TRUE(exists(dir.path() + l.indexFile));
    }
    std::ifstream f(dir.path() + l.file, std::ios::binary);
    char h[32];
    f.read(h, 32);
    EXPECT_EQ(uint8_t(h[0]), l.memoFile ? 0xF5 : 0x03);
    EXPECT_EQ(h[28] & 1, l.indexFile ? 1 : 0) << "structural index flag";
    EXPECT_EQ(out.substr(out.find('\n') + 1), std::string(l.file) == "ORGS.DBF" ? "1\n" : "0\n") << "rows";
    EXPECT_TRUE(xbase::checkTable(dir.path(), l.file).empty());
  }
  EXPECT_FALSE(exists(dir.path() + "ORGS.CDX"));
  auto orgs = openTable(dir.path(), Table::Orgs);
  orgs->first();
  EXPECT_EQ(orgs->getString("UNIQUE_ID").size(), 16u) << "a time-stamp key";
  EXPECT_FALSE(orgs->getDate("CREATEON").empty());
}

struct TagCase {
  Table table;
  std::vector<std::string> tags;
  std::vector<bool> unique;
};

TEST(Schema, TagsInCreationOrderWithTheUniqueRule) {
  const TagCase cases[] = {
      {Table::Nodes, {"UNIQUE_ID", "LINK_ID", "NODE"}, {true, false, false}},
      {Table::Groups, {"UNIQUE_ID", "LINK_ID", "GROUP"}, {true, false, false}},
      {Table::Received, {"MESSAGE_ID", "LINK_ID", "FROM"}, {true, false, false}},
      {Table::Pending, {"MESSAGE_ID", "LINK_ID", "FROM"}, {true, false, false}},
      {Table::Actions, {"MESSAGE_ID", "UNIQUE_ID", "AGENT_ID", "NODE_ID"}, {false, false, false, false}},
      {Table::Sent, {"UNIQUE_ID", "LINK_ID", "SUBJECT", "TONAME"}, {true, false, false, false}},
      {Table::Outbox, {"UNIQUE_ID", "LINK_ID", "SUBJECT", "TONAME"}, {true, false, false, false}},
      {Table::Rules, {"UNIQUE_ID", "LINK_ID", "RULE"}, {true, false, false}},
      {Table::Agents, {"UNIQUE_ID", "LINK_ID", "AGENT"}, {true, false, false}},
      {Table::Orgs, {}, {}},
  };
  TempDir dir;
  createStore(dir.path());
  for (const TagCase& c : cases) {
    auto t = openTable(dir.path(), c.table);
    SCOPED_TRACE(t->fileName());
    EXPECT_EQ(t->tagNames(), c.tags);
    // Two rows with the same value in every tagged column: a unique tag
    // reaches one of them, the others both.
    for (int i = 0; i < 2; ++i) {
      t->insert();
      for (const std::string& tag : c.tags) t->setString(tag, "SAME");
      t->post();
    }
    for (size_t i = 0; i < c.tags.size(); ++i) {
      t->setOrder(c.tags[i]);
      EXPECT_EQ(t->count(), c.unique[i] ? 1u : 2u) << c.tags[i];
    }
  }
}

TEST(Schema, ValuesTheProgramsWriteFitTheirColumns) {
  TempDir dir;
  createStore(dir.path());
  auto actions = openTable(dir.path(), Table::Actions);
  const std::string messageId = "<" + std::string(80, 'm') + "@example.org>";
  const std::string action = "Message Forwarded to: someone@example.org " + std::string(200, 's');
  actions->insert();
  actions->setString("MESSAGE_ID", messageId);
  actions->setString("ACTION", action);
  actions->post();
  actions->setOrder("MESSAGE_ID");
  ASSERT_TRUE(actions->seek(messageId));
  EXPECT_EQ(actions->getString("MESSAGE_ID"), messageId);
  EXPECT_EQ(actions->getString("ACTION"), action.substr(0, 254));

  // An agent name longer than 99 characters and a file name longer than 30
  // are cut to the column.
  auto agents = openTable(dir.path(), Table::Agents);
  agents->insert();
  agents->setString("AGENT", std::string(120, 'a'));
  agents->post();
  EXPECT_EQ(agents->getString("AGENT"), std::string(99, 'a'));
  auto received = openTable(dir.path(), Table::Received);
  received->insert();
  received->setString("FILENAME", "a-very-long-message-file-name-indeed.eml");
  received->post();
  EXPECT_EQ(received->getString("FILENAME"), "a-very-long-message-file-name-");

  auto rules = openTable(dir.path(), Table::Rules);
  rules->insert();
  rules->setString("COND", "A");
  rules->setString("CONDVAL1", std::string(100, 'v'));
  rules->post();
  EXPECT_EQ(rules->getString("CONDVAL1").size(), 100u);

  auto nodes = openTable(dir.path(), Table::Nodes);
  nodes->insert();
  nodes->setInt("FREQVAL", 999999);
  nodes->post();
  EXPECT_EQ(nodes->getInt("FREQVAL"), 999999);
}

TEST(Schema, CreateStoreLeavesExistingTablesAlone) {
  TempDir dir;
  createStore(dir.path());
  {
    auto nodes = openTable(dir.path(), Table::Nodes);
    nodes->insert();
    nodes->setString("UNIQUE_ID", "ACCOUNT1");
    nodes->post();
  }
  std::filesystem::remove(dir.path() + "rules.dbf");
  std::filesystem::rename(dir.path() + "ACTIONS.DBF", dir.path() + "actions.dbf");
  EXPECT_EQ(createStore(dir.path()), std::vector<std::string>{"rules.dbf"});
  auto nodes = openTable(dir.path(), Table::Nodes);
  EXPECT_EQ(nodes->count(), 1u);
  EXPECT_EQ(openTable(dir.path(), Table::Orgs)->count(), 1u) << "no second organisation row";
  EXPECT_FALSE(exists(dir.path() + "ACTIONS.DBF")) << "found as actions.dbf, not made again";
  EXPECT_NO_THROW(openTable(dir.path(), Table::Actions));
}

TEST(Schema, TablesAreFoundByNameWithoutRegardToCase) {
  const struct {
    const char* name;
    const char* file;
  } cases[] = {{"nodes", "NODES.DBF"}, {"NODES.DBF", "NODES.DBF"}, {"Sent", "sent.dbf"},
               {"agents.DBF", "Agents.dbf"}, {"actions", "ACTIONS.DBF"}};
  for (const auto& c : cases) {
    const xbase::TableDef* d = findTableDef(c.name);
    ASSERT_NE(d, nullptr) << c.name;
    EXPECT_EQ(d->fileName, c.file);
  }
  EXPECT_EQ(findTableDef("nodes.cdx"), nullptr);
  EXPECT_EQ(findTableDef("other"), nullptr);
}

}  // namespace
}  // namespace store
