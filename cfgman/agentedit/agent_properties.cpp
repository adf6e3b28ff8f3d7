#include "cfgman/agentedit/agent_properties.h"

#include "cfgman/agentedit/entry_list.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <functional>

namespace cfgman {
namespace {

QWidget* sheet(QTabWidget* tabs, const QString& title, const QString& text) {
  auto* w = new QWidget;
  auto* l = new QVBoxLayout(w);
  auto* heading = new QLabel(title, w);
  QFont f = heading->font();
  f.setBold(true);
  heading->setFont(f);
  l->addWidget(heading);
  auto* t = new QLabel(text, w);
  t->setWordWrap(true);
  l->addWidget(t);
  tabs->addTab(w, title);
  return w;
}

}  // namespace

TfrmAgentProperties::TfrmAgentProperties(QWidget* parent) : QDialog(parent) {
  setObjectName("frmAgentProperties");
  setWindowTitle("Agent Properties");
  auto* layout = new QVBoxLayout(this);
  pageControl = new QTabWidget(this);
  layout->addWidget(pageControl, 1);

  QWidget* trig = sheet(pageControl, "Trigger",
                        "Please specify the conditions that must be present in an e-mail message for the actions "
                        "of this agent to occur.");
  lstVTriggers = entryList(trig, "lstVTriggers", {"Field", "Condition", "Value"}, {120, 100, 115}, QAbstractItemView::SingleSelection);
  btnAdd = addButton(trig);
  popupTriggers = new QMenu(this);
  mnuTriggerAdd = popupTriggers->addAction("Add..");
  MenuItem2 = popupTriggers->addAction("Edit...");
  popupTriggers->addSeparator();
  MenuItem4 = popupTriggers->addAction("Delete");

  QWidget* act = sheet(pageControl, "Action",
                       "Actions take place after the trigger conditions are met.  If multiple actions are to "
                       "occur, you may enter more than one.  You may specify an unlimited number of actions to "
                       "occur.");
  lstVActions = entryList(act, "lstVActions", {"Action Description", "Parameter", ""}, {150, 185, 0}, QAbstractItemView::SingleSelection);
  btnActionAdd = addButton(act);
  popupActions = new QMenu(this);
  mnuActionAdd = popupActions->addAction("Add");
  mnuActionEdit = popupActions->addAction("Edit...");
  mnuActionEdit->setVisible(false);
  popupActions->addSeparator();
  Remove1 = popupActions->addAction("Delete");

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  btnOK = new QPushButton("OK", this);
  btnOK->setDefault(true);
  btnCancel = new QPushButton("Cancel", this);
  buttons->addWidget(btnOK);
  buttons->addWidget(btnCancel);
  layout->addLayout(buttons);

  entries_ = std::make_unique<AgentEntries>(lstVTriggers, lstVActions);

  connect(btnAdd, &QPushButton::clicked, this, &TfrmAgentProperties::btnAddClick);
  connect(mnuTriggerAdd, &QAction::triggered, this, &TfrmAgentProperties::btnAddClick);
  connect(MenuItem2, &QAction::triggered, this, &TfrmAgentProperties::MenuItem2Click);
  connect(MenuItem4, &QAction::triggered, this, &TfrmAgentProperties::MenuItem4Click);
  connect(btnActionAdd, &QPushButton::clicked, this, &TfrmAgentProperties::btnActionAddClick);
  connect(mnuActionAdd, &QAction::triggered, this, &TfrmAgentProperties::btnActionAddClick);
  connect(Remove1, &QAction::triggered, this, &TfrmAgentProperties::Remove1Click);
  connect(lstVTriggers, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& p) { popupTriggers->popup(lstVTriggers->viewport()->mapToGlobal(p)); });
  connect(lstVActions, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& p) { popupActions->popup(lstVActions->viewport()->mapToGlobal(p)); });
  onRowsChanged(lstVTriggers, this, [this] { lstVTriggersChange(); });
  onRowsChanged(lstVActions, this, [this] { lstVActionsChange(); });
  connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

TfrmAgentProperties::~TfrmAgentProperties() = default;

void TfrmAgentProperties::btnAddClick() { entries_->addTrigger(this); }
void TfrmAgentProperties::MenuItem2Click() { entries_->editTrigger(this); }
void TfrmAgentProperties::MenuItem4Click() { entries_->removeSelectedTriggers(); }
void TfrmAgentProperties::btnActionAddClick() { entries_->addAction(this); }
void TfrmAgentProperties::Remove1Click() { entries_->removeSelectedActions(); }

void TfrmAgentProperties::lstVTriggersChange() {
  AgentEntries::setAddCaption(lstVTriggers, btnAdd, mnuTriggerAdd);
}

void TfrmAgentProperties::lstVActionsChange() {
  AgentEntries::setAddCaption(lstVActions, btnActionAdd, mnuActionAdd);
}

}  // namespace cfgman
