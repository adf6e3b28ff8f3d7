#include "cfgman/accounts/account_tree.h"

namespace cfgman {

TreeItem buildAccountTree(ManagerTables& t) {
  t.TableGroups->refresh();
  t.TableNodes->refresh();
  t.TableGroups2->refresh();
  t.TableNodes2->refresh();
  t.TableAgents->refresh();

  TreeItem root{NodeKind::Root, kRootCaption, 0, {}};
  t.TableOrgs->first();
  if (t.TableOrgs->eof()) return root;  // no organisation: the root alone
  for (t.TableGroups->first(); !t.TableGroups->eof(); t.TableGroups->next()) {
    TreeItem folder{NodeKind::Folder, t.TableGroups->getString("GROUP"), t.TableGroups->recno(), {}};
    for (t.TableNodes->first(); !t.TableNodes->eof(); t.TableNodes->next()) {
      TreeItem account{NodeKind::Account, t.TableNodes->getString("NODE"), t.TableNodes->recno(), {}};
      for (t.TableAgents->first(); !t.TableAgents->eof(); t.TableAgents->next())
        account.children.push_back(
            {NodeKind::Agent, t.TableAgents->getString("AGENT"), t.TableAgents->recno(), {}});
      folder.children.push_back(std::move(account));
    }
    root.children.push_back(std::move(folder));
  }
  return root;
}

}  // namespace cfgman
