#include "agentrun/message_triggers.h"

namespace agentrun {

bool evaluateMessageTriggers(const mail::TmsMessage& message, const store::AgentFile& agentFile,
                             std::vector<std::string>& verdicts, std::vector<TriggerMatch>* matches) {
  const std::vector<Trigger> triggers = triggersOf(agentFile.triggers);
  const TriggerSubject subject{message.headerLines(), message.bodyLines(),
                               [&message](std::string_view name) {
                                 return message.headerValue(std::string(name));
                               }};
  return evaluateTriggers(triggers, subject, verdicts, matches);
}

}  // namespace agentrun
