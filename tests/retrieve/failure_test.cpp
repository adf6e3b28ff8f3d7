// Failures: a refused login, an unreachable or unusable server, and a server
// that breaks off in the middle of a message. Each is logged, leaves the
// mailbox as it was, writes the next poll, and is retried then; nothing that
// reached Pending is lost or retrieved twice.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <set>

#include "platform/xbase/cursor.h"
#include "tests/retrieve/retrieve_fixture.h"

namespace retrieve::testing {
namespace {

struct FailureCase {
  const char* label;
  bool badPassword;
  bool unknownUser;
  bool closedPort;
  const char* badAddress;  // POPADDRESS; "" = the server's
  const char* result;      // LASTRESULT
  const char* logged;      // part of the log line
};

const FailureCase kCases[] = {
    {"bad_password", true, false, false, "", "Login failed", "refused the login of "},
    {"unknown_user", false, true, false, "", "Login failed", "refused the login of nobody-here"},
    {"closed_port", false, false, true, "", "Server unreachable", "Unable to reach the POP3 server 127.0.0.1:"},
    {"address_without_port_number", false, false, false, "127.0.0.1:pop", "Error",
     "Bad POP server address: 127.0.0.1:pop"},
};

class FailureTest : public RetrieveFixture, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(FailureTest, IsLoggedKeepsTheMailAndIsRetriedAtTheNextPoll) {
  const FailureCase& c = GetParam();
  const std::string user = newUser();
  pop->deliver(user, message("Waiting"));
  std::string address = c.badAddress;
  if (c.closedPort) address = "127.0.0.1:" + std::to_string(freeLoopbackPort());
  addAccount({.id = "ACC1", .pop = address, .login = c.unknownUser ? "nobody-here" : user,
              .password = c.badPassword ? "wrong" : "secret", .freq = 10});
  addRule("ACC1", "Control Restriction", "A", "", "", "Y", "Y");

  const PassResult r = runOnce();
  EXPECT_EQ(r.failed, 1);
  EXPECT_TRUE(pending("ACC1").empty());
  EXPECT_EQ(pop->mailbox(user).size(), 1u);
  const Row n = node("ACC1");
  EXPECT_EQ(n.at("LASTRESULT"), c.result);
  EXPECT_EQ(n.at("NEXTTIME"), "10:30");
  const std::string log = logText();
  EXPECT_NE(log.find(" -- Account ACC1: Error-"), std::string::npos) << log;
  EXPECT_NE(log.find(c.logged), std::string::npos) << log;
  EXPECT_NE(log.find("retried at the next poll"), std::string::npos) << log;

  // Put right, the next poll takes the message.
  {
    auto nodes = xbase::Cursor::open(db, "NODES.DBF");
    nodes->first();
    nodes->edit();
    nodes->setString("POPADDRESS", pop->address());
    nodes->setString("LOGIN", user);
    nodes->setString("PASSWORD", "secret");
    nodes->post();
  }
  clock.advanceSeconds(10 * 60);
  EXPECT_EQ(runOnce().failed, 0);
  EXPECT_EQ(pending("ACC1").size(), 1u);
  EXPECT_TRUE(pop->mailbox(user).empty());
  EXPECT_EQ(node("ACC1").at("LASTRESULT"), "OK, 1 retrieved");
}

INSTANTIATE_TEST_SUITE_P(Cases, FailureTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.label); });

