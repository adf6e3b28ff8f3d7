#include "cfgman/agentedit/trigger_dialog.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QShowEvent>
#include <QStyle>
#include <QVBoxLayout>

namespace cfgman {
namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

// The entry of box matching text without regard to case, or none (-1).
void selectIgnoringCase(QComboBox* box, const QString& text) {
  for (int i = 0; i < box->count(); ++i)
    if (box->itemText(i).compare(text, Qt::CaseInsensitive) == 0) {
      box->setCurrentIndex(i);
      return;
    }
  box->setCurrentIndex(-1);
}

}  // namespace

const QStringList& TfrmTrigger::fields() {
  static const QStringList f{"Subject", "From", "To", "Cc", "Reply To", "<Any Header>", "<Body>"};
  return f;
}

const QStringList& TfrmTrigger::conditions() {
  static const QStringList c{"contains", "doesn't contain", "begins with", ""};
  return c;
}

QString TfrmTrigger::sentence(const QString& field, const QString& condition, const QString& value) {
  return "If the " + field + " " + condition + " " + value;
}

TfrmTrigger::TfrmTrigger(QWidget* parent) : QDialog(parent) {
  setObjectName("frmTrigger");
  setWindowTitle("Trigger Settings");
  auto* layout = new QVBoxLayout(this);
  auto* top = new QHBoxLayout;
  auto* picture = new QLabel(this);
  picture->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxQuestion).pixmap(32, 32));
  top->addWidget(picture, 0, Qt::AlignTop);
  auto* intro = new QLabel(
      "The trigger condition defines what kind of messages will be affected by the agent.  Form a sentence "
      "specifying what messages will be selected.",
      this);
  intro->setWordWrap(true);
  top->addWidget(intro, 1);
  layout->addLayout(top);

  auto* grid = new QGridLayout;
  cmbHeader = new QComboBox(this);
  cmbHeader->setObjectName("cmbHeader");
  cmbHeader->addItems(fields());
  cmbCondition = new QComboBox(this);
  cmbCondition->setObjectName("cmbCondition");
  cmbCondition->addItems(conditions());
  memoValue = new QLineEdit(this);
  memoValue->setObjectName("memoValue");
  auto* ifThe = new QLabel("If the:", this);
  ifThe->setBuddy(cmbHeader);
  auto* valueLabel = new QLabel("Value:", this);
  valueLabel->setBuddy(memoValue);
  grid->addWidget(ifThe, 0, 0);
  grid->addWidget(cmbHeader, 0, 1);
  grid->addWidget(cmbCondition, 0, 2);
  grid->addWidget(valueLabel, 1, 0);
  grid->addWidget(memoValue, 1, 1, 1, 2);
  layout->addLayout(grid);

  auto* current = new QGroupBox("Current Trigger:", this);
  auto* cl = new QVBoxLayout(current);
  lblSentence = new QLabel(current);
  lblSentence->setObjectName("lblSentence");
  lblSentence->setWordWrap(true);
  cl->addWidget(lblSentence);
  layout->addWidget(current);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  btnOK = new QPushButton("OK", this);
  btnOK->setDefault(true);
  btnCancel = new QPushButton("Cancel", this);
  buttons->addWidget(btnOK);
  buttons->addWidget(btnCancel);
  layout->addLayout(buttons);

  cmbHeader->setCurrentText("Subject");
  cmbCondition->setCurrentText("contains");
  rebuildSentence();

  connect(cmbHeader, &QComboBox::currentIndexChanged, this, &TfrmTrigger::cmbHeaderChange);
  connect(cmbCondition, &QComboBox::currentIndexChanged, this, &TfrmTrigger::cmbConditionChange);
  connect(memoValue, &QLineEdit::textChanged, this, &TfrmTrigger::memoValueChange);
  connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TfrmTrigger::loadTrigger(const store::Trigger& t) {
  selectIgnoringCase(cmbHeader, q(t.field));
  selectIgnoringCase(cmbCondition, q(t.condition));
  memoValue->setText(q(t.value));
  rebuildSentence();
}

store::Trigger TfrmTrigger::trigger() const {
  return store::Trigger{cmbHeader->currentText().toStdString(), cmbCondition->currentText().toStdString(),
                        memoValue->text().toStdString()};
}

void TfrmTrigger::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!event->spontaneous()) FormShow();
}

void TfrmTrigger::FormShow() { rebuildSentence(); }
void TfrmTrigger::cmbHeaderChange() { rebuildSentence(); }
void TfrmTrigger::cmbConditionChange() { rebuildSentence(); }
void TfrmTrigger::memoValueChange() { rebuildSentence(); }

void TfrmTrigger::rebuildSentence() {
  lblSentence->setText(sentence(cmbHeader->currentText(), cmbCondition->currentText(), memoValue->text()));
}

}  // namespace cfgman
