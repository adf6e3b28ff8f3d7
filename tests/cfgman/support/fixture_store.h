// Tables for Configuration Manager tests, made in a temporary database folder
// with the columns and tags the shared store uses, and helpers to add
// organisation, folder, account, attachment and action rows. Also points the
// profile folder (karvix.ini) and the program folder at the temporary folder
// for the fixture's lifetime.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/system/files.h"
#include "platform/system/folders.h"
#include "platform/xbase/cursor.h"
#include "tests/support/temp_dir.h"

namespace cfgman::testing {

inline xbase::FieldDef C(const char* n, int len) { return {n, xbase::FieldType::Character, len, 0}; }
inline xbase::FieldDef N(const char* n) { return {n, xbase::FieldType::Numeric, 4, 0}; }
inline xbase::FieldDef D(const char* n) { return {n, xbase::FieldType::Date, 8, 0}; }
inline xbase::FieldDef M(const char* n) { return {n, xbase::FieldType::Memo, 10, 0}; }

inline std::vector<xbase::TableDef> fixtureTables() {
  using xbase::TableDef;
  auto keys = [] { return std::vector<xbase::FieldDef>{C("KEY1", 20), C("KEY2", 20), C("KEY3", 20), C("KEY4", 20), C("KEY5", 20)}; };
  auto orgLike = [&](const char* file, const char* idx, const char* nameCol) {
    TableDef t{file, idx, {C("UNIQUE_ID", 20), C(nameCol, 40), C("LINK_ID", 20), N("POSITION"), C("REF", 40)}, {}};
    for (auto& k : keys()) t.fields.push_back(k);
    for (auto f : {C("STATUS", 3), M("NOTES"), C("CREATEBY", 8), C("OWNER", 8), C("LASTUSER", 8), D("CREATEON")})
      t.fields.push_back(f);
    return t;
  };
  TableDef orgs = orgLike("ORGS.DBF", "", "ORG");
  TableDef groups = orgLike("GROUPS.DBF", "groups", "GROUP");
  groups.tags = {{"UNIQUE_ID", true}, {"LINK_ID", false}, {"GROUP", false}};
  TableDef nodes{"NODES.DBF", "nodes",
                 {C("UNIQUE_ID", 20), C("LINK_ID", 20), C("NODE", 40), N("POSITION"), C("REF", 40),
                  C("ADDRESS", 75), C("LOGIN", 25), C("PASSWORD", 25), C("POPADDRESS", 50),
                  C("SMTPADDRES", 50)},
                 {{"UNIQUE_ID", true}, {"LINK_ID", false}, {"NODE", false}}};
  for (auto& k : keys()) nodes.fields.push_back(k);
  for (auto f : {C("STATUS", 3), M("NOTES"), C("CREATEBY", 8), C("OWNER", 8), C("LASTUSER", 8),
                 D("LASTDATE"), C("LASTTIME", 6), D("NEXTDATE"), C("NEXTTIME", 5), C("FREQTYPE", 1),
                 N("FREQVAL"), C("LASTRESULT", 20)})
    nodes.fields.push_back(f);
  auto msgs = [](const char* file, const char* idx) {
    return TableDef{file, idx,
                    {C("MESSAGE_ID", 40), C("LINK_ID", 20), D("RECDATE"), C("STATUS", 5), C("FROM", 40),
                     C("SUBJECT", 80), C("FILENAME", 30), D("CREATEON"), C("CREATEAT", 6),
                     C("LASTUSER", 10), D("LASTDATE"), C("LASTTIME", 6)},
                    {{"MESSAGE_ID", true}, {"LINK_ID", false}, {"FROM", false}}};
  };
  auto sent = [](const char* file, const char* idx) {
    return TableDef{file, idx,
                    {C("UNIQUE_ID", 20), C("LINK_ID", 20), D("DATE"), C("STATUS", 5), C("TONAME", 40),
                     C("TOADDRESS", 50), C("SUBJECT", 80), C("FILENAME", 30), D("CREATEON"),
                     C("CREATEAT", 6), C("LASTUSER", 10), D("LASTDATE"), C("LASTTIME", 6)},
                    {{"UNIQUE_ID", true}, {"LINK_ID", false}, {"SUBJECT", false}, {"TONAME", false}}};
  };
  TableDef rules{"rules.dbf", "rules",
                 {C("UNIQUE_ID", 20), C("LINK_ID", 20), C("RULE", 20), C("COND", 1), C("CONDVAL1", 20),
                  C("CONDVAL2", 20), C("ACT1", 1), C("ACT2", 1)},
                 {{"UNIQUE_ID", true}, {"LINK_ID", false}, {"RULE", false}}};
  TableDef agents{"Agents.dbf", "Agents",
                  {C("UNIQUE_ID", 20), C("LINK_ID", 20), C("AGENT", 99), C("TYPE", 30), D("CREATEON"),
                   C("CREATEAT", 6), C("LASTUSER", 10), D("LASTDATE")},
                  {{"UNIQUE_ID", true}, {"LINK_ID", false}, {"AGENT", false}}};
  TableDef actions{"ACTIONS.DBF", "actions",
                   {C("UNIQUE_ID", 20), C("MESSAGE_ID", 100), C("NODE_ID", 20), C("AGENT_ID", 20),
                    C("ACTION", 200), D("CREATEON"), C("CREATEAT", 6)},
                   {{"MESSAGE_ID", false}, {"UNIQUE_ID", false}, {"AGENT_ID", false}, {"NODE_ID", false}}};
  return {orgs, groups, nodes, msgs("PENDING.DBF", "pending"), msgs("RECEIVED.DBF", "received"),
          sent("sent.dbf", "Sent"), sent("outbox.dbf", "OutBox"), rules, agents, actions};
}

class FixtureStore {
 public:
  FixtureStore() : dir_("kx-cfgman") {
    db = dir_.path() + "/db/";
    sys::forceDirectories(db);
    for (const auto& def : fixtureTables()) xbase::Cursor::create(db, def);
    setenv("KARVIX_PROFILE_DIR", dir_.path().c_str(), 1);
    sys::setProgramFolder(dir_.path() + "/");
  }
  ~FixtureStore() {
    unsetenv("KARVIX_PROFILE_DIR");
    sys::setProgramFolder("");
  }
  const std::string& root() const { return dir_.path(); }
  std::string ini() const { return dir_.path() + "/karvix.ini"; }
  // A karvix.ini whose folders all lie in the temporary folder.
  void writeIni(const std::string& extra = "") const {
    kxtest::writeFileBytes(ini(), "[Folders]\nMessages=" + root() + "/messages/\nAgents=" + root() +
                                      "/agents/\nTemplates=" + root() + "/templates/\nDataBase=" + db +
                                      "\n" + extra);
  }

