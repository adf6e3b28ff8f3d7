// The real program: an agent file and an attachment made through the store, a
// message dropped into Pending, one "agentrun /SINGLEPASS", and the auto-reply
// arriving at a real SMTP server with its merge codes filled.
#include <sys/wait.h>

#include <cstdlib>

#include "../pass/pass_fixture.h"
#include "tests/support/smtp_server.h"

namespace agentrun::testing {
namespace {

int runAgentrun(const std::string& argument, const std::string& programDir) {
  const std::string bin = std::string(std::getenv("KARVIX_BIN_DIR")) + "/agentrun";
  const std::string cmd = "KARVIX_PROGRAM_DIR='" + programDir + "' QT_QPA_PLATFORM=offscreen '" + bin +
                          "' " + argument + " >/dev/null 2>&1";
  const int status = std::system(cmd.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(PassFixture, SinglePassAnswersAndFilesAndKeepsItsLog) {
  kxtest::SmtpServer smtp;
  addAccount("SALES01", "Acme Sales", "sales@acme.example", smtp.hostAndPort());
  const std::string tpl = root + "/templates/thanks.eml";
  writeWhole(tpl, "Subject: Thank you\r\nMIME-Version: 1.0\r\nContent-Type: text/plain; charset=utf-8\r\n\r\n"
                  "Dear <<REPLYHEADER~FROMNAME>>,\r\nyour mail <<REPLYHEADER~SUBJECT>> arrived.\r\n"
                  "<<SYSTEM~CURRENTNODE>>\r\n");
  writeAgent("Order answer", store::AgentFile{"MESSAGE", {{"Subject", "contains", "order"}},
                                              {{"AUTO-REPLY", tpl, ""}}});
  attach("SALES01", "Order answer", "20261211090000Order");
  writeWhole(program + "agentrun.log", "an older line\n");
  dropMessage("SALES01", "m1.eml", message("New order 4711"));

  ASSERT_EQ(runAgentrun("/SINGLEPASS", program), 0);

  const auto mail = smtp.received();
  ASSERT_EQ(mail.size(), 1u);
  EXPECT_EQ(mail[0].mailFrom, "sales@acme.example");
  EXPECT_EQ(mail[0].rcptTos, std::vector<std::string>{"sales@example.com"});
  EXPECT_EQ(mail[0].text, "Dear Sales Desk,\nyour mail New order 4711 arrived.\nAcme Sales\n");
  EXPECT_TRUE(fs::exists(filed("SALES01", "m1.eml")));
  EXPECT_FALSE(fs::exists(pending("SALES01", "m1.eml")));
  ASSERT_EQ(rows("ACTIONS.DBF").size(), 1u);

  // The log file keeps the lines of the pass above the older ones.
  const std::string log = readWhole(program + "agentrun.log");
  EXPECT_NE(log.find(" -- Running in single pass mode."), std::string::npos) << log;
  EXPECT_NE(log.find(" -- Processing message m1.eml"), std::string::npos) << log;
  EXPECT_LT(log.find("Processing message m1.eml"), log.find("an older line"));
}

TEST_F(PassFixture, SinglePassEndsWithAnErrorWhenStartUpFails) {
  writeWhole(ini, "[Folders]\nMessages=\n");
  EXPECT_EQ(runAgentrun("/singlepass", program), 1);
  EXPECT_NE(readWhole(program + "agentrun.log").find(" -- Error-Unable to create directory"), std::string::npos);
}

}  // namespace
}  // namespace agentrun::testing
