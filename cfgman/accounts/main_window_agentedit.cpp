// The main window's agent handlers: A1Click runs the agent wizard and writes
// the new agent file; btnAgentsModifyClick opens the selected agent of the
// Agents tab in the properties dialog and writes it back on OK.
#include <QCoreApplication>

#include "cfgman/accounts/main_window.h"
#include "cfgman/agentedit/agent_properties.h"
#include "cfgman/agentedit/new_agent_wizard.h"
#include "cfgman/status/operator_dialogs.h"
#include "store/agentfile.h"
#include "store/settings.h"

namespace cfgman {
namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

void TfrmMain::A1Click() {
  pageControlMain->setCurrentWidget(TSagents);
  PlaySoundEffect("newitem.wav");
  TfrmNewAgent wizard(this);
  wizard.entries().templatesPath = q(TemplatesPath);
  if (dialogs().runModal(wizard) != QDialog::Accepted) return;
  const std::string name = wizard.agentName().toStdString();
  store::saveMessageAgent(store::agentFilePath(AgentsPath, name), wizard.entries().agent());
  QCoreApplication::processEvents();
}

void TfrmMain::btnAgentsModifyClick() {
  const QList<QTreeWidgetItem*> selected = lstVAgents->selectedItems();
  if (selected.isEmpty()) return;
  const std::string path = store::agentFilePath(AgentsPath, selected.first()->text(0).toStdString());

  TfrmAgentProperties dlg(this);
  dlg.entries().templatesPath = q(TemplatesPath);
  store::AgentFile agent;
  try {
    agent = store::readAgentFile(path);
  } catch (const std::exception& e) {
    // An unreadable file opens with empty lists; OK writes it anew.
    AppException(QString::fromUtf8(e.what()));
    agent = store::AgentFile{};
  }
  if (agent.agentType == "MESSAGE") dlg.entries().load(agent);
  QCoreApplication::processEvents();
  if (dialogs().runModal(dlg) != QDialog::Accepted) return;
  store::saveMessageAgent(path, dlg.entries().agent());
}

}  // namespace cfgman
