// Tables for Configuration Manager tests: the shared store's own tables
// (store::createStore, without its default organisation row) in a temporary
// database folder, and helpers to add
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
#include "store/schema.h"
#include "tests/support/temp_dir.h"

namespace cfgman::testing {

class FixtureStore {
 public:
  FixtureStore() : dir_("kx-cfgman") {
    db = dir_.path() + "/db/";
    sys::forceDirectories(db);
    store::createStore(db);
    // Tests add their own organisations: the store's default one goes.
    store::openTable(db, store::Table::Orgs, xbase::OpenMode::Exclusive)->zap();
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
