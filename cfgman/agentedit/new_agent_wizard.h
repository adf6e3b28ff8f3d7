// TfrmNewAgent, "Agent Wizard": introduction, "Trigger", "Action" and
// "Agent Name" pages. The trigger and action pages are complete with at
// least one entry, the name page with a name (at most 200 characters);
// Next or Finish is enabled only on a complete page and Next asks again
// before moving on. Completeness is asked again on entering a page, after
// every add (also a cancelled one) and after every change of the name, not
// after a delete. Finish with "?", "/" or "\" in the name does nothing (the
// wizard stays open); otherwise it closes with OK. The entries and their
// hidden lists are in entries; the new agent's name is agentName().
#pragma once

#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTreeWidget>
#include <QWizard>
#include <memory>

#include "cfgman/agentedit/agent_entries.h"

namespace cfgman {

class TfrmNewAgent : public QWizard {
  Q_OBJECT
 public:
  enum PageId { PageIntro, PageTrigger, PageAction, PageName };
  static constexpr int kMaxNameLength = 200;

  explicit TfrmNewAgent(QWidget* parent = nullptr);
  ~TfrmNewAgent() override;

  QString agentName() const { return edtAgentName->text(); }
  // A name the agent file can carry: no "?", "/" or "\".
  static bool nameAllowed(const QString& name);

  AgentEntries& entries() { return *entries_; }

  QTreeWidget* lstVTriggers;
  QPushButton* btnAddTrigger;
  QMenu* popupTriggers;
  QAction *mnuAddTrigger, *Edit1, *Remove1;
  QTreeWidget* lstVActions;
  QPushButton* btnAddAction;
  QMenu* popupActions;
  QAction *mnuAddAction, *MenuItem2, *MenuItem4;
  QLineEdit* edtAgentName;

 public Q_SLOTS:
  void mnuAddTriggerClick();
  void Edit1Click();
  void Remove1Click();
  void mnuAddActionClick();
  void MenuItem2Click();
  void MenuItem4Click();
  void lstVTriggersChange();
  void lstVActionsChange();
  bool EPWizardPage2DoneQuery() const;
  bool EPWizardPage3DoneQuery() const;
  bool EPWizardPage4DoneQuery() const;
  void edtAgentNameChange();
  void EPWizard1FinishClick();
  void EPWizard1CancelClick();
  void accept() override;

 private:
  void reask(int pageId);

  std::unique_ptr<AgentEntries> entries_;
};

}  // namespace cfgman
