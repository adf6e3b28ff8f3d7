#include "cfgman/accounts/new_group_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace cfgman {

TfrmNewGroup::TfrmNewGroup(QWidget* parent) : QDialog(parent) {
  setObjectName("frmNewGroup");
  setWindowTitle("Create New Folder");
  auto* layout = new QVBoxLayout(this);
  auto* text = new QLabel("A folder is used to catagorize the various accounts in an organization.", this);
  text->setWordWrap(true);
  layout->addWidget(text);
  layout->addWidget(new QLabel("Please enter the new folder name", this));
  edtGroupName = new QLineEdit(this);
  edtGroupName->setObjectName("edtGroupName");
  layout->addWidget(edtGroupName);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setText("OK");
  buttons->button(QDialogButtonBox::Ok)->setDefault(true);
  buttons->button(QDialogButtonBox::Cancel)->setText("Cancel");
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  edtGroupName->setFocus();
}

}  // namespace cfgman
