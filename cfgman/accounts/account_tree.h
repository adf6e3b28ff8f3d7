// The account tree as data: the root "E-Mail Accounts", each folder of the
// organisation in LINK_ID tag order, each folder's accounts and each
// account's agent attachments, in tag order (equal keys in record order).
// Each node carries its kind (the image index of the tree) and the record
// number of the row it shows. buildAccountTree re-reads the tree cursors.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cfgman/accounts/manager_tables.h"

namespace cfgman {

enum class NodeKind : int { Root = 5, Folder = 7, Account = 6, Agent = 2 };

struct TreeItem {
  NodeKind kind = NodeKind::Root;
  std::string caption;
  uint32_t recno = 0;  // 0 for the root
  std::vector<TreeItem> children;
};

inline constexpr const char* kRootCaption = "E-Mail Accounts";

TreeItem buildAccountTree(ManagerTables& t);

}  // namespace cfgman