  uint32_t add(const char* table, std::initializer_list<std::pair<const char*, std::string>> cols) {
    auto c = xbase::Cursor::open(db, table);
    c->insert();
    for (const auto& [k, v] : cols) c->setString(k, v);
    c->post();
    return c->recno();
  }
  uint32_t org(const std::string& id) { return add("ORGS.DBF", {{"UNIQUE_ID", id}, {"ORG", "Org"}}); }
  uint32_t folder(const std::string& id, const std::string& org, const std::string& name) {
    return add("GROUPS.DBF", {{"UNIQUE_ID", id}, {"LINK_ID", org}, {"GROUP", name}});
  }
  uint32_t account(const std::string& id, const std::string& folder, const std::string& name) {
    return add("NODES.DBF", {{"UNIQUE_ID", id}, {"LINK_ID", folder}, {"NODE", name}});
  }
  uint32_t attach(const std::string& id, const std::string& account, const std::string& agent) {
    return add("Agents.dbf", {{"UNIQUE_ID", id}, {"LINK_ID", account}, {"AGENT", agent}});
  }
  uint32_t action(const std::string& id, const std::string& agentId, const std::string& text,
                  const std::string& at) {
    return add("ACTIONS.DBF", {{"UNIQUE_ID", id}, {"AGENT_ID", agentId}, {"ACTION", text}, {"CREATEAT", at}});
  }

  std::string db;

 private:
  kxtest::TempDir dir_;
};

}  // namespace cfgman::testing
