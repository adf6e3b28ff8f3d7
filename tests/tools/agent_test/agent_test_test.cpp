// karvix-agent-test as an operator runs it: the real program over agent and
// message files and a store in a temporary folder, asserting on its report,
// its exit status and error texts, and that it changed no file and sent no
// mail to the account's (real) SMTP server.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>

#include "platform/xbase/cursor.h"
#include "store/agentfile.h"
#include "store/schema.h"
#include "tests/support/smtp_server.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

struct Result {
  int code = -1;
  std::string out, err;
};

std::string quote(const std::string& a) {
  std::string q;
  for (char c : a) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return "'" + q + "'";
}

std::map<std::string, std::string> snapshot(const std::string& dir) {
  std::map<std::string, std::string> out;
  for (const auto& e : fs::recursive_directory_iterator(dir)) {
    struct stat st {};
    ::stat(e.path().c_str(), &st);
    std::string v = std::to_string(st.st_size) + " " + std::to_string(st.st_mtim.tv_sec) + "." +
                    std::to_string(st.st_mtim.tv_nsec);
    if (e.is_regular_file()) v += "\n" + kxtest::readFileBytes(e.path().string());
    out[fs::relative(e.path(), dir).string()] = v;
  }
  return out;
}

class KarvixAgentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    db = store_.path() + "/db/";
    agents = store_.path() + "/agents/";
    program = store_.path() + "/program/";
    fs::create_directories(db);
    fs::create_directories(agents);
    fs::create_directories(program);
    store::createStore(db);
    auto nodes = xbase::Cursor::open(db, "NODES.DBF");
    nodes->insert();
    nodes->setString("UNIQUE_ID", "ACME1");
    nodes->setString("NODE", "Acme Support");
    nodes->setString("ADDRESS", "support@acme.example");
    nodes->setString("SMTPADDRES", smtp.hostAndPort());
    nodes->post();
    nodes.reset();

    const std::string tpl = store_.path() + "/reply.eml";
    kxtest::writeFileBytes(tpl, "Subject: Thanks\r\nMIME-Version: 1.0\r\nContent-Type: text/plain\r\n\r\n"
                                "Dear <<REPLYHEADER~FROMNAME>>,\r\n-- <<SYSTEM~CURRENTNODE>>\r\n");
    store::writeAgentFile(agents + "orders.agent",
                          {"MESSAGE",
                           {{"Subject", "contains", "order"}},
                           {{"AUTO-REPLY", tpl, ""},
                            {"FORWARD TO", "boss@example.com", ""},
                            {"LAUNCH PROGRAM", "/usr/bin/handler", ""},
                            {"REMOVE FROM FURTHER AGENT PROCESSING", "", ""}}});
    store::writeAgentFile(agents + "interval.agent", {"INTERVAL", {}, {}});
    kxtest::writeFileBytes(agents + "broken.agent", "[MAIN]\r\nAgentType=MESSAGE\r\nTriggerCount=99999\r\n");
    const std::string head = "From: Sales Desk <sales@example.com>\r\nTo: support@acme.example\r\n";
    kxtest::writeFileBytes(store_.path() + "/order.eml",
                           head + "Subject: New ORDER 12\r\nMessage-ID: <m1@example.com>\r\n\r\nHello\r\n");
    kxtest::writeFileBytes(store_.path() + "/other.eml", head + "Subject: Invoice 7\r\n\r\nHello\r\n");
  }

  // Runs the program in `cwd` (default: the store's folder).
  Result run(const std::vector<std::string>& args, const std::string& cwd = {}) {
    const char* bin = std::getenv("KARVIX_BIN_DIR");
    std::string cmd = "cd " + quote(cwd.empty() ? store_.path() : cwd) + " && KARVIX_PROGRAM_DIR=" + quote(program) +
                      " KARVIX_PROFILE_DIR=" + quote(store_.path() + "/profile") + " " +
                      quote(std::string(bin ? bin : "bin") + "/karvix-agent-test");
    for (const std::string& a : args) cmd += " " + quote(a);
    cmd += " >" + quote(io_.file("out")) + " 2>" + quote(io_.file("err"));
    Result r;
    const int status = std::system(cmd.c_str());
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = kxtest::readFileBytes(io_.file("out"));
    r.err = kxtest::readFileBytes(io_.file("err"));
    return r;
  }

  kxtest::SmtpServer smtp;
  kxtest::TempDir store_{"kx-agent-test"};
  kxtest::TempDir io_{"kx-agent-test-io"};
  std::string db, agents, program;
};

