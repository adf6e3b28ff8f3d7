#include "cfgman/agentedit/new_agent_wizard.h"

#include "cfgman/agentedit/entry_list.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QVBoxLayout>
#include <QWizardPage>
#include <functional>

namespace cfgman {
namespace {

// A page whose completeness is answered by the wizard; Next asks it again
// before moving on.
class Page : public QWizardPage {
 public:
  std::function<bool()> complete;
  bool isComplete() const override { return complete ? complete() : true; }
  bool validatePage() override { return isComplete(); }
  void changed() { Q_EMIT completeChanged(); }
};

Page* makePage(QWizard* w, int id, const QString& title, const QStringList& texts) {
  auto* p = new Page;
  p->setTitle(title);
  auto* layout = new QVBoxLayout(p);
  for (const QString& t : texts) {
    auto* l = new QLabel(t, p);
    l->setWordWrap(true);
    layout->addWidget(l);
  }
  w->setPage(id, p);
  return p;
}

}  // namespace

TfrmNewAgent::TfrmNewAgent(QWidget* parent) : QWizard(parent) {
  setObjectName("frmNewAgent");
  setWindowTitle("Agent Wizard");
  setOptions(QWizard::NoBackButtonOnStartPage | QWizard::NoDefaultButton);
  setButtonText(QWizard::BackButton, "< &Back");
  setButtonText(QWizard::NextButton, "Next >");
  setButtonText(QWizard::FinishButton, "&Finish");
  setButtonText(QWizard::CancelButton, "Cancel");

  makePage(this, PageIntro, "New Agent Wizard",
           {"An agent is a set of triggers and actions.  The triggers describe the messages the agent acts on; "
            "the actions say what it does with each of them.",
            "Tip: an agent does nothing until it is attached to one or more accounts.",
            "Tip: an agent only sees the messages that the account's restrictions let through."});

  Page* p2 = makePage(this, PageTrigger, "Trigger",
                      {"Please specify the conditions that must be present in an e-mail message for the actions "
                       "of this agent to occur.",
                       "Tip: every trigger of an agent must hold for its actions to occur.  For alternatives, "
                       "create a separate agent for each."});
  lstVTriggers = entryList(p2, "lstVTriggers", {"Field", "Condition", "Value"}, {120, 95, 80}, QAbstractItemView::ExtendedSelection);
  btnAddTrigger = addButton(p2);
  popupTriggers = new QMenu(this);
  mnuAddTrigger = popupTriggers->addAction("Add...");
  Edit1 = popupTriggers->addAction("Edit...");
  popupTriggers->addSeparator();
  Remove1 = popupTriggers->addAction("Delete");
  p2->complete = [this] { return EPWizardPage2DoneQuery(); };

  Page* p3 = makePage(this, PageAction, "Action",
                      {"An action takes place after the trigger condition is met.  If multiple actions are to "
                       "occur, you may enter more than one."});
  lstVActions = entryList(p3, "lstVActions", {"Action Description", "Parameter"}, {200, 95}, QAbstractItemView::ExtendedSelection);
  btnAddAction = addButton(p3);
  popupActions = new QMenu(this);
  mnuAddAction = popupActions->addAction("Add...");
  MenuItem2 = popupActions->addAction("Edit...");
  popupActions->addSeparator();
  MenuItem4 = popupActions->addAction("Delete");
  p3->complete = [this] { return EPWizardPage3DoneQuery(); };

  Page* p4 = makePage(this, PageName, "Agent Name",
                      {"Please enter a descriptive name for the new agent, for example \"Reply to price "
                       "requests\"."});
  edtAgentName = new QLineEdit(p4);
  edtAgentName->setObjectName("edtAgentName");
  edtAgentName->setMaxLength(kMaxNameLength);
  auto* nameLabel = new QLabel("&Name", p4);
  nameLabel->setBuddy(edtAgentName);
  p4->layout()->addWidget(nameLabel);
  p4->layout()->addWidget(edtAgentName);
  p4->layout()->addWidget(new QLabel("This name is used for your reference.", p4));
  p4->complete = [this] { return EPWizardPage4DoneQuery(); };

  entries_ = std::make_unique<AgentEntries>(lstVTriggers, lstVActions);

  connect(btnAddTrigger, &QPushButton::clicked, this, &TfrmNewAgent::mnuAddTriggerClick);
  connect(mnuAddTrigger, &QAction::triggered, this, &TfrmNewAgent::mnuAddTriggerClick);
  connect(Edit1, &QAction::triggered, this, &TfrmNewAgent::Edit1Click);
  connect(lstVTriggers, &QTreeWidget::itemDoubleClicked, this, &TfrmNewAgent::Edit1Click);
  connect(Remove1, &QAction::triggered, this, &TfrmNewAgent::Remove1Click);
  connect(btnAddAction, &QPushButton::clicked, this, &TfrmNewAgent::mnuAddActionClick);
  connect(mnuAddAction, &QAction::triggered, this, &TfrmNewAgent::mnuAddActionClick);
  connect(MenuItem2, &QAction::triggered, this, &TfrmNewAgent::MenuItem2Click);
  connect(MenuItem4, &QAction::triggered, this, &TfrmNewAgent::MenuItem4Click);
  connect(lstVTriggers, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& p) { popupTriggers->popup(lstVTriggers->viewport()->mapToGlobal(p)); });
  connect(lstVActions, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& p) { popupActions->popup(lstVActions->viewport()->mapToGlobal(p)); });
  onRowsChanged(lstVTriggers, this, [this] { lstVTriggersChange(); });
  onRowsChanged(lstVActions, this, [this] { lstVActionsChange(); });
  connect(edtAgentName, &QLineEdit::textChanged, this, &TfrmNewAgent::edtAgentNameChange);
}

