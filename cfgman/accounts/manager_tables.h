// The fourteen table cursors of the Configuration Manager's main window, all
// on the database folder, with their orders and detail links:
//   TableOrgs          ORGS.DBF      record order   the organisation (root)
//   TableGroups        GROUPS.DBF    LINK_ID        detail of TableOrgs.UNIQUE_ID
//   TableNodes         NODES.DBF     LINK_ID        detail of TableGroups.UNIQUE_ID
//   TableAgents        Agents.dbf    LINK_ID        detail of TableNodes.UNIQUE_ID
//   TableGroups2       GROUPS.DBF    GROUP          current folder
//   TableNodes2        NODES.DBF     record order   current account
//   TableAgents2       Agents.dbf    LINK_ID        current attachment
//   TableRules         rules.dbf     LINK_ID        detail of TableNodes2.UNIQUE_ID
//   TableReceived, TablePending, TableSent, TableOut   LINK_ID, detail of TableNodes2
//   TableActions       ACTIONS.DBF   MESSAGE_ID     detail of TableReceived.MESSAGE_ID
//   TableAgentActions  ACTIONS.DBF   AGENT_ID       detail of TableAgents2.UNIQUE_ID
// open() opens them shared in the fixed start-up order and raises sys::Error
// (the engine's message) at the first table that cannot be opened; close()
// closes them all.
#pragma once

#include <memory>
#include <string>

#include "platform/xbase/cursor.h"

namespace cfgman {

struct ManagerTables {
  using Ptr = std::unique_ptr<xbase::Cursor>;
  Ptr TableOrgs, TableGroups, TableNodes, TableReceived, TablePending, TableSent, TableOut,
      TableRules, TableAgents, TableAgents2, TableGroups2, TableNodes2, TableActions,
      TableAgentActions;

  void open(const std::string& databaseFolder);
  void close();
  bool isOpen() const { return TableOrgs != nullptr; }
};

}  // namespace cfgman
