// The main window's folder handlers: new folder, renaming a folder or an
// account in the tree, and deleting an account or a folder.
#include <QCoreApplication>

#include "cfgman/accounts/command_rules.h"

#include "cfgman/accounts/main_window.h"
#include "cfgman/accounts/new_group_dialog.h"
#include "cfgman/status/operator_dialogs.h"
#include "platform/system/clock.h"
#include "store/keys.h"

namespace cfgman {

void TfrmMain::Position1Click() {
  if (!tables_.isOpen()) return;
  pageControlMain->setCurrentWidget(TSaccounts);
  TfrmNewGroup dialog(this);
  if (dialogs().runModal(dialog) != QDialog::Accepted) return;
  const std::string name = dialog.edtGroupName->text().toStdString();
  const sys::Date today = sys::now().date();
  xbase::Cursor& g = *tables_.TableGroups;
  g.insert();
  g.setString("UNIQUE_ID", store::timeStampKey(name, 2));
  g.setString("LINK_ID", tables_.TableOrgs->getString("UNIQUE_ID"));
  g.setDate("CREATEON", {today.year, today.month, today.day});
  g.setString("GROUP", name);
  g.setString("NOTES", name);
  g.post();
  QCoreApplication::processEvents();
  populateGroups();
}

void TfrmMain::treeMainEdited(QTreeWidgetItem* node, const QString& text) {
  const std::optional<NodeKind> kind = kindOf(node);
  if (!kind || !captionEditable(*kind)) return;
  const QString old = node->data(0, CaptionRole).toString();
  const bool account = *kind == NodeKind::Account;
  xbase::Cursor& c = account ? *tables_.TableNodes2 : *tables_.TableGroups2;
  c.edit();
  c.setString(account ? "NODE" : "GROUP", text.toStdString());
  c.post();
  node->setData(0, CaptionRole, text);
  SendtoLog(QString(account ? "Node" : "Group") + " renamed from " + old + " to " + text);
}

void TfrmMain::Delete1Click() {
  if (!tables_.isOpen()) return;
  QTreeWidgetItem* node = treeMain->currentItem();
  const std::optional<NodeKind> kind = kindOf(node);
  if (!kind) {
    dialogs().showMessage("Nothing Selected to delete");
    return;
  }
  if (*kind == NodeKind::Account) {
    if (!dialogs().askYesNo(" Delete Confirmation", "Are you sure you want to delete this account?")) return;
    tables_.TableNodes2->remove();
  } else if (*kind == NodeKind::Folder) {
    const uint32_t folder = tables_.TableGroups2->recno();
    xbase::Cursor& groups = *tables_.TableGroups;
    groups.go(folder);
    if (tables_.TableGroups2->count() < 2) {
      dialogs().showMessage("Unable to delete this folder, you must have at least one root folder.");
      return;
    }
    xbase::Cursor& nodes = *tables_.TableNodes;
    nodes.first();
    if (!nodes.eof() && !nodes.getString("UNIQUE_ID").empty()) {
      if (!dialogs().askYesNo("Delete Confirmation",
                              "WARNING THIS GROUP HAS ACCOUNTS: Are you sure you want to delete this group "
                              "and all accounts inside it?"))
        return;
      for (nodes.first(); !nodes.eof(); nodes.first()) nodes.remove();
    } else if (!dialogs().askYesNo(" Delete Confirmation", "Are you sure you want to delete this group?")) {
      return;
    }
    groups.go(folder);
    groups.remove();
  }
  populateGroups();
  treeMain->expandAll();
}

}  // namespace cfgman