// The stand-in server of pop3_dropper.py: two messages, the one numbered
// `drop` is cut off half-way with the connection.
class DroppingServer {
 public:
  DroppingServer(const std::string& folder, const std::vector<std::string>& files, int drop) {
    commands_ = folder + "/commands-" + std::to_string(drop) + ".log";
    int out[2];
    if (::pipe(out) != 0) throw std::runtime_error("pipe");
    pid_ = ::fork();
    if (pid_ == 0) {
      ::dup2(out[1], 1);
      ::close(out[0]);
      const std::string script = std::string(KX_RETRIEVE_TEST_DIR) + "/pop3_dropper.py";
      const std::string dropText = std::to_string(drop);
      std::vector<const char*> argv{"/usr/bin/python3", script.c_str(), "--log", commands_.c_str(),
                                    "--drop", dropText.c_str()};
      for (const auto& f : files) argv.push_back(f.c_str());
      argv.push_back(nullptr);
      ::execv(argv[0], const_cast<char* const*>(argv.data()));
      ::_exit(127);
    }
    ::close(out[1]);
    FILE* in = ::fdopen(out[0], "r");
    if (std::fscanf(in, "%d", &port_) != 1) throw std::runtime_error("the POP3 stand-in did not start");
    std::fclose(in);
  }
  ~DroppingServer() {
    ::kill(pid_, SIGTERM);
    int status = 0;
    ::waitpid(pid_, &status, 0);
  }
  std::string address() const { return "127.0.0.1:" + std::to_string(port_); }
  std::string commands() const {
    return fs::exists(commands_) ? kxtest::readFileBytes(commands_) : std::string();
  }

 private:
  std::string commands_;
  pid_t pid_ = -1;
  int port_ = 0;
};

using DropTest = RetrieveFixture;

TEST_F(DropTest, AMessageCutOffIsNotWrittenAndNothingIsDeleted) {
  const std::string first = message("complete one", "a@example.com", "", 2000);
  const std::string second = message("cut off", "b@example.com", "", 6000);
  const std::string f1 = root.file("m1.eml"), f2 = root.file("m2.eml");
  kxtest::writeFileBytes(f1, first);
  kxtest::writeFileBytes(f2, second);

  std::string commands;
  {
    DroppingServer server(root.path(), {f1, f2}, 2);
    addAccount({.id = "ACC1", .pop = server.address(), .login = "any", .freq = 5});
    addRule("ACC1", "Control Restriction", "A", "", "", "Y", "Y");
    EXPECT_EQ(runOnce().failed, 1);
    commands = server.commands();
  }
  // The first message is safely in Pending; of the second there is no trace.
  auto files = pending("ACC1");
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(files.begin()->second, first);
  EXPECT_TRUE(fs::is_empty(fs::path(messages) / "ACC1" / "Retrieve" / "tmp"));
  EXPECT_EQ(rows("PENDING.DBF").size(), 1u);
  EXPECT_EQ(node("ACC1").at("LASTRESULT"), "Transfer failed");
  EXPECT_NE(logText().find("Message 2 from 127.0.0.1:"), std::string::npos) << logText();
  EXPECT_NE(logText().find("ended early"), std::string::npos) << logText();
  // The session broke off after RETR 2: no QUIT, so the server commits no
  // deletion (DELE marks count only at QUIT).
  EXPECT_NE(commands.find("RETR 2"), std::string::npos) << commands;
  EXPECT_EQ(commands.find("QUIT"), std::string::npos) << commands;
  EXPECT_EQ(commands.find("DELE 2"), std::string::npos) << commands;

  // The next poll, with a server that completes: the first message is only
  // deleted (it is remembered), the second is retrieved.
  {
    DroppingServer server(root.path(), {f1, f2}, 0);
    auto nodes = xbase::Cursor::open(db, "NODES.DBF");
    nodes->first();
    nodes->edit();
    nodes->setString("POPADDRESS", server.address());
    nodes->post();
    nodes.reset();
    clock.advanceSeconds(5 * 60);
    EXPECT_EQ(runOnce().failed, 0) << logText();
    commands = server.commands();
  }
  files = pending("ACC1");
  ASSERT_EQ(files.size(), 2u);
  std::set<std::string> contents;
  for (const auto& [name, content] : files) contents.insert(content);
  EXPECT_EQ(contents, (std::set<std::string>{first, second}));
  EXPECT_EQ(commands.find("RETR 1"), std::string::npos) << commands;
  EXPECT_NE(commands.find("DELE 1\nRETR 2\nDELE 2\nQUIT"), std::string::npos) << commands;
}

}  // namespace
}  // namespace retrieve::testing