TEST_F(KarvixAgentTest, ReportsAndExitStatusChangingNothing) {
  struct Case {
    std::vector<std::string> args;
    int code;
    std::vector<std::string> shown;  // lines the report must hold
  };
  const std::string orders = agents + "orders.agent";
  const std::string file = program + "temp/-m1@example.com-.eml";
  const Case cases[] = {
      {{orders, "order.eml", "--db", db, "--account", "ACME1"},
       0,
       {"Agent: orders (type MESSAGE)\n",
        "Account: ACME1, Acme Support <support@acme.example>, SMTP server " + smtp.hostAndPort() + "\n",
        "  1. If the Subject contains order: TRUE\n",
        "     compared against the Subject header value \"New ORDER 12\"\n",
        "     would send the auto-reply through the SMTP server " + smtp.hostAndPort() + "\n",
        "       From: Acme Support <support@acme.example>\n", "       To: Sales Desk <sales@example.com>\n",
        "         Dear Sales Desk,\n         -- Acme Support\n",
        "     would send the forwarded message through the SMTP server " + smtp.hostAndPort() + "\n",
        "         Forwarded Message:  Originally from: Sales Desk sales@example.com\n",
        "     would start: /usr/bin/handler " + file + "\n",
        "     would stop the later agents for this message\n", "Result: the agent would act.\n"}},
      {{"--account", "ACME1", "--db", db, orders, "order.eml"}, 0, {"Result: the agent would act.\n"}},
      {{orders, "order.eml"},
       0,
       {"Account: none given (the account's name, address and SMTP server are empty)\n",
        "         -- <no value provided>\n"}},
      {{orders, "other.eml", "--db", db, "--account", "ACME1"},
       1,
       {"  1. If the Subject contains order: FALSE\n",
        "     compared against the Subject header value \"Invoice 7\"\n",
        "Not every verdict is TRUE: no action runs.\n", "Result: the agent would not act.\n"}},
      {{agents + "interval.agent", "order.eml"},
       1,
       {"Agent: interval (type INTERVAL)\n", "Result: the agent would not act.\n"}},
  };
  const auto before = snapshot(store_.path());
  for (const Case& c : cases) {
    const Result r = run(c.args);
    std::string joined;
    for (const auto& a : c.args) joined += a + " ";
    EXPECT_EQ(r.code, c.code) << joined << "\n" << r.err;
    EXPECT_EQ(r.err, "") << joined;
    for (const auto& line : c.shown) EXPECT_NE(r.out.find(line), std::string::npos) << joined << line << "\n" << r.out;
  }
  EXPECT_EQ(snapshot(store_.path()), before);
  EXPECT_TRUE(smtp.received().empty());
}

TEST_F(KarvixAgentTest, RelativePathsMeanTheCurrentFolder) {
  // A bare agent file name is not looked up in the profile folder.
  const Result r = run({"orders.agent", "../order.eml"}, agents);
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("Agent: orders (type MESSAGE)\n"), std::string::npos) << r.out;
}

TEST_F(KarvixAgentTest, BadInputExitsTwoWithTheReason) {
  struct Case {
    std::vector<std::string> args;
    std::string err;
  };
  const std::string orders = agents + "orders.agent";
  const Case cases[] = {
      {{}, "usage: karvix-agent-test AGENT.agent MESSAGE.eml [--db DIR --account UNIQUE_ID]\n"},
      {{orders}, "usage: karvix-agent-test"},
      {{orders, "order.eml", "extra.eml"}, "usage: karvix-agent-test"},
      {{orders, "order.eml", "--db", db}, "--db and --account go together"},
      {{orders, "order.eml", "--account", "ACME1"}, "--db and --account go together"},
      {{orders, "order.eml", "--db"}, "--db needs a value"},
      {{orders, "order.eml", "--db", db, "--db", db, "--account", "ACME1"}, "--db is given twice"},
      {{orders, "order.eml", "--verbose"}, "unknown option --verbose"},
      {{agents + "missing.agent", "order.eml"}, "the agent file " + agents + "missing.agent does not exist"},
      {{orders, "missing.eml"}, "the message file " + store_.path() + "/missing.eml does not exist"},
      {{orders, agents}, "is not a file"},
      {{agents + "broken.agent", "order.eml"}, "invalid TriggerCount"},
      {{orders, "order.eml", "--db", db, "--account", "NOPE"}, "There is no account NOPE"},
      {{orders, "order.eml", "--db", store_.path() + "/nowhere", "--account", "ACME1"}, "karvix-agent-test: "},
  };
  const auto before = snapshot(store_.path());
  for (const Case& c : cases) {
    const Result r = run(c.args);
    std::string joined;
    for (const auto& a : c.args) joined += a + " ";
    EXPECT_EQ(r.code, 2) << joined;
    EXPECT_EQ(r.out, "") << joined;
    EXPECT_NE(r.err.find(c.err), std::string::npos) << joined << "\n" << r.err;
  }
  EXPECT_EQ(snapshot(store_.path()), before);
}

}  // namespace
