// karvix-db as an operator runs it: the real program on a store in a
// temporary folder, asserting on its output, exit codes and the tables.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <algorithm>
#include <filesystem>
#include <fstream>

#include "platform/xbase/cursor.h"
#include "store/schema.h"

namespace {

struct Result {
  int code = -1;
  std::string out, err;
};

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class KarvixDb : public ::testing::Test {
 protected:
  void SetUp() override {
    char t[] = "/tmp/kx-db-XXXXXX";
    root = ::mkdtemp(t);
    db = root + "/db";
  }
  void TearDown() override { std::filesystem::remove_all(root); }

  Result run(const std::vector<std::string>& args) {
    const char* bin = std::getenv("KARVIX_BIN_DIR");
    std::string cmd = std::string(bin ? bin : "bin") + "/karvix-db";
    for (const std::string& a : args) {
      std::string q;
      for (char c : a) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
      cmd += " '" + q + "'";
    }
    cmd += " >" + root + "/out 2>" + root + "/err";
    Result r;
    const int status = std::system(cmd.c_str());
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = slurp(root + "/out");
    r.err = slurp(root + "/err");
    return r;
  }

  std::string root, db;
};

TEST_F(KarvixDb, UsageErrorsExitTwoWithTheUsageText) {
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"frobnicate", "x"},
      {"create"},
      {"create", "a", "b"},
      {"append", "DIR", "NODES"},
      {"append", "DIR", "NODES", "NOEQUALS"},
      {"append", "DIR", "NODES", "=value"},
      {"list", "DIR"},
      {"list", "DIR", "NODES", "--sort"},
      {"list", "DIR", "NODES", "--tag"},
      {"delete", "DIR", "NODES", "one"},
      {"delete", "DIR", "NODES", "0"},
      {"check", "DIR", "NODES", "extra"},
  };
  for (const auto& args : cases) {
    const Result r = run(args);
    std::string joined;
    for (const auto& a : args) joined += a + " ";
    EXPECT_EQ(r.code, 2) << joined;
    EXPECT_NE(r.err.find("usage: karvix-db create DIR"), std::string::npos) << joined;
  }
}

TEST_F(KarvixDb, CreateMakesTheStoreAndLeavesItAloneTheSecondTime) {
  Result r = run({"create", db});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("created ORGS.DBF"), std::string::npos);
  EXPECT_NE(r.out.find("created ACTIONS.DBF"), std::string::npos);
  for (const char* f : {"ORGS.DBF", "ORGS.FPT", "NODES.CDX", "sent.cdx", "outbox.dbf", "Agents.cdx", "rules.dbf"})
    EXPECT_TRUE(std::filesystem::exists(db + "/" + f)) << f;
  r = run({"list", db, "orgs"});
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 2) << "column line and the one organisation";
  r = run({"create", db});
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, "");
  const std::string again = run({"list", db, "ORGS.DBF"}).out;
  EXPECT_EQ(std::count(again.begin(), again.end(), '\n'), 2);
}

TEST_F(KarvixDb, AppendListDeleteAndPack) {
  ASSERT_EQ(run({"create", db}).code, 0);
  Result r = run({"append", db, "nodes", "UNIQUE_ID=B2", "NODE=Second", "LASTDATE=2024-03-01", "FREQVAL=15"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "1\n");
  r = run({"append", db, "NODES.dbf", "UNIQUE_ID=A1", "NODE=First", "NOTES=line one\r\nline\ttwo"});
  EXPECT_EQ(r.out, "2\n");

  r = run({"list", db, "Nodes", "--tag", "UNIQUE_ID"});
  ASSERT_EQ(r.code, 0) << r.err;
  std::vector<std::string> lines;
  for (size_t s = 0, e; s < r.out.size(); s = e + 1) lines.push_back(r.out.substr(s, (e = r.out.find('\n', s)) - s));
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].substr(0, 33), "UNIQUE_ID\tLINK_ID\tNODE\tPOSITION\tR");
  EXPECT_EQ(lines[1].substr(0, 11), "A1\t\tFirst\t\t") << "in tag order";
  EXPECT_NE(lines[1].find("\tline one\\nline\\ttwo\t"), std::string::npos) << lines[1];
  EXPECT_NE(lines[2].find("\t2024-03-01\t"), std::string::npos) << lines[2];
  EXPECT_NE(lines[2].find("\t15\t"), std::string::npos) << lines[2];

  ASSERT_EQ(run({"delete", db, "nodes", "2"}).code, 0);
  r = run({"list", db, "nodes"});
  EXPECT_EQ(r.out.find("First"), std::string::npos) << "deleted rows are not listed";
  r = run({"list", db, "nodes", "--deleted"});
  EXPECT_NE(r.out.find("\n*\tA1\t\tFirst"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\n\tB2\t"), std::string::npos) << r.out;
  EXPECT_EQ(run({"delete", db, "nodes", "2"}).code, 1) << "already deleted";
  EXPECT_EQ(run({"delete", db, "nodes", "9"}).code, 1) << "no such row";

  r = run({"pack", db, "nodes"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(slurp(db + "/NODES.DBF").find("First"), std::string::npos);
  EXPECT_EQ(run({"check", db}).code, 0);
}

TEST_F(KarvixDb, ErrorsOfTheEngineExitOneWithTheirMessage) {
  ASSERT_EQ(run({"create", db}).code, 0);
  Result r = run({"append", db, "nodes", "FOO=bar"});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("Field 'FOO' not found in table 'NODES.DBF'"), std::string::npos) << r.err;
  r = run({"list", db, "nosuch"});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("nosuch"), std::string::npos);
  r = run({"append", db, "nodes", "LASTDATE=31/12/2024"});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("'31/12/2024' is not a valid date"), std::string::npos) << r.err;
  // Maintenance needs the table to itself.
  auto held = xbase::Cursor::open(db, "NODES.DBF");
  r = run({"pack", db, "nodes"});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("NODES.DBF"), std::string::npos) << r.err;
}

TEST_F(KarvixDb, CheckFindsAnIndexThatDisagreesAndReindexRepairsIt) {
  ASSERT_EQ(run({"create", db}).code, 0);
  for (int i = 0; i < 20; ++i) ASSERT_EQ(run({"append", db, "agents", "UNIQUE_ID=K" + std::to_string(i)}).code, 0);
  // Another program changed a key in the table without keeping the index.
  {
    std::fstream f(db + "/Agents.dbf", std::ios::binary | std::ios::in | std::ios::out);
    f.seekp(32 + 8 * 32 + 1 + 1);
    f.write("Z", 1);
  }
  Result r = run({"check", db, "agents"});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.out.find("Agents.dbf: Tag 'UNIQUE_ID' of 'Agents.cdx'"), std::string::npos) << r.out;
  // Garbage over the whole index: re-indexing still rebuilds it.
  std::ofstream(db + "/Agents.cdx", std::ios::binary | std::ios::trunc) << std::string(3000, '\xEE');
  EXPECT_EQ(run({"check", db}).code, 1);
  r = run({"reindex", db, "AGENTS"});
  ASSERT_EQ(r.code, 0) << r.err;
  r = run({"check", db});
  EXPECT_EQ(r.code, 0) << r.out;
  EXPECT_EQ(r.out, "checked 10 tables, 0 faults\n");
  auto agents = store::openTable(db, store::Table::Agents);
  agents->setOrder("UNIQUE_ID");
  EXPECT_TRUE(agents->seek("Z0"));
  EXPECT_EQ(agents->count(), 20u);
}

}  // namespace
