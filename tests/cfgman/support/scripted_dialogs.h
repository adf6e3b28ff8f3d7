// A scripted operator for window tests: records every question and message
// as "title|text" / "message|text", answers questions from a queue (No when
// the queue is empty) and fills modal dialogs with a test-given function.
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>

#include "cfgman/status/operator_dialogs.h"

namespace cfgman::testing {

class ScriptedDialogs : public OperatorDialogs {
 public:
  ScriptedDialogs() { previous_ = setDialogs(this); }
  ~ScriptedDialogs() override { setDialogs(previous_); }
  ScriptedDialogs(const ScriptedDialogs&) = delete;
  ScriptedDialogs& operator=(const ScriptedDialogs&) = delete;

  bool askYesNo(const QString& title, const QString& text) override {
    asked << title + "|" + text;
    if (answers.empty()) return false;
    bool a = answers.front();
    answers.pop_front();
    return a;
  }
  void showMessage(const QString& text) override { asked << "message|" + text; }
  int runModal(QDialog& dialog) override {
    modals << dialog.metaObject()->className();
    return fill ? fill(dialog) : QDialog::Rejected;
  }

  QStringList asked;
  QStringList modals;
  std::deque<bool> answers;
  std::function<int(QDialog&)> fill;

 private:
  OperatorDialogs* previous_ = nullptr;
};

}  // namespace cfgman::testing
