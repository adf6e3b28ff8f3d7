#include "agentrun/data_module.h"

#include "platform/system/clock.h"
#include "platform/system/format_datetime.h"

namespace agentrun {

void TDM::open(const std::string& databaseFolder) {
  close();
  TableAReceived = xbase::Cursor::open(databaseFolder, "received.dbf");
  TableANodes = xbase::Cursor::open(databaseFolder, "NODES.DBF");
  TableAPending = xbase::Cursor::open(databaseFolder, "PENDING.DBF");
  TableAgents = xbase::Cursor::open(databaseFolder, "Agents.dbf");
  TableActions = xbase::Cursor::open(databaseFolder, "ACTIONS.DBF");

  TableAReceived->setMaster(TableANodes.get(), "UNIQUE_ID", "LINK_ID");
  TableAPending->setMaster(TableANodes.get(), "UNIQUE_ID", "LINK_ID");
  TableAgents->setMaster(TableANodes.get(), "UNIQUE_ID", "LINK_ID");
  TableActions->afterInsert = &TDM::TableActionsAfterInsert;
}

void TDM::close() {
  // Detail views go before their master.
  TableAReceived.reset();
  TableAPending.reset();
  TableAgents.reset();
  TableANodes.reset();
  TableActions.reset();
}

void TDM::TableActionsAfterInsert(xbase::Cursor& actions) {
  const sys::DateTime now = sys::now();
  actions.setDate("CREATEON", {now.year(), now.month(), now.day()});
  actions.setString("CREATEAT", sys::formatDateTime("hh:nn", now));
}

}  // namespace agentrun
