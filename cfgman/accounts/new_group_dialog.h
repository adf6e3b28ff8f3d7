// TfrmNewGroup, "Create New Folder": asks for the name of a new folder
// (edtGroupName, focused on opening; OK is the default button).
#pragma once

#include <QDialog>
#include <QLineEdit>

namespace cfgman {

class TfrmNewGroup : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmNewGroup(QWidget* parent = nullptr);
  QLineEdit* edtGroupName;
};

}  // namespace cfgman
