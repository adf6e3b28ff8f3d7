// The entries of an agent while the wizard or the properties dialog is open:
// the hidden parallel lists (lstHeader, lstCondition, lstValue for the
// triggers; lstActionParam1..3 for the actions: keyword, parameter, second
// parameter) and the rows of the two list views showing them. Item i of each
// hidden list and row i of its view always describe the same entry; the
// hidden lists are what is written. Rows added through the action dialog
// show the caption as listed, rows loaded from a file the stored keyword.
// Adding and editing run the trigger and action dialogs through the
// operator dialog seam; edit refusals are messages through the same seam.
#pragma once

#include <QAction>
#include <QPushButton>
#include <QString>
#include <QStringList>
#include <QTreeWidget>
#include <functional>

#include "store/agentfile.h"

namespace cfgman {

class AgentEntries {
 public:
  AgentEntries(QTreeWidget* triggers, QTreeWidget* actions) : lstVTriggers(triggers), lstVActions(actions) {}

  // Trigger and action rows as the dialogs add them.
  void appendTrigger(const store::Trigger& t);
  void appendAction(const QString& shown, const store::Action& a);
  // Fills both lists from a file's entries (rows show the stored keyword).
  void load(const store::AgentFile& agent);
  // A MESSAGE agent of the hidden lists.
  store::AgentFile agent() const;

  // Runs the trigger dialog for a new trigger; true when one was added.
  bool addTrigger(QWidget* parent);
  // Edits the one selected trigger (messages for none or several).
  void editTrigger(QWidget* parent);
  // Runs the action dialog; true when an action was added.
  bool addAction(QWidget* parent);
  // Remove every selected row and the hidden items of its index.
  void removeSelectedTriggers();
  void removeSelectedActions();

  // "&Add" while the list is empty, "&And" once it holds a row.
  static void setAddCaption(const QTreeWidget* list, QPushButton* button, QAction* item);

  // Handed to the action dialog.
  QString templatesPath;
  std::function<void()> onCreateNew;

  QTreeWidget* lstVTriggers;
  QTreeWidget* lstVActions;
  QStringList lstHeader, lstCondition, lstValue;
  QStringList lstActionParam1, lstActionParam2, lstActionParam3;
};

}  // namespace cfgman
