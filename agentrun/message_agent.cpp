// The message agent: its triggers, then its actions in order. What the
// actions do is planned by ActionPlanner (no effects); this file performs
// each planned step: log lines, action rows, sending, waiting, starting.
#include <chrono>
#include <thread>

#include "agentrun/action_plan.h"
#include "agentrun/processor.h"
#include "agentrun/message_triggers.h"
#include "platform/system/files.h"
#include "platform/system/hooks.h"
#include "store/settings.h"

namespace agentrun {

std::string Processor::accountColumn(const char* column) const {
  return DM.TableANodes ? DM.TableANodes->getString(column) : std::string();
}

bool Processor::ProccessMESSAGEAgent(mail::TmsMessage& message, const store::AgentFile& agentFile) {
  bool result = false;
  const std::string messageId = message.headerValue("Message-ID");
  lstTriggeredArray.clear();
  if (agentFile.triggers.empty()) return false;

  if (evaluateMessageTriggers(message, agentFile, lstTriggeredArray)) runActions(message, agentFile, messageId, result);
  if (stateChanged) stateChanged();
  return result;
}

ActionContext Processor::actionContext(const std::string& messageId) const {
  return ActionContext{messageId, accountColumn("NODE"), accountColumn("ADDRESS"), programFolder_};
}

void Processor::runActions(mail::TmsMessage& message, const store::AgentFile& agentFile,
                           const std::string& messageId, bool& stop) {
  ActionPlanner planner(message, agentFile.actions, actionContext(messageId));
  ActionStep step;
  while (planner.next(step)) {
    if (step.stopsLaterAgents) stop = true;
    if (step.reply) currentoutmailmessage = std::move(*step.reply);
    for (const ActionEffect& effect : step.effects) perform(effect, step, message, messageId);
  }
}

void Processor::perform(const ActionEffect& effect, const ActionStep& step, mail::TmsMessage& message,
                        const std::string& messageId) {
  using Kind = ActionEffect::Kind;
  switch (effect.kind) {
    case Kind::Log:
    case Kind::MergeLog:
      SendtoLog(effect.text, 0);
      break;
    case Kind::Record:
      AddAgentEntry(messageId, effect.text);
      break;
    case Kind::Beep:
      sys::beep();
      break;
    case Kind::SendReply:
      sendCurrent(currentoutmailmessage, effect.text);
      break;
    case Kind::SendMessage:
      sendCurrent(message, effect.text);
      break;
    case Kind::Wait:
      if (waitSeconds) waitSeconds(effect.seconds);
      else std::this_thread::sleep_for(std::chrono::seconds(effect.seconds));
      break;
    case Kind::Launch:
      sys::forceDirectories(store::processorTempFolder(programFolder_));
      message.saveToFile(step.launchFile);
      if (!step.arguments.empty()) sys::startDetached(step.program, step.arguments);
      break;
    case Kind::PlaySound:
      sys::playSound(effect.text);
      break;
    case Kind::RequestClose:
      requestClose();
      break;
  }
}

void Processor::sendCurrent(mail::TmsMessage& message, const std::string& subject) {
  try {
    agentSMTP.setHost(accountColumn("SMTPADDRES"));
    agentSMTP.send(message);
  } catch (const std::exception& e) {
    SendtoLog(std::string("ERROR -- Could not send outgoing mail ") + e.what() + " Subject: " + subject, 0);
  }
}

}  // namespace agentrun
