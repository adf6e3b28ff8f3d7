#include "cfgman/agentedit/action_dialog.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QVBoxLayout>
#include <climits>

#include "cfgman/agentedit/action_catalogue.h"
#include "cfgman/agentedit/file_picker.h"

namespace cfgman {
namespace {

QGroupBox* frame(QWidget* parent, QVBoxLayout* holder, const QString& title, const QString& text) {
  auto* g = new QGroupBox(title, parent);
  auto* l = new QVBoxLayout(g);
  auto* t = new QLabel(text, g);
  t->setWordWrap(true);
  l->addWidget(t);
  holder->addWidget(g);
  return g;
}

QLineEdit* field(QGroupBox* g, const char* name) {
  auto* e = new QLineEdit(g);
  e->setObjectName(name);
  g->layout()->addWidget(e);
  return e;
}

// A field with its ".." picker button beside it.
QLineEdit* pathField(QGroupBox* g, const char* name, QPushButton*& button, const char* buttonName) {
  auto* row = new QHBoxLayout;
  auto* e = new QLineEdit(g);
  e->setObjectName(name);
  button = new QPushButton("..", g);
  button->setObjectName(buttonName);
  row->addWidget(e, 1);
  row->addWidget(button);
  static_cast<QVBoxLayout*>(g->layout())->addLayout(row);
  return e;
}

}  // namespace

TfrmAction::TfrmAction(QWidget* parent) : QDialog(parent) {
  setObjectName("frmAction");
  setWindowTitle("Action");
  auto* layout = new QVBoxLayout(this);
  auto* body = new QHBoxLayout;
  layout->addLayout(body, 1);

  lstVActions = new QTreeWidget(this);
  lstVActions->setObjectName("lstVActions");
  lstVActions->setHeaderLabels({"Actions"});
  lstVActions->setRootIsDecorated(false);
  lstVActions->setSelectionMode(QAbstractItemView::SingleSelection);
  lstVActions->setEditTriggers(QAbstractItemView::NoEditTriggers);
  body->addWidget(lstVActions);

  auto* side = new QWidget(this);
  auto* holder = new QVBoxLayout(side);
  holder->setContentsMargins(0, 0, 0, 0);
  body->addWidget(side, 1);

  grpReply = frame(side, holder, "Reply with:",
                   "Please specify the path of a .EML message to send.  Any merge codes in the message will be "
                   "observed.");
  edtReplyPath = pathField(grpReply, "edtReplyPath", Button6, "Button6");
  Button9 = new QPushButton("&Create New", grpReply);
  Button9->setObjectName("Button9");
  grpReply->layout()->addWidget(Button9);

  grpDelay = frame(side, holder, "Delay the Agent",
                   "This action will pause the execution of an action list within an agent.");
  {
    auto* row = new QHBoxLayout;
    spnDelay = new QSpinBox(grpDelay);
    spnDelay->setObjectName("spnDelay");
    spnDelay->setRange(INT_MIN, INT_MAX);
    spnDelay->setValue(1);
    row->addWidget(new QLabel("Delay for", grpDelay));
    row->addWidget(spnDelay);
    row->addWidget(new QLabel("Seconds", grpDelay));
    row->addStretch(1);
    static_cast<QVBoxLayout*>(grpDelay->layout())->addLayout(row);
  }

  grpForward = frame(side, holder, "Forward To:",
                     "Please enter the e-mail address to forward a copy of the message to.");
  edtForward = field(grpForward, "edtForward");

  grpLaunch = frame(side, holder, "Launch Program", "Please enter the command line to run");
  edtCommand = pathField(grpLaunch, "edtCommand", Button4, "Button4");
  chkMinimized = new QCheckBox("Run &Minimized", grpLaunch);
  grpLaunch->layout()->addWidget(chkMinimized);

  grpSound = frame(side, holder, "Play Sound", "Please select the .WAV file to play");
  edtSoundPath = pathField(grpSound, "edtSoundPath", Button1, "Button1");
  {
    auto* row = new QHBoxLayout;
    chkLoop = new QCheckBox("Loop", grpSound);
    spnLoopCount = new QSpinBox(grpSound);
    spnLoopCount->setObjectName("spnLoopCount");
    row->addWidget(chkLoop);
    row->addWidget(spnLoopCount);
    row->addStretch(1);
    static_cast<QVBoxLayout*>(grpSound->layout())->addLayout(row);
  }

  grpRedirect = frame(side, holder, "Redirect To:",
                      "Please enter the e-mail address to redirect the message to.  After being re-directed the "
                      "message will be deleted and the original user will not receive it.");
  edtRedirect = field(grpRedirect, "edtRedirect");

  grpScript = frame(side, holder, "Run Basic Script", "Please select the script file to run.");
  edtScriptPath = pathField(grpScript, "edtScriptPath", Button7, "Button7");
  holder->addStretch(1);

  for (QGroupBox* g : {grpReply, grpDelay, grpForward, grpLaunch, grpSound, grpRedirect, grpScript})
    frames_[g->title()] = g;

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  Button3 = new QPushButton("OK", this);
  Button3->setObjectName("Button3");
  Button3->setDefault(true);
  btnCancel = new QPushButton("Cancel", this);
  buttons->addWidget(Button3);
  buttons->addWidget(btnCancel);
  layout->addLayout(buttons);

  connect(lstVActions, &QTreeWidget::itemSelectionChanged, this, &TfrmAction::lstVActionsChange);
  connect(Button3, &QPushButton::clicked, this, &TfrmAction::Button3Click);
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(Button6, &QPushButton::clicked, this, &TfrmAction::Button6Click);
  connect(Button4, &QPushButton::clicked, this, &TfrmAction::Button4Click);
  connect(Button1, &QPushButton::clicked, this, &TfrmAction::Button1Click);
  connect(Button7, &QPushButton::clicked, this, &TfrmAction::Button7Click);
  connect(Button9, &QPushButton::clicked, this, &TfrmAction::Button9Click);
  connect(chkLoop, &QCheckBox::toggled, this, &TfrmAction::chkLoopClick);

  FormCreate();
}

void TfrmAction::FormCreate() {
  lstVActions->clear();
  for (const CatalogueEntry& e : actionCatalogue()) new QTreeWidgetItem(lstVActions, {e.caption});
  lstVActions->clearSelection();
  lstVActions->setCurrentItem(nullptr, 0, QItemSelectionModel::NoUpdate);
  chkLoopClick();
  lstVActionsChange();
}

QString TfrmAction::selectedCaption() const {
  const QList<QTreeWidgetItem*> sel = lstVActions->selectedItems();
  return sel.isEmpty() ? QString() : sel.first()->text(0);
}

void TfrmAction::selectCaption(const QString& caption) {
  for (int i = 0; i < lstVActions->topLevelItemCount(); ++i) {
    QTreeWidgetItem* it = lstVActions->topLevelItem(i);
    if (it->text(0) == caption) {
      lstVActions->setCurrentItem(it);
      it->setSelected(true);
      return;
    }
  }
}

QGroupBox* TfrmAction::visibleFrame() const {
  for (const auto& [title, g] : frames_)
    if (!g->isHidden()) return g;
  return nullptr;
}

void TfrmAction::lstVActionsChange() {
  for (const auto& [title, g] : frames_) g->hide();
  const QString caption = selectedCaption();
  if (caption.isEmpty()) return;
  const auto it = frames_.find(frameForCaption(caption));
  if (it != frames_.end()) it->second->show();
}

void TfrmAction::chkLoopClick() { spnLoopCount->setEnabled(chkLoop->isChecked()); }

void TfrmAction::Button3Click() {
  const QString caption = selectedCaption();
  if (caption.isEmpty()) {
    // Nothing chosen: there is no action to return.
    chosen_.reset();
    reject();
    return;
  }
  ChosenAction a{caption, QString(), QString()};
  const QString frameTitle = frameForCaption(caption);
  if (frameTitle == grpReply->title()) a.param = edtReplyPath->text();
  else if (frameTitle == grpForward->title()) a.param = edtForward->text();
  else if (frameTitle == grpRedirect->title()) a.param = edtRedirect->text();
  else if (frameTitle == grpLaunch->title()) a.param = edtCommand->text();
  else if (frameTitle == grpSound->title()) a.param = edtSoundPath->text();
  else if (frameTitle == grpScript->title()) a.param = edtScriptPath->text();
  else if (frameTitle == grpDelay->title()) {
    bool ok = false;
    const int seconds = spnDelay->cleanText().trimmed().toInt(&ok);
    a.param = QString::number(ok ? seconds : 0);
  }
  chosen_ = a;
  accept();
}

void TfrmAction::pick(QLineEdit* target, const QString& filter, const QString& ext, const QString& name,
                      const QString& folder) {
  const std::optional<QString> path = pickFile(this, FilePickRequest{filter, ext, name, folder});
  if (path) target->setText(*path);
}

void TfrmAction::Button6Click() {
  pick(edtReplyPath, "E-Mail Messages|*.eml|All Files|*.*", "EML", "*.eml", templatesPath);
}

void TfrmAction::Button4Click() {
  pick(edtCommand, "Application files|*.exe|All Files|*.*", "exe", "*.exe", QString());
}

void TfrmAction::Button1Click() { pick(edtSoundPath, "WAV Files|*.wav|All Files|*.*", "wav", "*.wav", QString()); }

void TfrmAction::Button7Click() {
  pick(edtScriptPath, "karvixBasic Scripts|*.bas|All Files|*.*", "bas", "*.bas", QString());
}

void TfrmAction::Button9Click() {
  if (onCreateNew) onCreateNew();
}

}  // namespace cfgman
