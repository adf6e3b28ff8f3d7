// The trial run of a message agent against a real single pass over the same
// store: for each agent and message of a table, the trial run's verdicts,
// mails (to a real SMTP server), action rows, log lines, waits, sounds,
// starts and close request are what the real pass then does; and the trial
// run itself changes no file of the store and sends nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sys/stat.h>

#include "agentrun/dry_run.h"
#include "agentrun/dry_run_text.h"
#include "platform/system/error.h"
#include "platform/system/hook_recorder.h"
#include "tests/agentrun/pass/pass_fixture.h"
#include "tests/support/smtp_server.h"

namespace agentrun::testing {
namespace {

using Lines = std::vector<std::string>;

// Every file and folder under `dir`: its name, size, modification time and bytes.
std::map<std::string, std::string> snapshot(const std::string& dir) {
  std::map<std::string, std::string> out;
  for (const auto& e : fs::recursive_directory_iterator(dir)) {
    struct stat st {};
    ::stat(e.path().c_str(), &st);
    std::string v = std::to_string(st.st_size) + " " + std::to_string(st.st_mtim.tv_sec) + "." +
                    std::to_string(st.st_mtim.tv_nsec);
    if (e.is_regular_file()) v += "\n" + readWhole(e.path());
    out[fs::relative(e.path(), dir).string()] = v;
  }
  return out;
}

std::string crlf(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\n' && (i == 0 || s[i - 1] != '\r')) out += '\r';
    out += s[i];
  }
  if (out.size() < 2 || out.compare(out.size() - 2, 2, "\r\n") != 0) out += "\r\n";
  return out;
}

struct AgentCase {
  const char* name;
  std::vector<store::Trigger> triggers;
  std::vector<store::Action> actions;  // "TPL" as a parameter stands for the template's path
  std::string message;                 // empty: the fixture's message "New ORDER 12"
  std::string templateText;            // header lines, blank line, body
};

const std::string kTemplate =
    "Subject: Thanks\r\nMIME-Version: 1.0\r\nContent-Type: text/plain; charset=utf-8\r\n\r\n"
    "Dear <<REPLYHEADER~FROMNAME>>,\r\nWe got: <<REPLYHEADER~SUBJECT>>\r\n"
    "On <<SYSTEM~FORMATDATETIME(yyyy-mm-dd hh:nn)>> at <<SYSTEM~CURRENTNODEADDRESS>>\r\n"
    "Your number: <<REPLYFIELD~Number>>\r\n<<NOSUCH~X>>\r\n-- <<SYSTEM~CURRENTNODE>>\r\n";
const std::string kFieldTemplate =
    "To: <<REPLYFIELD~Email>>\r\nSubject: Re <<REPLYHEADER~SUBJECT>>\r\nMIME-Version: 1.0\r\n"
    "Content-Type: text/plain; charset=utf-8\r\n\r\nHello <<REPLYFIELD~Name>>\r\n";
const std::string kFormMessage =
    "From: Web Form <form@example.net>\r\nTo: support@acme.example\r\nSubject: order form\r\n"
    "Message-ID: <form.1@example.net>\r\n\r\nName=Jo Smith\r\nemail= old@example.org\r\nEmail= jo@example.org\r\n";

const AgentCase kCases[] = {
    {"AutoReplyMerged", {{"Subject", "contains", "order"}}, {{"AUTO-REPLY", "TPL", ""}}, "", kTemplate},
    {"ReplyFieldChoosesRecipient",
     {{"<Body>", "contains", "email="}},
     {{"AUTO-REPLY", "TPL", ""}},
     kFormMessage,
     kFieldTemplate},
    {"TriggersDoNotHold",
     {{"Subject", "contains", "order"}, {"From", "begins with", "nobody"}},
     {{"AUTO-REPLY", "TPL", ""}, {"REMOVE FROM FURTHER AGENT PROCESSING", "", ""}},
     "",
     kTemplate},
    {"UnknownConditionsGiveNoVerdict",
     {{"Subject", "", "order"}, {"Subject", "is", "order"}},
     {{"RUN AN KARVIXSCRIPT", "never.kxs", ""}},
     "",
     ""},
    {"NoTriggers", {}, {{"RUN AN KARVIXSCRIPT", "never.kxs", ""}}, "", ""},
    {"UnevenCaseRules",
     {{"Subject", "contains", "order"},
      {"Subject:x", "doesn't contain", "order"},
      {"ANYHEADER", "begins with", "Message-ID:"},
      {"<Body>", "begins with", "HELLO"},
      {"<Body>", "doesn't contain", "third"}},
     {{"FORWARD TO", "boss@example.com", "Please look"},
      {"REDIRECT TO", "archive@example.com", ""},
      {"REMOVE FROM FURTHER AGENT PROCESSING", "", ""},
      {"FORWARD TO", "deputy@example.com", ""}},
     "",
     ""},
    {"DialogTextsAreHeaderNames",
     {{"Reply To", "doesn't contain", "x"}, {"<Any Header>", "begins with", ""}},
     {{"REDIRECT TO", "archive@example.com", "FYI"}},
     "",
     ""},
    {"MissingTemplateEndsTheList",
     {{"Subject", "contains", "order"}},
     {{"AUTO-REPLY", "/nowhere/reply.eml", ""},
      {"REMOVE FROM FURTHER AGENT PROCESSING", "", ""},
      {"RUN AN KARVIXSCRIPT", "first.kxs", ""}},
     "",
     ""},
    {"AutomaticMessageGetsNoReply",
     {{"Subject", "contains", "order"}},
     {{"AUTO-REPLY", "TPL", ""}, {"RUN AN KARVIXSCRIPT", "after.kxs", ""}},
     "From: robot@example.com\r\nSubject: order noted\r\nAuto-Submitted: auto-replied\r\n\r\nok\r\n",
     kTemplate},
    {"DelaySoundLaunchClose",
     {{"Subject", "begins with", "new"}},
     {{"DELAY THE AGENT", "5", ""},
      {"DELAY THE AGENT", "0", ""},
      {"DELAY THE AGENT", "99999", ""},
      {"PLAY SOUND", "/sounds/ding.wav", ""},
      {"FORWARD TO", "boss@example.com", ""},
      {"LAUNCH PROGRAM", "/usr/bin/handler --mode \"two words\"", ""},
      {"LAUNCH PROGRAM", std::string(300, 'x'), ""},
      {"CLOSE KARVIX", "", ""},
      {"PRINT", "", ""},
      {"DELAY THE AGENT", "soon", ""},
      {"RUN AN KARVIXSCRIPT", "never.kxs", ""}},
     "",
     ""},
};

class DryRunAgrees : public PassFixture, public ::testing::WithParamInterface<AgentCase> {
 protected:
  static constexpr const char* kFirstKey = "20261211000001First";
  static constexpr const char* kLaterKey = "20261211000002Later";

