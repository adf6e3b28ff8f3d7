// TDM: the processor's five table views. The accounts view walks NODES.DBF in
// file order; the pending, received and attachment views are detail views of
// it on their LINK_ID tag; the actions view is a plain view of ACTIONS.DBF
// whose after-insert hook stamps every new row with the date and time.
#pragma once

#include <memory>
#include <string>

#include "platform/xbase/cursor.h"

namespace agentrun {

class TDM {
 public:
  // Opens the five tables from `databaseFolder` in the order received, nodes,
  // pending, agents, actions; raises sys::Error at the first that fails (the
  // ones opened before stay open).
  void open(const std::string& databaseFolder);
  // Closes received, nodes, pending, agents, actions, in that order.
  void close();
  bool isOpen() const { return TableANodes != nullptr && TableActions != nullptr; }

  // Sets CREATEON to today and CREATEAT to the current time "hh:mm".
  static void TableActionsAfterInsert(xbase::Cursor& actions);

  std::unique_ptr<xbase::Cursor> TableAReceived;
  std::unique_ptr<xbase::Cursor> TableANodes;
  std::unique_ptr<xbase::Cursor> TableAPending;
  std::unique_ptr<xbase::Cursor> TableAgents;
  std::unique_ptr<xbase::Cursor> TableActions;
};

}  // namespace agentrun
