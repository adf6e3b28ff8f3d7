// TfrmAgentProperties, "Agent Properties": the "Trigger" and "Action" tabs
// of an existing agent, each with its list (one row selectable at a time),
// its "&Add" button and pop-up menu, and OK / Cancel. The entries and their
// hidden lists are in entries; the caller loads them from the agent file
// before showing the dialog and writes them after OK. Triggers are edited
// in place; actions are only added and deleted. Neither list needs a row.
#pragma once

#include <QDialog>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <memory>

#include "cfgman/agentedit/agent_entries.h"

namespace cfgman {

class TfrmAgentProperties : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmAgentProperties(QWidget* parent = nullptr);
  ~TfrmAgentProperties() override;

  AgentEntries& entries() { return *entries_; }

  QTabWidget* pageControl;
  QTreeWidget* lstVTriggers;
  QPushButton* btnAdd;
  QMenu* popupTriggers;
  QAction *mnuTriggerAdd, *MenuItem2, *MenuItem4;
  QTreeWidget* lstVActions;
  QPushButton* btnActionAdd;
  QMenu* popupActions;
  QAction *mnuActionAdd, *mnuActionEdit, *Remove1;
  QPushButton* btnOK;
  QPushButton* btnCancel;

 public Q_SLOTS:
  void btnAddClick();
  void MenuItem2Click();
  void MenuItem4Click();
  void btnActionAddClick();
  void Remove1Click();
  void lstVTriggersChange();
  void lstVActionsChange();

 private:
  std::unique_ptr<AgentEntries> entries_;
};

}  // namespace cfgman
