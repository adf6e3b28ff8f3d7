// Agent actions over a fixture store, with a real SMTP server on loopback:
// what the server received, the action rows and the log.
#include <chrono>
#include <thread>

#include "pass_fixture.h"
#include "platform/system/hook_recorder.h"
#include "tests/support/smtp_server.h"

namespace agentrun::testing {
namespace {

using Lines = std::vector<std::string>;

class ActionsFixture : public PassFixture {
 protected:
  // One account served by `smtp`, one agent whose trigger holds for every
  // message with "order" in its subject, and one pending message.
  void setUpAgent(const std::vector<store::Action>& actions, const std::string& smtpServer,
                  const std::string& messageText = message("New ORDER 12")) {
    addAccount("ACME1", "Acme Support", "support@acme.example", smtpServer);
    writeAgent("Agent", store::AgentFile{"MESSAGE", {{"Subject", "contains", "order"}}, actions});
    attach("ACME1", "Agent", "20261211000001Agent");
    dropMessage("ACME1", "a.eml", messageText);
  }
  Lines actionTexts() {
    Lines out;
    for (const auto& r : rows("ACTIONS.DBF")) out.push_back(r.at("ACTION"));
    return out;
  }
  bool logHas(const std::string& text) {
    const Lines log = logTexts();
    return std::find(log.begin(), log.end(), text) != log.end();
  }
  std::string templatePath(const std::string& body, const std::string& headers = "Subject: Thanks\r\n") {
    const std::string path = root + "/templates/reply.eml";
    writeWhole(path, headers + "MIME-Version: 1.0\r\nContent-Type: text/plain; charset=utf-8\r\n\r\n" + body);
    return path;
  }
  std::unique_ptr<sys::HookRecorder> hooks = std::make_unique<sys::HookRecorder>();
};

TEST_F(ActionsFixture, AutoReplyGoesToTheSenderWithItsMergeCodesFilled) {
  kxtest::SmtpServer smtp;
  const std::string tpl = templatePath("Dear <<REPLYHEADER~FROMNAME>>,\r\nWe got: <<REPLYHEADER~SUBJECT>>\r\n"
                                       "-- <<SYSTEM~CURRENTNODE>>\r\n");
  setUpAgent({{"AUTO-REPLY", tpl, ""}}, smtp.hostAndPort());
  start().AgentsMain();

  const auto mail = smtp.received();
  ASSERT_EQ(mail.size(), 1u);
  EXPECT_EQ(mail[0].mailFrom, "support@acme.example");
  EXPECT_EQ(mail[0].rcptTos, Lines{"sales@example.com"});
  EXPECT_EQ(mail[0].header("X-KarvixAuto-Reply"), "True");
  EXPECT_EQ(mail[0].header("Auto-Submitted"), "auto-replied");
  EXPECT_EQ(mail[0].subject, "Thanks");
  EXPECT_NE(mail[0].header("To").find("Sales Desk"), std::string::npos);
  EXPECT_EQ(mail[0].text, "Dear Sales Desk,\nWe got: New ORDER 12\n-- Acme Support\n");
  EXPECT_EQ(actionTexts(), Lines{"AutoReply Generated, SUBJECT: Thanks"});
  EXPECT_TRUE(logHas("Agent Auto-Replying with Thanks"));
  EXPECT_TRUE(logHas("the newline reads  Dear Sales Desk,"));
}

TEST_F(ActionsFixture, AToLineWithAReplyFieldChoosesTheRecipient) {
  kxtest::SmtpServer smtp;
  const std::string tpl = templatePath("Hello\r\n", "Subject: Thanks\r\nTo: <<REPLYFIELD~Email>>\r\n");
  setUpAgent({{"AUTO-REPLY", tpl, ""}}, smtp.hostAndPort(),
             "From: a@example.com\r\nSubject: order form\r\n\r\nName=Jo\r\nEmail= jo@example.org\r\n");
  start().AgentsMain();
  const auto mail = smtp.received();
  ASSERT_EQ(mail.size(), 1u);
  EXPECT_EQ(mail[0].rcptTos, Lines{"jo@example.org"});
}

TEST_F(ActionsFixture, AutomaticMessagesGetNoAutoReply) {
  kxtest::SmtpServer smtp;
  const std::string tpl = templatePath("Hello\r\n");
  setUpAgent({{"AUTO-REPLY", tpl, ""}, {"RUN AN KARVIXSCRIPT", "after.kxs", ""}}, smtp.hostAndPort(),
             message("order", "Fri, 7 Aug 98 14:03:00 -0700", "Auto-Submitted: auto-replied\r\n"));
  start().AgentsMain();
  EXPECT_TRUE(smtp.received().empty());
  EXPECT_EQ(actionTexts(), Lines{"Ran karvix-Script: after.kxs"});
  EXPECT_TRUE(logHas("Agent Auto-Reply skipped: the message is itself an automatic reply -- order"));
}

TEST_F(ActionsFixture, AMissingTemplateEndsTheActionList) {
  addAccount("ACME1");
  writeAgent("First", store::AgentFile{"MESSAGE", {{"Subject", "contains", "order"}},
                                       {{"AUTO-REPLY", "/nowhere/reply.eml", ""},
                                        {"REMOVE FROM FURTHER AGENT PROCESSING", "", ""},
                                        {"RUN AN KARVIXSCRIPT", "first.kxs", ""}}});
  writeAgent("Second", store::AgentFile{"MESSAGE", {{"Subject", "contains", "order"}},
                                        {{"RUN AN KARVIXSCRIPT", "second.kxs", ""}}});
  attach("ACME1", "First", "K1");
  attach("ACME1", "Second", "K2");
  dropMessage("ACME1", "a.eml", message("order"));
  start().AgentsMain();
  EXPECT_EQ(actionTexts(), Lines{"Ran karvix-Script: second.kxs"});
  EXPECT_TRUE(logHas("Unable to load outgoing mail message for auto-reply -- /nowhere/reply.eml"));
  EXPECT_EQ(hooks->events, Lines{"beep"});
}

TEST_F(ActionsFixture, TwoForwardsAndARedirectCarryEachOthersLines) {
  kxtest::SmtpServer smtp;
  setUpAgent({{"FORWARD TO", "boss@example.com", "Please look"},
              {"FORWARD TO", "deputy@example.com", ""},
              {"REDIRECT TO", "archive@example.com", ""}},
             smtp.hostAndPort());
  start().AgentsMain();
  const auto mail = smtp.received();
  ASSERT_EQ(mail.size(), 3u);
  const std::string hyphens(50, '-');

  EXPECT_EQ(mail[0].mailFrom, "support@acme.example");
  EXPECT_EQ(mail[0].rcptTos, Lines{"boss@example.com"});
  EXPECT_EQ(mail[0].header("X-KarvixForward"), "True");
  EXPECT_EQ(mail[0].text, "Forwarded Message:  Originally from: Sales Desk sales@example.com\n" + hyphens +
                              "\nPlease look\nHello world\nSecond line\n");

  // The second forward sends the changed message: its sender is the account already.
  EXPECT_EQ(mail[1].rcptTos, Lines{"deputy@example.com"});
  EXPECT_EQ(mail[1].text, "Forwarded Message:  Originally from: Acme Support support@acme.example\n" +
                              hyphens + "\n" + mail[0].text);

  EXPECT_EQ(mail[2].rcptTos, Lines{"archive@example.com"});
  EXPECT_EQ(mail[2].header("X-KarvixRedirect"), "True");
  EXPECT_EQ(mail[2].text, "Processed by Karvix Account: Acme Support\nOriginally To: support@acme.example\n"
                          "Message Redirected To: archive@example.com\n" +
                              hyphens + "\n" + mail[1].text);

  EXPECT_EQ(actionTexts(), (Lines{"Message Forwarded to: boss@example.com",
                                  "Message Forwarded to: deputy@example.com",
                                  "Message Redirected to: archive@example.com"}));
  EXPECT_TRUE(logHas("Agent Forwarding New ORDER 12"));
  EXPECT_TRUE(logHas("Agent redirecting New ORDER 12"));
  // The filed copy is the pending file, unchanged.
  EXPECT_EQ(readWhole(filed("ACME1", "a.eml")), message("New ORDER 12"));
}

TEST_F(ActionsFixture, SendFailuresAreLoggedAndTheNextActionRuns) {
  kxtest::SmtpServer smtp({.refuse = {"nobody@example.com"}});
  setUpAgent({{"FORWARD TO", "nobody@example.com", ""}, {"RUN AN KARVIXSCRIPT", "next.kxs", ""}},
             smtp.hostAndPort());
  start().AgentsMain();
  EXPECT_TRUE(smtp.received().empty());
  EXPECT_EQ(actionTexts(), (Lines{"Message Forwarded to: nobody@example.com", "Ran karvix-Script: next.kxs"}));
  const Lines log = logTexts();
  const auto err = std::find_if(log.begin(), log.end(), [](const std::string& l) {
    return l.rfind("ERROR -- Could not send outgoing mail ", 0) == 0;
  });
  ASSERT_NE(err, log.end());
  EXPECT_NE(err->find("nobody@example.com"), std::string::npos) << *err;
  EXPECT_NE(err->find(" Subject: New ORDER 12"), std::string::npos) << *err;
}

TEST_F(ActionsFixture, ADeadServerIsLoggedAndTheNextActionRuns) {
  setUpAgent({{"REDIRECT TO", "x@example.com", ""}, {"PLAY SOUND", "/sounds/ding.wav", ""}}, "127.0.0.1:1");
  start().AgentsMain();
  EXPECT_EQ(actionTexts(), (Lines{"Message Redirected to: x@example.com", "Played Sound: /sounds/ding.wav"}));
  EXPECT_EQ(hooks->events, Lines{"sound /sounds/ding.wav"});
  const Lines log = logTexts();
  EXPECT_TRUE(std::any_of(log.begin(), log.end(), [](const std::string& l) {
    return l.rfind("ERROR -- Could not send outgoing mail ", 0) == 0 &&
           l.find(" Subject: New ORDER 12") != std::string::npos;
  }));
}

TEST_F(ActionsFixture, DelaysAreBoundedAndABadNumberEndsTheList) {
  std::vector<int> waits;
  setUpAgent({{"DELAY THE AGENT", "0", ""},
              {"DELAY THE AGENT", "-5", ""},
              {"DELAY THE AGENT", "2", ""},
              {"DELAY THE AGENT", "99999999", ""},
              {"DELAY THE AGENT", "soon", ""},
              {"RUN AN KARVIXSCRIPT", "never.kxs", ""}},
             "127.0.0.1:1");
  Processor& p = start();
  p.waitSeconds = [&](int s) { waits.push_back(s); };
  p.AgentsMain();
  EXPECT_EQ(waits, (std::vector<int>{2, Processor::kLongestDelay}));
  EXPECT_EQ(actionTexts(), (Lines{"Agent Delayed for 0 seconds", "Agent Delayed for -5 seconds",
                                  "Agent Delayed for 2 seconds", "Agent Delayed for 99999999 seconds",
                                  "FAILED to Delay for soon seconds"}));
}

TEST_F(ActionsFixture, CloseIsRecordedAndTheRestOfTheListStillRuns) {
  setUpAgent({{"CLOSE KARVIX", "", ""}, {"PRINT", "", ""}, {"RESTART THE COMPUTER", "", ""},
              {"RUN AN KARVIXSCRIPT", "after.kxs", ""}},
             "127.0.0.1:1");
  Processor& p = start();
  p.AgentsMain();
  EXPECT_TRUE(p.closeRequested());
  EXPECT_EQ(actionTexts(), (Lines{"Close Karvix", "Ran karvix-Script: after.kxs"}));
  EXPECT_TRUE(fs::exists(filed("ACME1", "a.eml")));  // the pass ran to its end
}

TEST_F(ActionsFixture, LaunchStartsTheProgramWithoutAShellAndASafeFileName) {
  // A message id with characters that could leave the folder or reach a shell.
  setUpAgent({{"LAUNCH PROGRAM", "/usr/bin/handler --mode \"two words\" ;rm", ""}}, "127.0.0.1:1",
             "Message-ID: <../../x|y?z:\"w\"/$(id)@example.com>\r\nSubject: order\r\n\r\nbody\r\n");
  start().AgentsMain();
  ASSERT_EQ(hooks->starts.size(), 1u);
  const std::string file = program + "temp/-..-..-x-y-z--w----id-@example.com-.eml";
  EXPECT_EQ(hooks->starts[0].program, "/usr/bin/handler");
  EXPECT_EQ(hooks->starts[0].args, (Lines{"--mode", "two words", ";rm", file}));
  EXPECT_NE(readWhole(file).find("body"), std::string::npos);
  EXPECT_EQ(actionTexts(), Lines{"Launched Program /usr/bin/handler --mode \"two words\" ;rm " + file});
}

TEST_F(ActionsFixture, ALaunchedScriptGetsTheSavedMessage) {
  const std::string out = root + "/args.txt";
  const std::string script = root + "/handler.sh";
  writeWhole(script, "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > " + out + ".tmp\n" +
                         "for a; do last=$a; done\ncat \"$last\" >> " + out + ".tmp\nmv " + out + ".tmp " + out + "\n");
  fs::permissions(script, fs::perms::owner_all);
  setUpAgent({{"FORWARD TO", "x@example.com", "Changed first"},
              {"LAUNCH PROGRAM", script + " $(touch " + root + "/pwned)", ""}},
             "127.0.0.1:1");
  hooks.reset();  // this test starts the real program
  start().AgentsMain();
  // The program runs on its own; wait for what it wrote (bounded).
  for (int i = 0; i < 200 && !fs::exists(out); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(25));
  const std::string written = readWhole(out);
  const std::string file = program + "temp/-abc.123@example.com-.eml";
  const std::string args = "$(touch\n" + root + "/pwned)\n" + file + "\n";
  EXPECT_EQ(written.substr(0, args.size()), args);
  EXPECT_NE(written.find("Changed first"), std::string::npos);  // the message as the forward changed it
  EXPECT_FALSE(fs::exists(root + "/pwned"));
}

}  // namespace
}  // namespace agentrun::testing
