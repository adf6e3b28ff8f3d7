#include "cfgman/agentedit/file_picker.h"

#include <QFileDialog>
#include <QStringList>

namespace cfgman {
namespace {

// "Name|*.a|Other|*.*" as the Qt name filters "Name (*.a)", "Other (*.*)".
QStringList nameFilters(const QString& filter) {
  const QStringList parts = filter.split('|');
  QStringList out;
  for (int i = 0; i + 1 < parts.size(); i += 2) out << parts[i] + " (" + QString(parts[i + 1]).replace(';', ' ') + ")";
  return out;
}

std::optional<QString> fileDialog(QWidget* parent, const FilePickRequest& r) {
  QFileDialog dlg(parent);
  dlg.setAcceptMode(QFileDialog::AcceptOpen);
  dlg.setFileMode(QFileDialog::ExistingFile);
  dlg.setNameFilters(nameFilters(r.filter));
  dlg.setDefaultSuffix(r.defaultExt);
  if (!r.initialDir.isEmpty()) dlg.setDirectory(r.initialDir);
  // A wildcard as the initial name only narrows the listing, which the
  // filter already does; a plain name is preselected.
  if (!r.fileName.contains('*') && !r.fileName.contains('?')) dlg.selectFile(r.fileName);
  if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return std::nullopt;
  return dlg.selectedFiles().first();
}

FilePicker& installed() {
  static FilePicker picker;
  return picker;
}

}  // namespace

std::optional<QString> pickFile(QWidget* parent, const FilePickRequest& request) {
  const FilePicker& p = installed();
  return p ? p(parent, request) : fileDialog(parent, request);
}

FilePicker setFilePicker(FilePicker picker) {
  FilePicker before = std::move(installed());
  installed() = std::move(picker);
  return before;
}

}  // namespace cfgman
