// TfrmNewNode, "Mail Account Wizard": seven pages (name, folder, servers,
// login, identification, processing interval, control restriction). The
// name page is complete only with a name; the identification page, when it
// becomes active and when Next is pressed on it, replaces the user name with
// the part of a non-empty e-mail address before the first "@". Typing in the
// SMTP box copies it into the POP box; changes of the name, POP, user name
// and password copy the name into the sender name box (which is not stored).
// input() returns what the operator entered, as text.
#pragma once

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QWizard>

#include "cfgman/accounts/new_account.h"

namespace cfgman {

class TfrmNewNode : public QWizard {
  Q_OBJECT
 public:
  explicit TfrmNewNode(QWidget* parent = nullptr);

  enum PageId { PageName, PageGroup, PageServer, PageLogin, PageIdentity, PageInterval, PageControl };

  NewAccountInput input() const;
  // The caption of the selected folder, empty when none is selected.
  QString selectedGroup() const;

  QLineEdit* edtNodeName;
  QListWidget* lstGroups;
  QLineEdit* edtSMTP;
  QLineEdit* edtPOP;
  QLineEdit* edtUsername;
  QLineEdit* edtPassword;
  QLineEdit* edtRealName;
  QLineEdit* edtEmail;
  QLineEdit* edtMins;
  QLineEdit* MedtNextDate;
  QLineEdit* MedtNextTime;
  QComboBox* cmbAction1;
  QComboBox* cmbAction2;

 public Q_SLOTS:
  void FormShow();
  bool WizPage1DoneQuery() const;
  void edtNodeNameChange();
  void edtSMTPChange();
  bool EPWizardPage3DoneQuery();
  void NewNodeWizFinishClick();
  void NewNodeWizCancelClick();

 protected:
  void showEvent(QShowEvent* event) override;
};

}  // namespace cfgman
