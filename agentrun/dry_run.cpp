#include "agentrun/dry_run.h"

#include "agentrun/message_triggers.h"
#include "platform/system/error.h"
#include "platform/system/text.h"
#include "platform/xbase/cursor.h"

namespace agentrun {
namespace {

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

// The header name as the lookup uses it ("Subject:" and "Subject" name the
// same header), for reading.
std::string headerName(const std::string& field) {
  if (field.size() > 1 && field.back() == ':') return field.substr(0, field.size() - 1);
  return field;
}

std::string sentence(const store::Trigger& entry, const TriggerMatch& m) {
  const std::string value = entry.value.empty() ? std::string("\"\" (an empty value)") : entry.value;
  std::string subject;
  switch (m.scope) {
    case TriggerScope::AnyHeader:
      subject = m.condition == TriggerCondition::DoesNotContain ? "no header line" : "any header line";
      break;
    case TriggerScope::Body:
      subject = "the body";
      break;
    case TriggerScope::Header:
      subject = "the " + (m.field.empty() ? std::string("(empty field)") : headerName(m.field));
      break;
  }
  switch (m.condition) {
    case TriggerCondition::Contains:
      return "If " + subject + " contains " + value;
    case TriggerCondition::DoesNotContain:
      return "If " + subject + (m.scope == TriggerScope::AnyHeader ? " contains " : " doesn't contain ") + value;
    case TriggerCondition::BeginsWith:
      return "If " + subject + " begins with " + value;
    case TriggerCondition::Unknown:
      break;
  }
  return "If " + subject + " " + quoted(entry.condition) + " " + value;
}

std::string compared(const TriggerMatch& m, const mail::TmsMessage& message) {
  if (m.condition == TriggerCondition::Unknown)
    return "nothing: the condition is none of contains, doesn't contain and begins with, so the trigger "
           "gives no verdict";
  if (m.scope == TriggerScope::Header) {
    if (m.headerValue.empty())
      return "the " + headerName(m.field) + " header value \"\" (the message has no such header, or it is empty)";
    return "the " + headerName(m.field) + " header value " + quoted(m.headerValue);
  }
  const bool anyHeader = m.scope == TriggerScope::AnyHeader;
  const auto& lines = anyHeader ? message.headerLines() : message.bodyLines();
  const std::string kind = anyHeader ? "header line" : "body line";
  if (!anyHeader && m.condition == TriggerCondition::BeginsWith) {
    if (lines.empty()) return "the first body line: the message has no body lines";
    return "the first body line " + quoted(lines.front());
  }
  if (m.line) return kind + " " + std::to_string(*m.line + 1) + " " + quoted(lines[*m.line]);
  return "all " + std::to_string(lines.size()) + " " + kind + "s; none matched";
}

DryRunMail mailOf(const mail::TmsMessage& message, const std::string& server) {
  DryRunMail m;
  m.server = server;
  m.from = message.sender();
  m.to = message.recipients();
  m.subject = message.headerValue("Subject");
  m.headerLines = message.headerLines();
  m.bodyLines = message.bodyLines();
  m.bytes = message.toBytes();
  return m;
}

bool doesSomething(const ActionStep& step) { return !step.effects.empty() || step.stopsLaterAgents; }

}  // namespace

DryRunAccount readDryRunAccount(const std::string& databaseFolder, const std::string& uniqueId) {
  auto nodes = xbase::Cursor::open(databaseFolder, "NODES.DBF");
  for (nodes->first(); !nodes->eof(); nodes->next()) {
    if (nodes->getString("UNIQUE_ID") != uniqueId) continue;
    return DryRunAccount{uniqueId, nodes->getString("NODE"), nodes->getString("ADDRESS"),
                         nodes->getString("SMTPADDRES")};
  }
  throw sys::Error("There is no account " + uniqueId + " in " + nodes->path());
}

DryRunReport dryRunMessageAgent(const std::string& agentName, const store::AgentFile& agent,
                                mail::TmsMessage message, const DryRunAccount& account,
                                const std::string& programFolder) {
  DryRunReport r;
  r.agentName = agentName;
  r.agentType = agent.agentType;
  r.messageAgent = sys::upperAscii(agent.agentType) == "MESSAGE";
  r.messageId = message.headerValue("Message-ID");
  r.subject = message.headerValue("Subject");
  r.from = message.headerValue("From");
  r.account = account;
  if (!r.messageAgent) return r;

  std::vector<TriggerMatch> matches;
  r.triggersHold = evaluateMessageTriggers(message, agent, r.verdicts, &matches);
  for (size_t i = 0; i < matches.size(); ++i) {
    const store::Trigger& entry = agent.triggers[i];
    r.triggers.push_back({entry, matches[i], sentence(entry, matches[i]), compared(matches[i], message)});
  }
  if (!r.triggersHold) return r;

  ActionPlanner planner(message, agent.actions,
                        ActionContext{r.messageId, account.name, account.address, programFolder});
  ActionStep step;
  while (planner.next(step)) {
    DryRunAction a;
    a.number = r.actions.size() + 1;
    for (const ActionEffect& e : step.effects) {
      if (e.kind == ActionEffect::Kind::SendReply && step.reply) a.mail = mailOf(*step.reply, account.smtpServer);
      if (e.kind == ActionEffect::Kind::SendMessage) a.mail = mailOf(message, account.smtpServer);
    }
    if (doesSomething(step)) r.wouldAct = true;
    a.step = std::move(step);
    r.actions.push_back(std::move(a));
  }
  r.actionsNotReached = agent.actions.size() - r.actions.size();
  r.stopsLaterAgents = planner.stop();
  return r;
}

}  // namespace agentrun
