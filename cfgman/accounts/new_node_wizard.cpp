#include "cfgman/accounts/new_node_wizard.h"

#include <QFormLayout>
#include <QLabel>
#include <QShowEvent>
#include <QVBoxLayout>
#include <QWizardPage>
#include <functional>

#include "platform/system/clock.h"
#include "platform/system/format_datetime.h"

namespace cfgman {
namespace {

// A page whose completeness and leaving are answered by the wizard.
class Page : public QWizardPage {
 public:
  std::function<bool()> complete;
  std::function<bool()> leave;
  std::function<void()> enter;
  bool isComplete() const override { return complete ? complete() : true; }
  bool validatePage() override { return leave ? leave() : true; }
  void initializePage() override {
    if (enter) enter();
  }
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

QLineEdit* makeField(Page* p, const QString& label, const char* name) {
  auto* e = new QLineEdit(p);
  e->setObjectName(name);
  auto* l = new QLabel(label, p);
  l->setBuddy(e);
  p->layout()->addWidget(l);
  p->layout()->addWidget(e);
  return e;
}

QComboBox* yesNo(Page* p, const QString& label, const char* name) {
  auto* c = new QComboBox(p);
  c->setObjectName(name);
  c->addItems({"YES", "NO"});
  auto* l = new QLabel(label, p);
  l->setBuddy(c);
  p->layout()->addWidget(l);
  p->layout()->addWidget(c);
  return c;
}

}  // namespace

TfrmNewNode::TfrmNewNode(QWidget* parent) : QWizard(parent) {
  setObjectName("frmNewNode");
  setWindowTitle("Mail Account Wizard");
  setOptions(QWizard::NoBackButtonOnStartPage | QWizard::NoDefaultButton);
  setButtonText(QWizard::BackButton, "< &Back");
  setButtonText(QWizard::NextButton, "Next >");
  setButtonText(QWizard::FinishButton, "&Finish");
  setButtonText(QWizard::CancelButton, "Cancel");

  Page* p1 = makePage(this, PageName, "Account Name",
                  {"Enter a descriptive name for the new account.  This name can be a real persons name, a "
                   "department name or a name that accurately reflects the function and/or rules of the account.",
                   "This is the name that Karvix will use to identify this account on the accounts list."});
  edtNodeName = makeField(p1, "&Account Name:", "edtNodeName");
  p1->complete = [this] { return WizPage1DoneQuery(); };

  Page* p2 = makePage(this, PageGroup, "Select a Group", {"Select a group to place the new account."});
  lstGroups = new QListWidget(p2);
  lstGroups->setObjectName("lstGroups");
  lstGroups->setSelectionMode(QAbstractItemView::ExtendedSelection);
  auto* lg = new QLabel("&Available Groups", p2);
  lg->setBuddy(lstGroups);
  p2->layout()->addWidget(lg);
  p2->layout()->addWidget(lstGroups);

  Page* p3 = makePage(this, PageServer, "Server Information",
                  {"Please enter the following server addresses.  If they are on your local network, you may "
                   "just put the computer name.",
                   "(mail.example.com)",
                   "These addresses are often the same.  But can be different.  Check with the Internet "
                   "Service Provider (ISP) to be sure."});
  edtSMTP = makeField(p3, "&SMTP Server Address (Outgoing Mail):", "edtSMTP");
  edtPOP = makeField(p3, "&POP Server Address (Incoming Mail);", "edtPOP");

  Page* p4 = makePage(this, PageLogin, "Login Information", {"Please enter the login information for this account."});
  edtUsername = makeField(p4, "&Username", "edtUsername");
  edtPassword = makeField(p4, "&Password ", "edtPassword");
  edtPassword->setEchoMode(QLineEdit::Password);

  Page* p5 = makePage(this, PageIdentity, "Identification",
                  {"This is the real name that people will see when receiving mail sent from this account.",
                   "This is the full e-mail address that people will reply to when receiving mail from this "
                   "node. (someone@example.com)"});
  edtRealName = makeField(p5, "&Sender name:", "edtRealName");
  edtEmail = makeField(p5, "&E-Mail Address:", "edtEmail");
  p5->enter = [this] { EPWizardPage3DoneQuery(); };
  p5->leave = [this] { return EPWizardPage3DoneQuery(); };

  Page* p6 = makePage(this, PageInterval, "Processing Interval",
                  {"When automated processing is ON, the following information will be used to determine the "
                   "interval at which this account will be checked."});
  edtMins = makeField(p6, "This account's mail will be &processed every", "edtMins");
  edtMins->setText("10");
  p6->layout()->addWidget(new QLabel("Minutes", p6));
  p6->layout()->addWidget(new QLabel("Starting:", p6));
  MedtNextDate = makeField(p6, "Next Processing &Date:", "MedtNextDate");
  MedtNextDate->setInputMask("99/99/99;_");
  MedtNextTime = makeField(p6, "Next Processing &Time:", "MedtNextTime");
  MedtNextTime->setInputMask("09:99>AA;_");

  Page* p7 = makePage(this, PageControl, "Control Restriction",
                  {"The Control Restriction determines what is done by default with the messages found on the "
                   "server.  Further restrictions can deal with different messages in different ways.",
                   "Exclusions and additional restrictions are set up through the account's Properties after "
                   "this wizard.",
                   "All Messages on Server"});
  cmbAction1 = yesNo(p7, "&Retreive from server?", "cmbAction1");
  cmbAction2 = yesNo(p7, "&Delete from server after retreival", "cmbAction2");
  p7->layout()->addWidget(new QLabel(
      "NOTE:  The normal setting is YES for both options.  Do not change these unless Karvix will not be "
      "the main mail retriever for this account.",
      p7));

  auto nameChanged = [this, p1] {
    edtNodeNameChange();
    p1->changed();
  };
  for (QLineEdit* e : {edtNodeName, edtPOP, edtUsername, edtPassword})
    connect(e, &QLineEdit::textChanged, this, nameChanged);
  connect(edtSMTP, &QLineEdit::textChanged, this, &TfrmNewNode::edtSMTPChange);
}

void TfrmNewNode::showEvent(QShowEvent* event) {
  QWizard::showEvent(event);
  if (!event->spontaneous()) FormShow();
}

void TfrmNewNode::FormShow() {
  const sys::DateTime now = sys::now();
  MedtNextDate->setText(QString::fromStdString(sys::formatDateTime("mm/dd/yy", now)));
  MedtNextTime->setText(QString::fromStdString(sys::formatDateTime("hh:nnampm", now)));
}

bool TfrmNewNode::WizPage1DoneQuery() const { return !edtNodeName->text().isEmpty(); }

void TfrmNewNode::edtNodeNameChange() { edtRealName->setText(edtNodeName->text()); }

void TfrmNewNode::edtSMTPChange() { edtPOP->setText(edtSMTP->text()); }

bool TfrmNewNode::EPWizardPage3DoneQuery() {
  const QString mail = edtEmail->text();
  if (!mail.isEmpty()) {
    const int at = mail.indexOf('@');
    edtUsername->setText(at < 0 ? QString() : mail.left(at));
  }
  return true;
}

void TfrmNewNode::NewNodeWizFinishClick() { accept(); }

void TfrmNewNode::NewNodeWizCancelClick() { reject(); }

QString TfrmNewNode::selectedGroup() const {
  const QList<QListWidgetItem*> sel = lstGroups->selectedItems();
  return sel.isEmpty() ? QString() : sel.front()->text();
}

NewAccountInput TfrmNewNode::input() const {
  NewAccountInput in;
  in.name = edtNodeName->text().toStdString();
  in.smtp = edtSMTP->text().toStdString();
  in.pop = edtPOP->text().toStdString();
  in.login = edtUsername->text().toStdString();
  in.password = edtPassword->text().toStdString();
  in.email = edtEmail->text().toStdString();
  in.minutes = edtMins->text().trimmed().toStdString();
  in.nextDate = MedtNextDate->text().toStdString();
  in.nextTime = MedtNextTime->text().trimmed().toStdString();
  in.retrieve = cmbAction1->currentText().toStdString();
  in.deleteAfter = cmbAction2->currentText().toStdString();
  return in;
}

}  // namespace cfgman
