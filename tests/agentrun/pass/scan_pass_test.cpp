// The scan pass over a fixture store: what a user sees in the received
// table, the In and Pending folders and the log.
#include "pass_fixture.h"

namespace agentrun::testing {
namespace {

using Lines = std::vector<std::string>;

TEST_F(PassFixture, FilesEveryPendingMessageOfEveryAccount) {
  addAccount("ACME1");
  addAccount("ACME2");  // no Pending folder at all
  addAccount("ACME3");
  fs::create_directories(pending("ACME3", "").parent_path());  // an empty Pending folder
  const std::string longSubject(100, 's');
  const std::string a = message("Order 66");
  dropMessage("ACME1", "a.eml", a);
  dropMessage("ACME1", "not-a-message.txt", "ignored");

  Processor& p = start();
  ASSERT_TRUE(p.running());
  p.AgentsMain();

  EXPECT_EQ(logTexts(), (Lines{"Service Started", "Processing message a.eml",
                               " Successfully copied " + messages + "ACME1/Pending/ to " + messages +
                                   "ACME1/In/a.eml in received items folder"}));
  EXPECT_EQ(readWhole(filed("ACME1", "a.eml")), a);
  EXPECT_FALSE(fs::exists(pending("ACME1", "a.eml")));
  EXPECT_TRUE(fs::exists(pending("ACME1", "not-a-message.txt")));

  const auto received = rows("received.dbf");
  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(received[0].at("MESSAGE_ID"), "19980807140300Order");
  EXPECT_EQ(received[0].at("LINK_ID"), "ACME1");
  EXPECT_EQ(received[0].at("SUBJECT"), "Order 66");
  EXPECT_EQ(received[0].at("FROM"), "Sales Desk <sales@example.com>");
  EXPECT_EQ(received[0].at("FILENAME"), "a.eml");
  auto c = xbase::Cursor::open(db, "received.dbf");
  c->first();
  const auto d = c->getDate("RECDATE");
  EXPECT_EQ(d.year * 10000 + d.month * 100 + d.day, 19980807);
  EXPECT_EQ(p.scanPassesText(), "1 Total Scan Passes");
}

TEST_F(PassFixture, ReceivedColumnsAreCutAndKeysComeFromTheDateHeader) {
  addAccount("ACME1");
  const std::string name = std::string(35, 'n') + ".eml";
  dropMessage("ACME1", name, message(std::string(90, 'S'), "", ""));
  dropMessage("ACME1", "b.eml", message("Hi", "Tue, 3 Mar 2026 09:08:07 +0100"));
  dropMessage("ACME1", "c.eml", message("", "garbage"));
  start().AgentsMain();

  std::map<std::string, std::map<std::string, std::string>> byFile;
  for (const auto& r : rows("received.dbf")) byFile[r.at("FILENAME")] = r;
  ASSERT_EQ(byFile.size(), 3u);
  const auto& cut = byFile.at(name.substr(0, 30));
  EXPECT_EQ(cut.at("SUBJECT"), std::string(80, 'S'));
  EXPECT_EQ(cut.at("MESSAGE_ID"), "18991230000000SSSSS");  // no readable Date: the zero date-time
  EXPECT_EQ(byFile.at("b.eml").at("MESSAGE_ID"), "20260303090807Hi");
  EXPECT_EQ(byFile.at("c.eml").at("MESSAGE_ID"), "18991230000000");
  EXPECT_TRUE(fs::exists(filed("ACME1", name)));  // the file keeps its whole name
}

TEST_F(PassFixture, TwoMessagesWithOneKeyGetTwoRowsAndTheUniqueTagReachesTheFirst) {
  addAccount("ACME1");
  dropMessage("ACME1", "a.eml", message("Order 1"));
  dropMessage("ACME1", "b.eml", message("Order 2"));
  start().AgentsMain();
  EXPECT_EQ(rows("received.dbf").size(), 2u);
  auto c = xbase::Cursor::open(db, "received.dbf");
  c->setOrder("MESSAGE_ID");
  ASSERT_TRUE(c->seek("19980807140300Order"));
  const uint32_t first = c->recno();
  c->next();
  EXPECT_TRUE(c->eof());
  EXPECT_EQ(first, 1u);
}

TEST_F(PassFixture, AnEmptyAccountKeyEndsTheWalk) {
  addAccount("ACME1");
  addAccount("");
  addAccount("ACME3");
  dropMessage("ACME1", "a.eml", message("One"));
  dropMessage("ACME3", "c.eml", message("Three"));
  start().AgentsMain();
  EXPECT_TRUE(fs::exists(filed("ACME1", "a.eml")));
  EXPECT_TRUE(fs::exists(pending("ACME3", "c.eml")));
  EXPECT_EQ(processor->scanPasses(), 1);
}

TEST_F(PassFixture, AgentsRunInAttachmentOrderAndRemoveStopsTheLaterOnes) {
  addAccount("ACME1");
  store::AgentFile stopper{"MESSAGE", {{"Subject", "contains", "order"}},
                           {{"REMOVE FROM FURTHER AGENT PROCESSING", "", ""},
                            {"RUN AN KARVIXSCRIPT", "/scripts/one.kxs", ""}}};
  store::AgentFile later{"MESSAGE", {{"Subject", "contains", "order"}},
                         {{"RUN AN KARVIXSCRIPT", "/scripts/two.kxs", ""}}};
  writeAgent("Stopper", stopper);
  writeAgent("Later", later);
  writeAgent("Timer", store::AgentFile{"INTERVAL", {}, {}});
  writeAgent("Function", store::AgentFile{"function", {}, {}});
  writeAgent("Typeless", store::AgentFile{"", {}, {}});
  attach("ACME1", "Timer", "20261211000001Timer");
  attach("ACME1", "Function", "20261211000002Functi");
  attach("ACME1", "Missing", "20261211000003Missin");
  attach("ACME1", "Typeless", "20261211000004Typele");
  attach("ACME1", "Stopper", "20261211000005Stoppe");
  attach("ACME1", "Later", "20261211000006Later");
  dropMessage("ACME1", "a.eml", message("New ORDER 12"));

  start().AgentsMain();
  const Lines log = logTexts();
  const Lines expected{"Service Started",
                       "Processing message a.eml",
                       " - Processing Agent Timer",
                       "INTERVAL AGENT PROCESS ACTIVATED Not implemented!",
                       " - Processing Agent Function",
                       "FUNCTION AGENT PROCESS ACTIVATED Not implemented",
                       " - Processing Agent Missing",
                       " - Processing Agent Typeless",
                       " - Processing Agent Stopper",
                       " - Processing Agent Later",
                       " Successfully copied " + messages + "ACME1/Pending/ to " + messages +
                           "ACME1/In/a.eml in received items folder"};
  EXPECT_EQ(log, expected);

  const auto actions = rows("ACTIONS.DBF");
  ASSERT_EQ(actions.size(), 1u);  // the stopper's own later action still runs; "Later" does not
  EXPECT_EQ(actions[0].at("ACTION"), "Ran karvix-Script: /scripts/one.kxs");
  EXPECT_EQ(actions[0].at("UNIQUE_ID"), "20261211102030Ran ka");
  EXPECT_EQ(actions[0].at("MESSAGE_ID"), "<abc.123@example.com>");
  EXPECT_EQ(actions[0].at("NODE_ID"), "ACME1");
  EXPECT_EQ(actions[0].at("AGENT_ID"), "20261211000005Stoppe");
  EXPECT_EQ(actions[0].at("CREATEAT"), "10:20");
  EXPECT_EQ(actions[0].at("CREATEON"), "20261211");
}

TEST_F(PassFixture, AFailedCopyKeepsThePendingFileAndDoesNotFileItAgain) {
  addAccount("ACME1");
  dropMessage("ACME1", "a.eml", message("Order"));
  fs::create_directories(filed("ACME1", "a.eml"));  // a folder where the copy should go
  Processor& p = start();
  p.AgentsMain();
  p.AgentsMain();
  EXPECT_TRUE(fs::exists(pending("ACME1", "a.eml")));
  EXPECT_EQ(rows("received.dbf").size(), 1u);
  const Lines log = logTexts();
  EXPECT_EQ(std::count(log.begin(), log.end(), "Processing message a.eml"), 1);
  EXPECT_NE(std::find(log.begin(), log.end(),
                      " - FAILED to copy " + messages + "ACME1/Pending/a.eml to " + messages +
                          "ACME1/In/a.eml in received items folder"),
            log.end());
  // Once the file changes, a later pass tries it again.
  fs::remove_all(filed("ACME1", "a.eml"));
  dropMessage("ACME1", "a.eml", message("Order again"));
  p.AgentsMain();
  EXPECT_FALSE(fs::exists(pending("ACME1", "a.eml")));
}

TEST_F(PassFixture, AnExistingInCopyIsReplaced) {
  addAccount("ACME1");
  writeWhole(filed("ACME1", "a.eml"), "old");
  const std::string fresh = message("Fresh");
  dropMessage("ACME1", "a.eml", fresh);
  start().AgentsMain();
  EXPECT_EQ(readWhole(filed("ACME1", "a.eml")), fresh);
}

TEST_F(PassFixture, DebugLinesOnlyInDebugMode) {
  addAccount("ACME1");
  start().AgentsMain();
  for (const auto& l : logTexts()) EXPECT_EQ(l.find("MARK"), std::string::npos) << l;
  processor.reset();
  start("/debug").AgentsMain();
  const Lines log = logTexts();
  const Lines marks{"DEBUGMESSAGE -- MARK1", "DEBUGMESSAGE -- MARK2", "DEBUGMESSAGE -- MARK3"};
  auto it = std::search(log.begin(), log.end(), marks.begin(), marks.end());
  EXPECT_NE(it, log.end());
  EXPECT_NE(std::find(log.begin(), log.end(), "Running in debug mode."), log.end());
}

TEST_F(PassFixture, TheSwitchWritesAutoEnabledAndStartWhileOnSwitchesOff) {
  Processor& p = start();
  ASSERT_TRUE(p.running());
  EXPECT_EQ(p.onOffText(), "Agent Processor On");
  p.Button1Click();  // "Start" chosen while on does the same
  EXPECT_FALSE(p.running());
  EXPECT_EQ(p.onOffText(), "Agent Processor Off");
  EXPECT_EQ(profile::readString(ini, "AgentSettings", "AutoEnabled", ""), "0");
  p.TimerAgentsTimer();
  EXPECT_EQ(p.scanPasses(), 0);  // ticks do nothing while off
  p.Button1Click();
  EXPECT_EQ(profile::readString(ini, "AgentSettings", "AutoEnabled", ""), "1");
  EXPECT_EQ(logTexts().back(), "Service Started");
  const Lines log = logTexts();
  EXPECT_NE(std::find(log.begin(), log.end(), "Service Terminated by user"), log.end());

  processor.reset();
  profile::writeString(ini, "AgentSettings", "AutoEnabled", "0");
  EXPECT_FALSE(start().running());
}

TEST_F(PassFixture, AnEmptyMessagesFolderStopsStartUp) {
  writeWhole(ini, "[Folders]\nMessages=\nAgents=" + agents + "\nDataBase=" + db + "\n");
  Processor& p = start();
  EXPECT_FALSE(p.DM.isOpen());
  ASSERT_FALSE(p.log().lines().empty());
  EXPECT_NE(p.log().line(0).find(" -- Error-Unable to create directory"), std::string::npos);
  p.TimerAgentsTimer();  // every pass then ends with an error, and still counts
  EXPECT_EQ(p.scanPasses(), 1);
  EXPECT_NE(p.log().line(0).find(" -- Error-"), std::string::npos);
}

TEST_F(PassFixture, TheLogFileIsLoadedAtStartAndSavedAtExit) {
  writeWhole(program + "agentrun.log", "older line 2\nolder line 1\n");
  Processor& p = start();
  ASSERT_EQ(p.log().size(), 3u);  // this start-up's line above the file's
  EXPECT_EQ(logTexts(), (Lines{"older line 1", "older line 2", "Service Started"}));
  p.SendtoLog("newest", 0);
  p.shutDown();
  const std::string saved = readWhole(program + "agentrun.log");
  EXPECT_EQ(saved, "12/11/2026 10:20:30 AM -- newest\n12/11/2026 10:20:30 AM -- Service Started\n"
                   "older line 2\nolder line 1\n");
}

}  // namespace
}  // namespace agentrun::testing
