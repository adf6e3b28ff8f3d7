// A store in a temporary folder for driving the retriever: the tables, the
// messages folder, a program folder for the log, a fixed clock, and helpers
// to add accounts and restrictions and to read back what the retriever did.
// The POP3 server is a DovecotServer shared by every test of a suite (each
// test uses mailbox users of its own).
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/system/clock.h"
#include "tests/retrieve/dovecot_server.h"
#include "tests/support/temp_dir.h"
#include "tools/karvix-retrieve/retrieve_log.h"
#include "tools/karvix-retrieve/retriever.h"

namespace retrieve::testing {

namespace fs = std::filesystem;

using Row = std::map<std::string, std::string>;

class RetrieveFixture : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  static void TearDownTestSuite();
  void SetUp() override;

  // A mailbox user unique to this test; its password is "secret".
  std::string newUser();

  struct AccountSpec {
    std::string id;
    std::string pop;  // POPADDRESS
    std::string login;
    std::string password = "secret";
    std::string nextDate = "20261211";  // yyyymmdd, "" = empty
    std::string nextTime = "10:00";
    long freq = 15;
  };
  void addAccount(const AccountSpec& a);
  void addRule(const std::string& account, const std::string& name, const std::string& cond,
               const std::string& v1, const std::string& v2, const std::string& act1, const std::string& act2);
  void setRuleAnswers(const std::string& name, const std::string& act1, const std::string& act2);

  PassResult runOnce();

  // Contents of the files in the account's Pending folder, by file name.
  std::map<std::string, std::string> pending(const std::string& account) const;
  Row node(const std::string& id) const;
  std::vector<Row> rows(const std::string& table) const;
  std::string logText() const;

  // A message with these headers and a body padded to about `size` bytes.
  static std::string message(const std::string& subject, const std::string& from = "Ann Buyer <ann@example.com>",
                             const std::string& extraHeaders = "", std::size_t size = 0);

  static std::unique_ptr<DovecotServer> pop;
  kxtest::TempDir root{"kx-retrieve"};
  std::string db, messages, program;
  sys::ScopedClock clock{sys::DateTime::fromParts(2026, 12, 11, 10, 20, 30)};
  std::unique_ptr<RetrieveLog> log;
};

}  // namespace retrieve::testing