TfrmNewAgent::~TfrmNewAgent() = default;

bool TfrmNewAgent::nameAllowed(const QString& name) {
  return !name.contains('?') && !name.contains('/') && !name.contains('\\');
}

void TfrmNewAgent::reask(int pageId) {
  if (auto* p = dynamic_cast<Page*>(page(pageId))) p->changed();
}

void TfrmNewAgent::mnuAddTriggerClick() {
  entries_->addTrigger(this);
  reask(PageTrigger);
}

void TfrmNewAgent::Edit1Click() { entries_->editTrigger(this); }

void TfrmNewAgent::Remove1Click() { entries_->removeSelectedTriggers(); }

void TfrmNewAgent::mnuAddActionClick() {
  entries_->addAction(this);
  reask(PageAction);
}

// Existing actions are not edited: the operator deletes one and adds another.
void TfrmNewAgent::MenuItem2Click() {}

void TfrmNewAgent::MenuItem4Click() { entries_->removeSelectedActions(); }

void TfrmNewAgent::lstVTriggersChange() { AgentEntries::setAddCaption(lstVTriggers, btnAddTrigger, mnuAddTrigger); }

void TfrmNewAgent::lstVActionsChange() { AgentEntries::setAddCaption(lstVActions, btnAddAction, mnuAddAction); }

bool TfrmNewAgent::EPWizardPage2DoneQuery() const { return lstVTriggers->topLevelItemCount() > 0; }

bool TfrmNewAgent::EPWizardPage3DoneQuery() const { return lstVActions->topLevelItemCount() > 0; }

bool TfrmNewAgent::EPWizardPage4DoneQuery() const { return !edtAgentName->text().isEmpty(); }

void TfrmNewAgent::edtAgentNameChange() { reask(PageName); }

void TfrmNewAgent::EPWizard1FinishClick() {
  if (!nameAllowed(edtAgentName->text())) return;
  QWizard::accept();
}

void TfrmNewAgent::EPWizard1CancelClick() { reject(); }

void TfrmNewAgent::accept() { EPWizard1FinishClick(); }

}  // namespace cfgman
