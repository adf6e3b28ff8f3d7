#include "cfgman/status/operator_dialogs.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>

namespace cfgman {
namespace {

class MessageBoxDialogs : public OperatorDialogs {
 public:
  bool askYesNo(const QString& title, const QString& text) override {
    return QMessageBox::question(QApplication::activeWindow(), title, text,
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
  }
  void showMessage(const QString& text) override {
    QMessageBox::information(QApplication::activeWindow(), QApplication::applicationDisplayName(), text);
  }
  int runModal(QDialog& dialog) override { return dialog.exec(); }
};

MessageBoxDialogs& messageBoxes() {
  static MessageBoxDialogs instance;
  return instance;
}

OperatorDialogs* installed = nullptr;

}  // namespace

OperatorDialogs& dialogs() { return installed ? *installed : messageBoxes(); }

OperatorDialogs* setDialogs(OperatorDialogs* d) {
  OperatorDialogs* before = installed;
  installed = d;
  return before;
}

}  // namespace cfgman
