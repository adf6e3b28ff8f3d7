// The triggers of an agent file over a mail message: the fields prepared,
// each trigger evaluated against the message's raw header lines, its body
// lines and the header value lookup, and the verdict list filled, as the
// message agent does before it runs any action.
#pragma once

#include <string>
#include <vector>

#include "agentrun/triggers.h"
#include "platform/mail/message.h"
#include "store/agentfile.h"

namespace agentrun {

// Fills `verdicts` (and `matches`, when given) and returns whether the
// actions run. An agent without triggers gives no verdict and false.
bool evaluateMessageTriggers(const mail::TmsMessage& message, const store::AgentFile& agentFile,
                             std::vector<std::string>& verdicts,
                             std::vector<TriggerMatch>* matches = nullptr);

}  // namespace agentrun
