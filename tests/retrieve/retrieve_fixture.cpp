#include "tests/retrieve/retrieve_fixture.h"

#include <stdexcept>
#include <fstream>

#include "platform/xbase/cursor.h"
#include "store/schema.h"

namespace retrieve::testing {

std::unique_ptr<DovecotServer> RetrieveFixture::pop;

namespace {
constexpr int kUsers = 100;
}

void RetrieveFixture::SetUpTestSuite() {
  // Every user a suite may need is in the password file before the server
  // starts, so no login races a re-read of the file.
  DovecotServer::Users users;
  for (int i = 1; i <= kUsers; ++i) users.emplace_back("user" + std::to_string(i), "secret");
  if (DovecotServer::available() && !pop) pop = std::make_unique<DovecotServer>(users);
}

void RetrieveFixture::TearDownTestSuite() { pop.reset(); }

void RetrieveFixture::SetUp() {
  if (!pop) GTEST_SKIP() << "dovecot is not installed (" << DovecotServer::kBinary
                         << "); run scripts/install-deps.sh for the POP3 tests";
  db = root.path() + "/db/";
  messages = root.path() + "/messages/";
  program = root.path() + "/program/";
  fs::create_directories(db);
  fs::create_directories(messages);
  fs::create_directories(program);
  store::createStore(db);
  log = std::make_unique<RetrieveLog>(program + kLogFileName);
}

std::string RetrieveFixture::newUser() {
  static int n = 0;
  if (n == kUsers) throw std::runtime_error("more mailbox users needed than the suite made");
  return "user" + std::to_string(++n);
}

void RetrieveFixture::addAccount(const AccountSpec& a) {
  auto nodes = xbase::Cursor::open(db, "NODES.DBF");
  nodes->insert();
  nodes->setString("UNIQUE_ID", a.id);
  nodes->setString("NODE", "Account " + a.id);
  nodes->setString("POPADDRESS", a.pop.empty() ? pop->address() : a.pop);
  nodes->setString("LOGIN", a.login);
  nodes->setString("PASSWORD", a.password);
  if (!a.nextDate.empty())
    nodes->setDate("NEXTDATE", {std::stoi(a.nextDate.substr(0, 4)), std::stoi(a.nextDate.substr(4, 2)),
                                std::stoi(a.nextDate.substr(6, 2))});
  nodes->setString("NEXTTIME", a.nextTime);
  nodes->setString("FREQTYPE", "H");
  nodes->setInt("FREQVAL", a.freq);
  nodes->post();
}

void RetrieveFixture::addRule(const std::string& account, const std::string& name, const std::string& cond,
                              const std::string& v1, const std::string& v2, const std::string& act1,
                              const std::string& act2) {
  auto rules = xbase::Cursor::open(db, "rules.dbf");
  rules->insert();
  rules->setString("UNIQUE_ID", "20261211090000" + name.substr(0, 6));
  rules->setString("LINK_ID", account);
  rules->setString("RULE", name);
  rules->setString("COND", cond);
  rules->setString("CONDVAL1", v1);
  rules->setString("CONDVAL2", v2);
  rules->setString("ACT1", act1);
  rules->setString("ACT2", act2);
  rules->post();
}

void RetrieveFixture::setRuleAnswers(const std::string& name, const std::string& act1, const std::string& act2) {
  auto rules = xbase::Cursor::open(db, "rules.dbf");
  for (rules->first(); !rules->eof(); rules->next())
    if (rules->getString("RULE") == name) {
      rules->edit();
      rules->setString("ACT1", act1);
      rules->setString("ACT2", act2);
      rules->post();
    }
}

PassResult RetrieveFixture::runOnce() {
  Retriever r({messages, db}, *log);
  return r.runOnce();
}

std::map<std::string, std::string> RetrieveFixture::pending(const std::string& account) const {
  std::map<std::string, std::string> out;
  const fs::path dir = fs::path(messages) / account / "Pending";
  if (!fs::exists(dir)) return out;
  for (const auto& e : fs::directory_iterator(dir)) out[e.path().filename().string()] = kxtest::readFileBytes(e.path());
  return out;
}

std::vector<Row> RetrieveFixture::rows(const std::string& table) const {
  std::vector<Row> out;
  auto c = xbase::Cursor::open(db, table);
  for (c->first(); !c->eof(); c->next()) {
    Row row;
    for (const auto& f : c->fields()) row[f.name] = c->getString(f.name);
    out.push_back(row);
  }
  return out;
}

Row RetrieveFixture::node(const std::string& id) const {
  for (const Row& r : rows("NODES.DBF"))
    if (r.at("UNIQUE_ID") == id) return r;
  return {};
}

std::string RetrieveFixture::logText() const {
  const std::string path = program + kLogFileName;
  return fs::exists(path) ? kxtest::readFileBytes(path) : std::string();
}

std::string RetrieveFixture::message(const std::string& subject, const std::string& from,
                                     const std::string& extraHeaders, std::size_t size) {
  // Extra headers come first, so that they are the first of their name.
  std::string m = "From: " + from + "\r\n" + extraHeaders + "To: support@acme.example\r\nSubject: " + subject +
                  "\r\nDate: Fri, 11 Dec 2026 09:15:00 +0100\r\nMessage-ID: <" + std::to_string(subject.size()) +
                  "@example.com>\r\n" +
                  "MIME-Version: 1.0\r\nContent-Type: text/plain; charset=us-ascii\r\n\r\nHello,\r\n";
  while (m.size() + 64 < size) m += "This line fills the message up to the size the test asks for....\r\n";
  return m + "Regards\r\n";
}

}  // namespace retrieve::testing
