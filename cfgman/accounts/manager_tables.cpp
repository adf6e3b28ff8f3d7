#include "cfgman/accounts/manager_tables.h"

namespace cfgman {
namespace {

ManagerTables::Ptr openTable(const std::string& folder, const char* file) {
  return xbase::Cursor::open(folder, file, xbase::OpenMode::Shared);
}

}  // namespace

void ManagerTables::open(const std::string& db) {
  TableOrgs = openTable(db, "ORGS.DBF");
  TableGroups = openTable(db, "GROUPS.DBF");
  TableNodes = openTable(db, "NODES.DBF");
  TableReceived = openTable(db, "RECEIVED.DBF");
  TablePending = openTable(db, "PENDING.DBF");
  TableSent = openTable(db, "sent.dbf");
  TableOut = openTable(db, "outbox.dbf");
  TableRules = openTable(db, "rules.dbf");
  TableAgents = openTable(db, "Agents.dbf");
  TableAgents2 = openTable(db, "Agents.dbf");
  TableGroups2 = openTable(db, "GROUPS.DBF");
  TableNodes2 = openTable(db, "NODES.DBF");
  TableActions = openTable(db, "ACTIONS.DBF");
  TableAgentActions = openTable(db, "ACTIONS.DBF");

  TableGroups->setMaster(TableOrgs.get(), "UNIQUE_ID", "LINK_ID");
  TableNodes->setMaster(TableGroups.get(), "UNIQUE_ID", "LINK_ID");
  TableAgents->setMaster(TableNodes.get(), "UNIQUE_ID", "LINK_ID");
  TableGroups2->setOrder("GROUP");
  TableAgents2->setOrder("LINK_ID");
  TableRules->setMaster(TableNodes2.get(), "UNIQUE_ID", "LINK_ID");
  TableReceived->setMaster(TableNodes2.get(), "UNIQUE_ID", "LINK_ID");
  TablePending->setMaster(TableNodes2.get(), "UNIQUE_ID", "LINK_ID");
  TableSent->setMaster(TableNodes2.get(), "UNIQUE_ID", "LINK_ID");
  TableOut->setMaster(TableNodes2.get(), "UNIQUE_ID", "LINK_ID");
  TableActions->setMaster(TableReceived.get(), "MESSAGE_ID", "MESSAGE_ID");
  TableAgentActions->setMaster(TableAgents2.get(), "UNIQUE_ID", "AGENT_ID");
}

void ManagerTables::close() {
  // Details before their masters.
  TableAgentActions.reset();
  TableActions.reset();
  TableRules.reset();
  TableReceived.reset();
  TablePending.reset();
  TableSent.reset();
  TableOut.reset();
  TableAgents.reset();
  TableAgents2.reset();
  TableNodes.reset();
  TableNodes2.reset();
  TableGroups.reset();
  TableGroups2.reset();
  TableOrgs.reset();
}

}  // namespace cfgman
