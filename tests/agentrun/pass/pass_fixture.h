// A fixture store in a temporary folder for driving the processor without
// windows: the tables, karvix.ini in a profile folder of its own, the
// messages and agents folders, and a fixed clock.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "agentrun/processor.h"
#include "platform/profile/profile.h"
#include "platform/system/clock.h"
#include "platform/system/datetime.h"
#include "platform/xbase/cursor.h"
#include "store/agentfile.h"
#include "store/schema.h"

namespace agentrun::testing {

namespace fs = std::filesystem;

inline std::string readWhole(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void writeWhole(const fs::path& p, const std::string& content) {
  fs::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary) << content;
}

class PassFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/karvix-pass-XXXXXX";
    root = mkdtemp(tmpl);
    db = root + "/db/";
    messages = root + "/messages/";
    agents = root + "/agents/";
    program = root + "/program/";
    fs::create_directories(db);
    fs::create_directories(program);
    ::setenv("KARVIX_PROFILE_DIR", (root + "/profile").c_str(), 1);
    ini = root + "/profile/karvix.ini";
    writeWhole(ini, "[Folders]\nMessages=" + messages + "\nAgents=" + agents + "\nDataBase=" + db + "\n");
    store::createStore(db);
  }
  void TearDown() override {
    processor.reset();
    fs::remove_all(root);
  }

  void addAccount(const std::string& id, const std::string& name = "Support",
                  const std::string& address = "support@acme.example",
                  const std::string& smtp = "127.0.0.1:1") {
    auto nodes = xbase::Cursor::open(db, "NODES.DBF");
    nodes->insert();
    nodes->setString("UNIQUE_ID", id);
    nodes->setString("NODE", name);
    nodes->setString("ADDRESS", address);
    nodes->setString("SMTPADDRES", smtp);
    nodes->post();
  }
  // Attaches an agent; returns the attachment key.
  std::string attach(const std::string& account, const std::string& agent, const std::string& key) {
    auto rows = xbase::Cursor::open(db, "Agents.dbf");
    rows->insert();
    rows->setString("UNIQUE_ID", key);
    rows->setString("LINK_ID", account);
    rows->setString("AGENT", agent);
    rows->post();
    return key;
  }
  void writeAgent(const std::string& name, const store::AgentFile& agent) {
    fs::create_directories(agents);
    store::writeAgentFile(agents + name + ".agent", agent);
  }
  fs::path pending(const std::string& account, const std::string& file) {
    return fs::path(messages) / account / "Pending" / file;
  }
  fs::path filed(const std::string& account, const std::string& file) {
    return fs::path(messages) / account / "In" / file;
  }
  void dropMessage(const std::string& account, const std::string& file, const std::string& content) {
    writeWhole(pending(account, file), content);
  }

  Processor& start(const std::string& firstArgument = "") {
    processor = std::make_unique<Processor>(program);
    processor->startUp(firstArgument, nullptr);
    return *processor;
  }

  // Log lines oldest first, without their date and time prefix.
  std::vector<std::string> logTexts() const {
    std::vector<std::string> out;
    const auto& lines = processor->log().lines();
    for (auto it = lines.rbegin(); it != lines.rend(); ++it) {
      const size_t sep = it->find(" -- ");
      out.push_back(it->rfind("DEBUGMESSAGE -- ", 0) == 0 || sep == std::string::npos ? *it
                                                                                      : it->substr(sep + 4));
    }
    return out;
  }

  // Rows of a table as column -> value maps, in record order.
  std::vector<std::map<std::string, std::string>> rows(const std::string& table) {
    std::vector<std::map<std::string, std::string>> out;
    auto c = xbase::Cursor::open(db, table);
    for (c->first(); !c->eof(); c->next()) {
      std::map<std::string, std::string> row;
      for (const auto& f : c->fields()) row[f.name] = c->getString(f.name);
      out.push_back(row);
    }
    return out;
  }

  static std::string message(const std::string& subject, const std::string& date = "Fri, 7 Aug 98 14:03:00 -0700",
                             const std::string& extra = "") {
    return "From: Sales Desk <sales@example.com>\r\nTo: support@acme.example\r\nSubject: " + subject +
           "\r\nDate: " + date + "\r\nMessage-ID: <abc.123@example.com>\r\n" + extra +
           "MIME-Version: 1.0\r\nContent-Type: text/plain; charset=us-ascii\r\n\r\nHello world\r\nSecond line\r\n";
  }

  std::string root, db, messages, agents, program, ini;
  sys::ScopedClock clock{sys::DateTime::fromParts(2026, 12, 11, 10, 20, 30)};
  std::unique_ptr<Processor> processor;
};

}  // namespace agentrun::testing
