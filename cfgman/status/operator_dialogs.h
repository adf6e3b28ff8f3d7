// Questions and messages to the operator, and the running of modal dialogs,
// all through one replaceable object. The program uses message boxes and
// QDialog::exec(); tests install a scripted answerer that records every
// question (title and text) and fills dialogs without a modal loop.
#pragma once

#include <QString>

class QDialog;

namespace cfgman {

class OperatorDialogs {
 public:
  virtual ~OperatorDialogs() = default;
  // A Yes/No question; true for Yes.
  virtual bool askYesNo(const QString& title, const QString& text) = 0;
  // A plain message box with an OK button.
  virtual void showMessage(const QString& text) = 0;
  // Runs a modal dialog; returns QDialog::Accepted or QDialog::Rejected.
  virtual int runModal(QDialog& dialog) = 0;
};

// The installed object (the message-box one unless a test installed its own).
OperatorDialogs& dialogs();
// Installs an object (nullptr restores the message-box one); returns the
// one installed before. The caller keeps ownership.
OperatorDialogs* setDialogs(OperatorDialogs* d);

}  // namespace cfgman