  void setUpStore(const AgentCase& c, const std::string& smtpServer) {
    addAccount("ACME1", "Acme Support", "support@acme.example", smtpServer);
    const std::string tpl = root + "/templates/reply.eml";
    if (!c.templateText.empty()) writeWhole(tpl, c.templateText);
    agent = store::AgentFile{"MESSAGE", c.triggers, c.actions};
    for (auto& a : agent.actions)
      if (a.param == "TPL") a.param = tpl;
    writeAgent("First", agent);
    // A later agent that acts on every message: it runs unless the first stops it.
    writeAgent("Later", store::AgentFile{"MESSAGE", {{"Subject", "doesn't contain", "zz-never"}},
                                         {{"RUN AN KARVIXSCRIPT", "later.kxs", ""}}});
    attach("ACME1", "First", kFirstKey);
    attach("ACME1", "Later", kLaterKey);
    messageText = c.message.empty() ? message("New ORDER 12") : c.message;
    dropMessage("ACME1", "a.eml", messageText);
  }

  DryRunReport dryRun() {
    mail::TmsMessage m;
    m.loadFromFile(pending("ACME1", "a.eml").string());
    return dryRunMessageAgent("First", agent, std::move(m), readDryRunAccount(db, "ACME1"), program);
  }

  // The log lines the first agent's run wrote, oldest first.
  Lines firstAgentLog() {
    const Lines log = logTexts();
    Lines out;
    auto it = std::find(log.begin(), log.end(), " - Processing Agent First");
    if (it == log.end()) return out;
    for (++it; it != log.end(); ++it) {
      if (*it == " - Processing Agent Later" || it->rfind(" Successfully copied ", 0) == 0) break;
      out.push_back(*it);
    }
    return out;
  }

  Lines rowsOf(const std::string& agentKey) {
    Lines out;
    for (const auto& r : rows("ACTIONS.DBF"))
      if (r.at("AGENT_ID") == agentKey) out.push_back(r.at("ACTION"));
    return out;
  }

