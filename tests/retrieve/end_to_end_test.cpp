// The whole road with the real programs: a message in the POP3 mailbox,
// "karvix-retrieve --once" puts it into Pending, "agentrun /SINGLEPASS" runs
// the attached agent over it, and its auto-reply arrives at a real SMTP server.
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>

#include "platform/xbase/cursor.h"
#include "tests/retrieve/retrieve_fixture.h"
#include "tests/support/smtp_server.h"

namespace retrieve::testing {
namespace {

using EndToEndTest = RetrieveFixture;

int run(const std::string& env, const std::string& program, const std::string& argument) {
  const std::string cmd = env + " '" + std::getenv("KARVIX_BIN_DIR") + "/" + program + "' " + argument +
                          " >/dev/null 2>&1";
  const int status = std::system(cmd.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(EndToEndTest, MailboxToPendingToAutoReply) {
  kxtest::SmtpServer smtp;
  const std::string user = newUser();
  pop->deliver(user, message("New order 4711", "Sales Desk <buyer@example.com>"));

  const std::string agents = root.path() + "/agents/";
  const std::string profile = root.path() + "/profile";
  fs::create_directories(agents);
  fs::create_directories(profile);
  std::ofstream(profile + "/karvix.ini")
      << "[Folders]\nMessages=" << messages << "\nAgents=" << agents << "\nDataBase=" << db << "\n";
  const std::string tpl = root.file("thanks.eml");
  kxtest::writeFileBytes(tpl, "Subject: Thank you\r\nMIME-Version: 1.0\r\nContent-Type: text/plain; charset=utf-8\r\n\r\n"
                              "Dear <<REPLYHEADER~FROMNAME>>,\r\nyour mail <<REPLYHEADER~SUBJECT>> arrived.\r\n");
  // The agent file as the Configuration Manager writes it.
  kxtest::writeFileBytes(agents + "Order answer.agent",
                         "[MAIN]\nAgentType=MESSAGE\nAppVersion=.9999\nTriggerCount=1\nActionCount=1\n"
                         "[HEADER]\nEntry1=Subject\n[CONDITION]\nEntry1=contains\n[VALUE]\nEntry1=order\n"
                         "[ACTIONPARAM1]\nEntry1=AUTO-REPLY\n[ACTIONPARAM2]\nEntry1=" + tpl +
                             "\n[ACTIONPARAM3]\nEntry1=\n");
  {
    auto nodes = xbase::Cursor::open(db, "NODES.DBF");
    nodes->insert();
    nodes->setString("UNIQUE_ID", "SALES01");
    nodes->setString("NODE", "Acme Sales");
    nodes->setString("ADDRESS", "sales@acme.example");
    nodes->setString("SMTPADDRES", smtp.hostAndPort());
    nodes->setString("POPADDRESS", pop->address());
    nodes->setString("LOGIN", user);
    nodes->setString("PASSWORD", "secret");
    nodes->setInt("FREQVAL", 15);
    nodes->post();
    auto attached = xbase::Cursor::open(db, "Agents.dbf");
    attached->insert();
    attached->setString("UNIQUE_ID", "20261211090000Order");
    attached->setString("LINK_ID", "SALES01");
    attached->setString("AGENT", "Order answer");
    attached->post();
  }
  addRule("SALES01", "Control Restriction", "A", "", "", "Y", "Y");

  const std::string env = "KARVIX_PROFILE_DIR='" + profile + "' KARVIX_PROGRAM_DIR='" + program +
                          "' QT_QPA_PLATFORM=offscreen";
  ASSERT_EQ(run(env, "karvix-retrieve", "--once"), 0) << logText();
  EXPECT_TRUE(pop->mailbox(user).empty());
  ASSERT_EQ(pending("SALES01").size(), 1u) << logText();
  const std::string file = pending("SALES01").begin()->first;
  EXPECT_NE(logText().find("Account SALES01: retrieved message 1"), std::string::npos) << logText();

  ASSERT_EQ(run(env, "agentrun", "/SINGLEPASS"), 0);
  const auto mail = smtp.received();
  ASSERT_EQ(mail.size(), 1u);
  EXPECT_EQ(mail[0].mailFrom, "sales@acme.example");
  EXPECT_EQ(mail[0].rcptTos, std::vector<std::string>{"buyer@example.com"});
  EXPECT_EQ(mail[0].subject, "Thank you");
  EXPECT_EQ(mail[0].text, "Dear Sales Desk,\nyour mail New order 4711 arrived.\n");
  EXPECT_TRUE(pending("SALES01").empty());
  EXPECT_TRUE(fs::exists(fs::path(messages) / "SALES01" / "In" / file));
}

}  // namespace
}  // namespace retrieve::testing
