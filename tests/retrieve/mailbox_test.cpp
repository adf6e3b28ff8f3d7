// What the retriever leaves behind: complete messages in Pending with their
// PENDING.DBF rows (read back by dbfread), the server's mailbox after delete
// or leave, and the UIDL memory that keeps left messages from coming twice,
// also across separate runs of the program.
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include <set>

#include "platform/xbase/cursor.h"
#include "tests/retrieve/retrieve_fixture.h"

namespace retrieve::testing {
namespace {

std::string shellOutput(const std::string& cmd) {
  std::string out;
  FILE* p = ::popen(cmd.c_str(), "r");
  char buf[4096];
  for (size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
  ::pclose(p);
  return out;
}

class MailboxTest : public RetrieveFixture {
 protected:
  // Runs the real program once with karvix.ini pointing at this store.
  int runProgram() {
    const std::string profile = root.path() + "/profile";
    fs::create_directories(profile);
    std::ofstream(profile + "/karvix.ini") << "[Folders]\nMessages=" << messages << "\nDataBase=" << db << "\n";
    const std::string cmd = "KARVIX_PROFILE_DIR='" + profile + "' KARVIX_PROGRAM_DIR='" + program + "' '" +
                            std::getenv("KARVIX_BIN_DIR") + "/karvix-retrieve' --once >/dev/null 2>&1";
    const int status = std::system(cmd.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  void makeDue(const std::string& id) {
    auto nodes = xbase::Cursor::open(db, "NODES.DBF");
    for (nodes->first(); !nodes->eof(); nodes->next())
      if (nodes->getString("UNIQUE_ID") == id) {
        nodes->edit();
        nodes->setDate("NEXTDATE", {});
        nodes->post();
      }
  }
};

struct Answer {
  const char* act2;
  std::size_t keptOnServer;
};

TEST_F(MailboxTest, DeleteOrLeaveAndThePendingRows) {
  for (const Answer a : {Answer{"Y", 0}, Answer{"N", 2}}) {
    SCOPED_TRACE(std::string("ACT2 = ") + a.act2);
    const std::string user = newUser();
    const std::string id = std::string("ACC") + a.act2;
    const std::string first = message("First order", "Ann Buyer <ann@example.com>", "", 3000);
    const std::string second = message("Second", "bob@example.com");
    pop->deliver(user, first);
    pop->deliver(user, second);
    addAccount({.id = id, .login = user});
    addRule(id, "Control Restriction", "A", "", "", "Y", a.act2);

    runOnce();

    EXPECT_EQ(pop->mailbox(user).size(), a.keptOnServer);
    const auto files = pending(id);
    ASSERT_EQ(files.size(), 2u) << logText();
    std::set<std::string> contents;
    for (const auto& [name, content] : files) {
      EXPECT_EQ(name.size(), 27u) << name;
      EXPECT_EQ(name.substr(0, 15), "20261211102030-");
      EXPECT_EQ(name.substr(23), ".eml");
      contents.insert(content);
    }
    EXPECT_EQ(contents, (std::set<std::string>{first, second}));  // byte for byte
    // Nothing else is left beside them: no temporary files.
    EXPECT_TRUE(fs::is_empty(fs::path(messages) / id / "Retrieve" / "tmp"));
  }

  // PENDING.DBF as another xBase reader sees it.
  const std::string out = shellOutput(
      "/usr/bin/python3 -c \"import dbfread,sys\n"
      "for r in dbfread.DBF(sys.argv[1], char_decode_errors='replace'):\n"
      "  print('|'.join([r['LINK_ID'], r['FROM'], r['SUBJECT'], str(r['RECDATE']), r['FILENAME'], r['MESSAGE_ID']+'.eml', str(r['CREATEON']), r['CREATEAT']]))\" '" +
      db + "PENDING.DBF'");
  std::vector<std::string> lines;
  for (size_t pos = 0, nl; (nl = out.find('\n', pos)) != std::string::npos; pos = nl + 1)
    lines.push_back(out.substr(pos, nl - pos));
  ASSERT_EQ(lines.size(), 4u) << out;
  std::multiset<std::string> seen;
  for (const std::string& l : lines) {
    // FILENAME and MESSAGE_ID name the same file, which is in Pending.
    std::vector<std::string> f;
    for (size_t pos = 0;;) {
      const size_t bar = l.find('|', pos);
      f.push_back(l.substr(pos, bar - pos));
      if (bar == std::string::npos) break;
      pos = bar + 1;
    }
    ASSERT_EQ(f.size(), 8u) << l;
    EXPECT_EQ(f[4], f[5]);
    EXPECT_TRUE(pending(f[0]).count(f[4])) << l;
    EXPECT_EQ(f[3], "2026-12-11");
    EXPECT_EQ(f[6], "2026-12-11");
    EXPECT_EQ(f[7], "10:20");
    seen.insert(f[0] + "|" + f[1] + "|" + f[2]);
  }
  EXPECT_EQ(seen, (std::multiset<std::string>{"ACCY|Ann Buyer <ann@example.com>|First order", "ACCY|bob@example.com|Second",
                                              "ACCN|Ann Buyer <ann@example.com>|First order", "ACCN|bob@example.com|Second"}));
}

TEST_F(MailboxTest, RowsOfFiledMessagesGoAtTheNextPoll) {
  const std::string user = newUser();
  pop->deliver(user, message("one"));
  addAccount({.id = "ACC1", .login = user, .freq = 1});
  addRule("ACC1", "Control Restriction", "A", "", "", "Y", "Y");
  runOnce();
  ASSERT_EQ(rows("PENDING.DBF").size(), 1u);
  // The processor files the message: the file leaves Pending.
  fs::remove(fs::path(messages) / "ACC1" / "Pending" / rows("PENDING.DBF")[0].at("FILENAME"));
  pop->deliver(user, message("two"));
  clock.advanceSeconds(60);
  runOnce();
  const auto left = rows("PENDING.DBF");
  ASSERT_EQ(left.size(), 1u);
  EXPECT_EQ(left[0].at("SUBJECT"), "two");
}

TEST_F(MailboxTest, LeftMessagesAreRetrievedOnceAcrossRuns) {
  const std::string user = newUser();
  pop->deliver(user, message("first"));
  pop->deliver(user, message("second"));
  addAccount({.id = "ACC1", .login = user, .nextDate = "", .freq = 1});
  addRule("ACC1", "Control Restriction", "A", "", "", "Y", "N");

  runOnce();
  ASSERT_EQ(pending("ACC1").size(), 2u);

  // The program itself, a separate run that only has the files to go by.
  // It runs on the real clock, so the account is made due by an empty date.
  pop->deliver(user, message("third"));
  makeDue("ACC1");
  ASSERT_EQ(runProgram(), 0) << logText();
  const auto files = pending("ACC1");
  ASSERT_EQ(files.size(), 3u) << logText();
  std::multiset<std::string> subjects;
  for (const auto& [name, content] : files) subjects.insert(content.substr(content.find("Subject: ") + 9, 5));
  EXPECT_EQ(subjects, (std::multiset<std::string>{"first", "secon", "third"}));
  EXPECT_EQ(pop->mailbox(user).size(), 3u);
  EXPECT_NE(logText().find("Account ACC1: 3 on the server, 1 retrieved, 0 deleted"), std::string::npos) << logText();

  // The restriction now says delete: the remembered messages are deleted
  // from the server without a second copy in Pending.
  setRuleAnswers("Control Restriction", "Y", "Y");
  makeDue("ACC1");
  runOnce();
  EXPECT_EQ(pending("ACC1").size(), 3u);
  EXPECT_TRUE(pop->mailbox(user).empty());
  EXPECT_NE(logText().find("Account ACC1: 3 on the server, 0 retrieved, 3 deleted"), std::string::npos) << logText();
}

}  // namespace
}  // namespace retrieve::testing
