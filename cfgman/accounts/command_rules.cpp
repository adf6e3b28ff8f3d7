#include "cfgman/accounts/command_rules.h"

namespace cfgman {

CommandState commandsFor(std::optional<NodeKind> kind) {
  CommandState s;
  if (!kind) return s;
  switch (*kind) {
    case NodeKind::Agent: s.detach = true; break;
    case NodeKind::Root: break;
    case NodeKind::Account:
      s.attach = s.modifyButton = s.deleteButton = s.deleteItem = s.properties = s.rename = true;
      break;
    case NodeKind::Folder: s.deleteItem = s.rename = true; break;
  }
  return s;
}

PopupState popupFor(std::optional<NodeKind> kind) {
  PopupState p;
  if (!kind) return p;
  switch (*kind) {
    case NodeKind::Root:
    case NodeKind::Folder: p.newMenu = p.deleteItem = true; break;
    case NodeKind::Account:
      p.newMenu = p.deleteItem = p.attach = p.properties = p.separators = true;
      break;
    case NodeKind::Agent: p.detach = true; break;
  }
  return p;
}

bool captionEditable(NodeKind kind) { return kind == NodeKind::Folder || kind == NodeKind::Account; }

}  // namespace cfgman
