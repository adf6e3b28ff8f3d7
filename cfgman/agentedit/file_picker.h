// File-open pickers of the agent dialogs, through one replaceable function.
// A request carries the picker's settings as the dialogs name them: the
// filter in "Name|*.ext|Name|*.*" form, the default extension, the initial
// file name and the starting folder (empty: the system's default). The
// answer is the full path of the chosen file, or nothing on Cancel. The
// program shows a QFileDialog; tests install their own function, see the
// requests and choose the answers.
#pragma once

#include <QString>
#include <functional>
#include <optional>

class QWidget;

namespace cfgman {

struct FilePickRequest {
  QString filter;
  QString defaultExt;
  QString fileName;
  QString initialDir;
  friend bool operator==(const FilePickRequest&, const FilePickRequest&) = default;
};

using FilePicker = std::function<std::optional<QString>(QWidget* parent, const FilePickRequest&)>;

// Runs the installed picker (the file dialog unless a test installed one).
std::optional<QString> pickFile(QWidget* parent, const FilePickRequest& request);
// Installs a picker (an empty function restores the file dialog); returns
// the one installed before.
FilePicker setFilePicker(FilePicker picker);

}  // namespace cfgman
