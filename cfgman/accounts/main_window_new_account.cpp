// The main window's account wizard handler: runs TfrmNewNode and writes the
// NODES row and its "Control Restriction" rules.dbf row.
#include <QListWidget>
#include <random>

#include "cfgman/accounts/main_window.h"
#include "cfgman/accounts/new_node_wizard.h"
#include "cfgman/status/operator_dialogs.h"
#include "platform/system/clock.h"
#include "store/keys.h"

namespace cfgman {
namespace {

// Stands the cursor on its last row in its current order.
void goLast(xbase::Cursor& c) {
  uint32_t last = 0;
  for (c.first(); !c.eof(); c.next()) last = c.recno();
  if (last) c.go(last);
}

}  // namespace

std::string TfrmMain::NewNodeID() {
  if (nodeIdPause) nodeIdPause();
  const sys::DateTime now = sys::now();
  std::mt19937 gen(static_cast<std::mt19937::result_type>(now.totalMsecs()));
  const int ms = now.msec();
  const int r = ms > 0 ? std::uniform_int_distribution<int>(0, ms - 1)(gen) : 0;
  return makeNodeId(now, r);
}

void TfrmMain::PopulateWizardGroups(TfrmNewNode& wizard) {
  wizard.lstGroups->clear();
  xbase::Cursor& g = *tables_.TableGroups;
  for (g.first(); !g.eof(); g.next()) wizard.lstGroups->addItem(QString::fromStdString(g.getString("GROUP")));
}

void TfrmMain::B1Click() {
  if (!tables_.isOpen()) return;
  pageControlMain->setCurrentWidget(TSaccounts);
  PlaySoundEffect("newitem.wav");
  TfrmNewNode wizard(this);
  const QString current = QString::fromStdString(tables_.TableGroups2->getString("GROUP"));
  PopulateWizardGroups(wizard);
  for (int i = 0; i < wizard.lstGroups->count(); ++i)
    if (wizard.lstGroups->item(i)->text() == current) wizard.lstGroups->item(i)->setSelected(true);
  wizard.cmbAction1->setCurrentText("YES");
  wizard.cmbAction2->setCurrentText("YES");
  if (dialogs().runModal(wizard) != QDialog::Accepted) return;

  const QString group = wizard.selectedGroup();
  if (group.isEmpty()) {
    // Every account belongs to a folder: without one nothing is written.
    dialogs().showMessage("No group was selected, so the account was not created.");
    return;
  }
  NewAccountRow row;
  const NewAccountInput in = wizard.input();
  try {
    // Converted before any row is started, so a bad entry stores nothing.
    row = convertNewAccount(in);
  } catch (const std::exception& e) {
    AppException(QString::fromUtf8(e.what()));
    return;
  }
  xbase::Cursor& groups = *tables_.TableGroups2;
  if (!groups.seek(group.toStdString())) {
    dialogs().showMessage("Failed to position record, please re-index.");
    goLast(groups);
  }
  const std::string id = NewNodeID().substr(0, 20);
  const xbase::Cursor::Date date{row.year, row.month, row.day};

  xbase::Cursor& nodes = *tables_.TableNodes;
  nodes.insert();
  nodes.setString("UNIQUE_ID", id);
  nodes.setString("LINK_ID", groups.getString("UNIQUE_ID"));
  nodes.setString("NODE", in.name);
  nodes.setString("SMTPADDRES", in.smtp);
  nodes.setString("POPADDRESS", in.pop);
  nodes.setString("LOGIN", in.login);
  nodes.setString("PASSWORD", in.password);
  nodes.setString("ADDRESS", in.email);
  nodes.setInt("FREQVAL", row.freqVal);
  nodes.setDate("NEXTDATE", date);
  nodes.setString("NEXTTIME", row.time24);
  nodes.setString("FREQTYPE", "H");
  nodes.setDate("LASTDATE", date);
  nodes.setString("LASTTIME", row.time24);
  nodes.post();

  xbase::Cursor& rules = *tables_.TableRules;
  rules.insert();
  rules.setString("UNIQUE_ID", store::timeStampKey(id, 6));
  rules.setString("LINK_ID", id);
  rules.setString("RULE", kControlRestriction);
  rules.setString("COND", "A");
  rules.setString("CONDVAL1", "");
  rules.setString("CONDVAL2", "");
  rules.setString("ACT1", row.act1);
  rules.setString("ACT2", row.act2);
  rules.post();

  populateGroups();
}

}  // namespace cfgman
