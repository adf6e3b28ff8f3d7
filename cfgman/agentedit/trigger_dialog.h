// TfrmTrigger, "Trigger Settings": one trigger of an agent as a field, a
// condition and a value. Both boxes accept only their entries; the condition
// box ends with an empty entry. A new dialog stands on "Subject" and
// "contains" with an empty value; loadTrigger() selects a stored trigger for
// editing (field and condition matched ignoring case; no match leaves that
// box without a selection). The sentence under "Current Trigger:" reads
// "If the <field> <condition> <value>" and follows every change. OK closes
// with OK without any check, Enter in the value box presses OK.
#pragma once

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "store/agentfile.h"

namespace cfgman {

class TfrmTrigger : public QDialog {
  Q_OBJECT
 public:
  static const QStringList& fields();
  static const QStringList& conditions();
  static QString sentence(const QString& field, const QString& condition, const QString& value);

  explicit TfrmTrigger(QWidget* parent = nullptr);

  void loadTrigger(const store::Trigger& t);
  // The three texts as the boxes hold them.
  store::Trigger trigger() const;

  QComboBox* cmbHeader;
  QComboBox* cmbCondition;
  QLineEdit* memoValue;
  QLabel* lblSentence;
  QPushButton* btnOK;
  QPushButton* btnCancel;

 public Q_SLOTS:
  void FormShow();
  void cmbHeaderChange();
  void cmbConditionChange();
  void memoValueChange();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void rebuildSentence();
};

}  // namespace cfgman