  store::AgentFile agent;
  std::string messageText;
  sys::HookRecorder hooks;
};

TEST_P(DryRunAgrees, WithARealSinglePass) {
  const AgentCase& c = GetParam();
  kxtest::SmtpServer smtp;
  setUpStore(c, smtp.hostAndPort());

  // The trial run: nothing changes on disk, nothing is sent, nothing is started.
  const auto before = snapshot(root);
  const DryRunReport report = dryRun();
  EXPECT_EQ(snapshot(root), before);
  EXPECT_TRUE(smtp.received().empty());
  EXPECT_TRUE(hooks.events.empty());

  // What the trial run says the real pass will do.
  Lines records, logs, events, mailTo;
  std::vector<int> waits;
  std::vector<const DryRunMail*> mails;
  bool close = false;
  for (const auto& a : report.actions) {
    for (const auto& e : a.step.effects) {
      using K = ActionEffect::Kind;
      switch (e.kind) {
        case K::Record: records.push_back(e.text); break;
        case K::Log: case K::MergeLog: logs.push_back(e.text); break;
        case K::Beep: events.push_back("beep"); break;
        case K::PlaySound: events.push_back("sound " + e.text); break;
        case K::Wait: waits.push_back(e.seconds); break;
        case K::RequestClose: close = true; break;
        case K::SendReply: case K::SendMessage: mails.push_back(&*a.mail); break;
        case K::Launch: {
          std::string line = "start " + a.step.program;
          for (const auto& arg : a.step.arguments) line += " " + arg;
          events.push_back(line);
          break;
        }
      }
    }
  }

  // The real pass over the same store.
  Processor& p = start();
  std::vector<int> realWaits;
  p.waitSeconds = [&](int s) { realWaits.push_back(s); };
  Lines firstVerdicts;
  bool captured = false;
  p.stateChanged = [&] {
    // The first notice after the first agent started is its message agent's.
    if (captured || !p.inPass()) return;
    for (const auto& line : p.log().lines()) {
      const size_t at = line.find(" - Processing Agent ");
      if (at == std::string::npos) continue;
      if (line.substr(at) == " - Processing Agent First") {
        firstVerdicts = p.lstTriggeredArray;
        captured = true;
      }
      break;
    }
  };
  p.AgentsMain();

  EXPECT_EQ(firstVerdicts, report.verdicts);
  const auto received = smtp.received();
  ASSERT_EQ(received.size(), mails.size());
  for (size_t i = 0; i < mails.size(); ++i) {
    const DryRunMail& m = *mails[i];
    Lines to;
    for (const auto& a : m.to) to.push_back(a.address);
    std::string text;
    for (const auto& line : m.bodyLines) text += line + "\n";
    EXPECT_EQ(received[i].mailFrom, m.from.address) << i;
    EXPECT_EQ(received[i].rcptTos, to) << i;
    EXPECT_EQ(received[i].subject, m.subject) << i;
    EXPECT_EQ(received[i].text, text) << i;
    // The bytes sent are the planned message (a Date and a Message-ID go first when it has none).
    const std::string planned = crlf(m.bytes);
    ASSERT_GE(received[i].data.size(), planned.size()) << i;
    EXPECT_EQ(received[i].data.substr(received[i].data.size() - planned.size()), planned) << i;
  }
  EXPECT_EQ(rowsOf(kFirstKey), records);
  EXPECT_EQ(firstAgentLog(), logs);
  EXPECT_EQ(hooks.events, events);
  EXPECT_EQ(realWaits, waits);
  EXPECT_EQ(p.closeRequested(), close);
  EXPECT_EQ(rowsOf(kLaterKey).empty(), report.stopsLaterAgents);
}

INSTANTIATE_TEST_SUITE_P(Table, DryRunAgrees, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// What an operator reads about each trigger.
class DryRunTriggers : public PassFixture {};

TEST_F(DryRunTriggers, SentencesVerdictsAndComparedTexts) {
  struct Case {
    store::Trigger trigger;
    const char* sentence;
    std::optional<bool> verdict;
    const char* compared;
  } cases[] = {
      {{"Subject", "contains", "order"}, "If the Subject contains order", true,
       "the Subject header value \"New ORDER 12\""},
      {{"Subject:", "doesn't contain", "order"}, "If the Subject doesn't contain order", true,
       "the Subject header value \"New ORDER 12\""},
      {{"Reply To", "contains", "a"}, "If the Reply To contains a", false,
       "the Reply To header value \"\" (the message has no such header, or it is empty)"},
      {{"ANYHEADER", "begins with", "Date:"}, "If any header line begins with Date:", true,
       "header line 4 \"Date: Fri, 7 Aug 98 14:03:00 -0700\""},
      {{"anyheader", "does not contain", "x-spam"}, "If no header line contains x-spam", true,
       "all 7 header lines; none matched"},
      {{"<Body>", "begins with", "hello"}, "If the body begins with hello", true,
       "the first body line \"Hello world\""},
      {{"<BODY>", "contains", "SECOND"}, "If the body contains SECOND", true, "body line 2 \"Second line\""},
      {{"<Body>", "contains", ""}, "If the body contains \"\" (an empty value)", false,
       "all 2 body lines; none matched"},
      {{"Subject", "matches", "order"}, "If the Subject \"matches\" order", std::nullopt,
       "nothing: the condition is none of contains, doesn't contain and begins with, so the trigger gives no "
       "verdict"},
  };
  store::AgentFile agent{"message", {}, {}};
  for (const auto& c : cases) agent.triggers.push_back(c.trigger);
  mail::TmsMessage m;
  m.loadFromBytes(message("New ORDER 12"));
  const DryRunReport r = dryRunMessageAgent("A", agent, std::move(m), {}, program);
  ASSERT_EQ(r.triggers.size(), std::size(cases));
  for (size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(r.triggers[i].sentence, cases[i].sentence) << i;
    EXPECT_EQ(r.triggers[i].match.verdict, cases[i].verdict) << i;
    EXPECT_EQ(r.triggers[i].compared, cases[i].compared) << i;
  }
  EXPECT_EQ(r.verdicts, (Lines{"TRUE", "TRUE", "FALSE", "TRUE", "TRUE", "TRUE", "TRUE", "FALSE"}));
  EXPECT_FALSE(r.triggersHold);
  EXPECT_FALSE(r.wouldAct);
}

TEST_F(DryRunTriggers, TheTextReportShowsTriggersActionsAndTheResult) {
  const std::string tpl = root + "/reply.eml";
  writeWhole(tpl, kTemplate);
  const store::AgentFile agent{"MESSAGE",
                               {{"Subject", "contains", "order"}},
                               {{"AUTO-REPLY", tpl, ""},
                                {"DELAY THE AGENT", "5", ""},
                                {"LAUNCH PROGRAM", "/usr/bin/handler -v", ""},
                                {"REMOVE FROM FURTHER AGENT PROCESSING", "", ""},
                                {"RESTART THE COMPUTER", "", ""}}};
  mail::TmsMessage m;
  m.loadFromBytes(message("New ORDER 12"));
  const DryRunAccount account{"ACME1", "Acme Support", "support@acme.example", "mail.acme.example"};
  const std::string text = formatDryRunReport(dryRunMessageAgent("Orders", agent, std::move(m), account, program));
  const std::string file = program + "temp/-abc.123@example.com-.eml";
  for (const std::string& line : {
           std::string("Agent: Orders (type MESSAGE)\n"),
           std::string("Account: ACME1, Acme Support <support@acme.example>, SMTP server mail.acme.example\n"),
           std::string("  1. If the Subject contains order: TRUE\n"),
           std::string("     compared against the Subject header value \"New ORDER 12\"\n"),
           std::string("The triggers hold: the actions run.\n"),
           std::string("     would send the auto-reply through the SMTP server mail.acme.example\n"),
           std::string("       From: Acme Support <support@acme.example>\n"),
           std::string("       To: Sales Desk <sales@example.com>\n"),
           std::string("         Dear Sales Desk,\n"),
           // Only the first code of a line is replaced.
           std::string("         On 2026-12-11 10:20 at <<SYSTEM~CURRENTNODEADDRESS>>\n"),
           std::string("         Your number: <no value provided>\n"),
           std::string("     would record: AutoReply Generated, SUBJECT: Thanks\n"),
           std::string("     would wait 5 seconds\n"),
           std::string("     would start: /usr/bin/handler -v " + file + "\n"),
           std::string("     would stop the later agents for this message\n"),
           std::string("  5. RESTART THE COMPUTER\n     does nothing\n"),
           std::string("\nLater agents: would not run for this message.\n"),
           std::string("\nResult: the agent would act.\n"),
       }) {
    EXPECT_NE(text.find(line), std::string::npos) << line << "\n---\n" << text;
  }
  // The merge codes' own log lines stay out of the report.
  EXPECT_EQ(text.find("Merge Template the command is"), std::string::npos);
}

TEST_F(DryRunTriggers, OnlyMessageAgentsAreRunAndAnUnknownAccountIsRefused) {
  for (const char* type : {"INTERVAL", "FUNCTION", ""}) {
    mail::TmsMessage m;
    m.loadFromBytes(message("New ORDER 12"));
    const store::AgentFile agent{type, {{"Subject", "contains", "order"}}, {{"CLOSE KARVIX", "", ""}}};
    const DryRunReport r = dryRunMessageAgent("A", agent, std::move(m), {}, program);
    EXPECT_FALSE(r.messageAgent) << type;
    EXPECT_TRUE(r.actions.empty()) << type;
    EXPECT_FALSE(r.wouldAct) << type;
  }
  addAccount("ACME1");
  EXPECT_EQ(readDryRunAccount(db, "ACME1").name, "Support");
  try {
    readDryRunAccount(db, "NOPE");
    ADD_FAILURE() << "an unknown account was accepted";
  } catch (const sys::Error& e) {
    EXPECT_NE(std::string(e.what()).find("There is no account NOPE"), std::string::npos) << e.what();
  }
}

}  // namespace
}  // namespace agentrun::testing
