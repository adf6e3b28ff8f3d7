// Which commands the selected tree node enables, and which items of the
// tree's pop-up menu it shows. No selection enables nothing and shows only
// "Rename". Only folder and account captions can be edited in place.
#pragma once

#include <optional>

#include "cfgman/accounts/account_tree.h"

namespace cfgman {

struct CommandState {
  bool detach = false;
  bool rename = false;
  bool modifyButton = false;
  bool deleteButton = false;
  bool deleteItem = false;
  bool properties = false;
  bool attach = false;
  friend bool operator==(const CommandState&, const CommandState&) = default;
};

struct PopupState {
  bool newMenu = false;
  bool deleteItem = false;
  bool separators = false;
  bool attach = false;
  bool detach = false;
  bool properties = false;
  friend bool operator==(const PopupState&, const PopupState&) = default;
};

CommandState commandsFor(std::optional<NodeKind> kind);
PopupState popupFor(std::optional<NodeKind> kind);
bool captionEditable(NodeKind kind);

}  // namespace cfgman
