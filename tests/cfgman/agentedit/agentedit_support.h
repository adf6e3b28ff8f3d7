// Helpers for the agent dialog tests: a scripted file picker that records
// its requests and answers from a queue (Cancel when empty), and a modal
// runner that hands each kind of dialog to its own test function.
#pragma once

#include <QDialog>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "../support/scripted_dialogs.h"
#include "cfgman/agentedit/action_dialog.h"
#include "cfgman/agentedit/agent_properties.h"
#include "cfgman/agentedit/file_picker.h"
#include "cfgman/agentedit/new_agent_wizard.h"
#include "cfgman/agentedit/trigger_dialog.h"

namespace cfgman::testing {

class ScriptedPicker {
 public:
  ScriptedPicker() {
    previous_ = setFilePicker([this](QWidget*, const FilePickRequest& r) -> std::optional<QString> {
      requests.push_back(r);
      if (answers.empty()) return std::nullopt;
      std::optional<QString> a = answers.front();
      answers.pop_front();
      return a;
    });
  }
  ~ScriptedPicker() { setFilePicker(previous_); }
  ScriptedPicker(const ScriptedPicker&) = delete;
  ScriptedPicker& operator=(const ScriptedPicker&) = delete;

  std::vector<FilePickRequest> requests;
  std::deque<std::optional<QString>> answers;

 private:
  FilePicker previous_;
};

// Routes every modal dialog to the function for its class; a dialog with
// no function is cancelled.
struct DialogRoutes {
  std::function<int(TfrmNewAgent&)> wizard;
  std::function<int(TfrmAgentProperties&)> properties;
  std::deque<std::function<int(TfrmTrigger&)>> triggers;
  std::deque<std::function<int(TfrmAction&)>> actions;

  void install(ScriptedDialogs& d) {
    d.fill = [this](QDialog& dlg) -> int {
      if (auto* w = dynamic_cast<TfrmNewAgent*>(&dlg)) return wizard ? wizard(*w) : QDialog::Rejected;
      if (auto* p = dynamic_cast<TfrmAgentProperties*>(&dlg))
        return properties ? properties(*p) : QDialog::Rejected;
      if (auto* t = dynamic_cast<TfrmTrigger*>(&dlg)) return next(triggers, *t);
      if (auto* a = dynamic_cast<TfrmAction*>(&dlg)) return next(actions, *a);
      return QDialog::Rejected;
    };
  }

 private:
  template <class D>
  static int next(std::deque<std::function<int(D&)>>& q, D& d) {
    if (q.empty()) return QDialog::Rejected;
    auto f = q.front();
    q.pop_front();
    return f(d);
  }
};

// A trigger dialog answer: choose the texts and press OK.
inline std::function<int(TfrmTrigger&)> triggerOk(const QString& field, const QString& cond, const QString& value) {
  return [=](TfrmTrigger& t) {
    t.cmbHeader->setCurrentText(field);
    t.cmbCondition->setCurrentText(cond);
    t.memoValue->setText(value);
    t.btnOK->click();
    return t.result();
  };
}

// An action dialog answer: select caption, let fill type into its frame,
// press OK.
inline std::function<int(TfrmAction&)> actionOk(const QString& caption, std::function<void(TfrmAction&)> fill = {}) {
  return [=](TfrmAction& a) {
    a.selectCaption(caption);
    if (fill) fill(a);
    a.Button3->click();
    return a.result();
  };
}

}  // namespace cfgman::testing
