#include "cfgman/agentedit/agent_entries.h"

#include "cfgman/agentedit/action_catalogue.h"
#include "cfgman/agentedit/action_dialog.h"
#include "cfgman/agentedit/trigger_dialog.h"
#include "cfgman/status/operator_dialogs.h"

namespace cfgman {
namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }
std::string s(const QString& t) { return t.toStdString(); }

// Indexes of the selected rows, last first.
QList<int> selectedRowsDescending(QTreeWidget* list) {
  QList<int> rows;
  for (int i = list->topLevelItemCount() - 1; i >= 0; --i)
    if (list->topLevelItem(i)->isSelected()) rows << i;
  return rows;
}

}  // namespace

void AgentEntries::appendTrigger(const store::Trigger& t) {
  lstHeader << q(t.field);
  lstCondition << q(t.condition);
  lstValue << q(t.value);
  new QTreeWidgetItem(lstVTriggers, {q(t.field), q(t.condition), q(t.value)});
}

void AgentEntries::appendAction(const QString& shown, const store::Action& a) {
  lstActionParam1 << q(a.keyword);
  lstActionParam2 << q(a.param);
  lstActionParam3 << q(a.param2);
  new QTreeWidgetItem(lstVActions, {shown, q(a.param), q(a.param2)});
}

void AgentEntries::load(const store::AgentFile& agent) {
  for (const store::Trigger& t : agent.triggers) appendTrigger(t);
  for (const store::Action& a : agent.actions) appendAction(q(a.keyword), a);
}

store::AgentFile AgentEntries::agent() const {
  store::AgentFile a;
  a.agentType = "MESSAGE";
  for (int i = 0; i < lstHeader.size(); ++i)
    a.triggers.push_back(store::Trigger{s(lstHeader[i]), s(lstCondition[i]), s(lstValue[i])});
  for (int i = 0; i < lstActionParam1.size(); ++i)
    a.actions.push_back(store::Action{s(lstActionParam1[i]), s(lstActionParam2[i]), s(lstActionParam3[i])});
  return a;
}

bool AgentEntries::addTrigger(QWidget* parent) {
  TfrmTrigger dlg(parent);
  if (dialogs().runModal(dlg) != QDialog::Accepted) return false;
  appendTrigger(dlg.trigger());
  return true;
}

void AgentEntries::editTrigger(QWidget* parent) {
  const QList<QTreeWidgetItem*> sel = lstVTriggers->selectedItems();
  if (sel.size() > 1) {
    dialogs().showMessage("Cannot edit more than one item at a time.");
    return;
  }
  if (sel.isEmpty()) {
    dialogs().showMessage("Nothing selected for editing.");
    return;
  }
  QTreeWidgetItem* row = sel.first();
  const int i = lstVTriggers->indexOfTopLevelItem(row);
  TfrmTrigger dlg(parent);
  dlg.loadTrigger(store::Trigger{s(lstHeader[i]), s(lstCondition[i]), s(lstValue[i])});
  if (dialogs().runModal(dlg) != QDialog::Accepted) return;
  const store::Trigger t = dlg.trigger();
  lstHeader[i] = q(t.field);
  lstCondition[i] = q(t.condition);
  lstValue[i] = q(t.value);
  row->setText(0, q(t.field));
  row->setText(1, q(t.condition));
  row->setText(2, q(t.value));
}

bool AgentEntries::addAction(QWidget* parent) {
  TfrmAction dlg(parent);
  dlg.templatesPath = templatesPath;
  dlg.onCreateNew = onCreateNew;
  // Window-modal: the message editor opened by "&Create New" stays usable
  // while the dialog is open.
  dlg.setWindowModality(Qt::WindowModal);
  if (dialogs().runModal(dlg) != QDialog::Accepted || !dlg.chosen()) return false;
  const ChosenAction& c = *dlg.chosen();
  appendAction(c.caption, store::Action{s(actionKeyword(c.caption)), s(c.param), s(c.param2)});
  return true;
}

void AgentEntries::removeSelectedTriggers() {
  for (int i : selectedRowsDescending(lstVTriggers)) {
    delete lstVTriggers->takeTopLevelItem(i);
    lstHeader.removeAt(i);
    lstCondition.removeAt(i);
    lstValue.removeAt(i);
  }
}

void AgentEntries::removeSelectedActions() {
  for (int i : selectedRowsDescending(lstVActions)) {
    delete lstVActions->takeTopLevelItem(i);
    lstActionParam1.removeAt(i);
    lstActionParam2.removeAt(i);
    lstActionParam3.removeAt(i);
  }
}

void AgentEntries::setAddCaption(const QTreeWidget* list, QPushButton* button, QAction* item) {
  const bool empty = list->topLevelItemCount() == 0;
  button->setText(empty ? "&Add" : "&And");
  if (item) item->setText(empty ? "&Add" : "&And");
}

}  // namespace cfgman
