// TfrmAction, "Action": one action of an agent, chosen from the catalogue
// (the list "Actions" on the left) with its option frame on the right. No
// entry is selected and no frame is shown when the dialog opens; selecting
// an entry shows its frame only. Frames keep what was typed while the
// dialog is open, and OK returns the selected entry's own field only: the
// path, address or command as typed, the delay as a decimal integer (text
// that is not a number counts as 0), empty for entries without a frame; the
// second parameter is always empty. OK with no entry selected closes as
// Cancel and returns no action. The ".." buttons pick files through
// pickFile(); "&Create New" runs onCreateNew (the main window's new
// template command) and leaves the dialog open.
#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <functional>
#include <map>
#include <optional>

namespace cfgman {

struct ChosenAction {
  QString caption;  // as listed in the catalogue
  QString param;
  QString param2;
};

class TfrmAction : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmAction(QWidget* parent = nullptr);

  // Starting folder of the "Reply with:" picker (the templates folder).
  QString templatesPath;
  // "&Create New": opens a new template in the message editor.
  std::function<void()> onCreateNew;

  // What OK returned; nothing before OK, after Cancel or without an entry.
  const std::optional<ChosenAction>& chosen() const { return chosen_; }
  // Selects the catalogue entry with this caption (as an operator's click).
  void selectCaption(const QString& caption);
  // The frame shown for the current selection, nullptr when none.
  QGroupBox* visibleFrame() const;

  QTreeWidget* lstVActions;
  QGroupBox *grpReply, *grpDelay, *grpForward, *grpLaunch, *grpSound, *grpRedirect, *grpScript;
  QLineEdit* edtReplyPath;
  QPushButton* Button6;
  QPushButton* Button9;
  QSpinBox* spnDelay;
  QLineEdit* edtForward;
  QLineEdit* edtCommand;
  QPushButton* Button4;
  QCheckBox* chkMinimized;
  QLineEdit* edtSoundPath;
  QPushButton* Button1;
  QCheckBox* chkLoop;
  QSpinBox* spnLoopCount;
  QLineEdit* edtRedirect;
  QLineEdit* edtScriptPath;
  QPushButton* Button7;
  QPushButton* Button3;
  QPushButton* btnCancel;

 public Q_SLOTS:
  void FormCreate();
  void lstVActionsChange();
  void Button3Click();
  void Button6Click();
  void Button4Click();
  void Button1Click();
  void Button7Click();
  void Button9Click();
  void chkLoopClick();

 private:
  QString selectedCaption() const;
  void pick(QLineEdit* field, const QString& filter, const QString& ext, const QString& name,
            const QString& folder);

  std::map<QString, QGroupBox*> frames_;
  std::optional<ChosenAction> chosen_;
};

}  // namespace cfgman
