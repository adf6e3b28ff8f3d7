#include "agentrun/dry_run_text.h"

#include "platform/mail/address.h"

namespace agentrun {
namespace {

std::string verdictText(const std::optional<bool>& v) {
  if (!v) return "no verdict";
  return *v ? "TRUE" : "FALSE";
}

std::string addressList(const mail::MailAddressList& list) {
  if (list.empty()) return "(nobody)";
  std::string out;
  for (const auto& a : list) out += (out.empty() ? "" : ", ") + mail::displayText(a);
  return out;
}

std::string orNone(const std::string& s, const char* none) { return s.empty() ? std::string(none) : s; }

void mailBlock(std::string& out, const DryRunMail& m, const std::string& what) {
  out += "     would send " + what + " through the SMTP server " + orNone(m.server, "(none set)") + "\n";
  out += "       From: " + (m.from.address.empty() && m.from.name.empty() ? "(nobody)" : mail::displayText(m.from)) +
         "\n";
  out += "       To: " + addressList(m.to) + "\n";
  out += "       Subject: " + m.subject + "\n";
  for (const auto& h : m.headerLines) {
    if (h.rfind("X-Karvix", 0) == 0 || h.rfind("Auto-Submitted:", 0) == 0) out += "       " + h + "\n";
  }
  out += "       Body:\n";
  for (const auto& line : m.bodyLines) out += "         " + line + "\n";
}

void actionBlock(std::string& out, const DryRunAction& a) {
  using Kind = ActionEffect::Kind;
  const ActionStep& s = a.step;
  std::string heading = s.action.keyword;
  if (!s.action.param.empty()) heading += " " + s.action.param;
  if (!s.action.param2.empty()) heading += " (text: " + s.action.param2 + ")";
  out += "  " + std::to_string(a.number) + ". " + heading + "\n";

  const bool forward = s.keyword == "FORWARD TO";
  for (const ActionEffect& e : s.effects) {
    switch (e.kind) {
      case Kind::Log:
        out += "     would log: " + e.text + "\n";
        break;
      case Kind::MergeLog:
        break;
      case Kind::Record:
        out += "     would record: " + e.text + "\n";
        break;
      case Kind::Beep:
        out += "     would beep\n";
        break;
      case Kind::SendReply:
        if (a.mail) mailBlock(out, *a.mail, "the auto-reply");
        break;
      case Kind::SendMessage:
        if (a.mail) mailBlock(out, *a.mail, forward ? "the forwarded message" : "the redirected message");
        break;
      case Kind::Wait:
        out += "     would wait " + std::to_string(e.seconds) + " seconds\n";
        break;
      case Kind::Launch: {
        out += "     would save the message to " + s.launchFile + "\n";
        if (s.arguments.empty()) {
          out += "     would start nothing: the command line is empty\n";
        } else {
          std::string cmd = s.program;
          for (const auto& arg : s.arguments) cmd += " " + arg;
          out += "     would start: " + cmd + "\n";
        }
        break;
      }
      case Kind::PlaySound:
        out += "     would play the sound " + e.text + "\n";
        break;
      case Kind::RequestClose:
        out += "     would close the Agent Processor once the scan pass is over\n";
        break;
    }
  }
  if (s.stopsLaterAgents) out += "     would stop the later agents for this message\n";
  if (s.effects.empty() && !s.stopsLaterAgents) out += "     does nothing\n";
  if (s.endsList) out += "     ends the action list here\n";
}

}  // namespace

std::string formatDryRunReport(const DryRunReport& r) {
  std::string out;
  out += "Agent: " + r.agentName + " (type " + orNone(r.agentType, "empty") + ")\n";
  out += "Message: " + orNone(r.messageId, "(no Message-ID)") + "\n";
  out += "  Subject: " + r.subject + "\n";
  out += "  From: " + r.from + "\n";
  if (r.account.uniqueId.empty()) {
    out += "Account: none given (the account's name, address and SMTP server are empty)\n";
  } else {
    out += "Account: " + r.account.uniqueId + ", " + r.account.name + " <" + r.account.address +
           ">, SMTP server " + orNone(r.account.smtpServer, "(none set)") + "\n";
  }
  out += "\n";

  if (!r.messageAgent) {
    out += "Only MESSAGE agents have triggers and actions: this agent does nothing with the message.\n";
    out += "\nResult: the agent would not act.\n";
    return out;
  }

  out += "Triggers:\n";
  if (r.triggers.empty()) out += "  (none: an agent without triggers never acts)\n";
  for (size_t i = 0; i < r.triggers.size(); ++i) {
    const DryRunTrigger& t = r.triggers[i];
    out += "  " + std::to_string(i + 1) + ". " + t.sentence + ": " + verdictText(t.match.verdict) + "\n";
    out += "     compared against " + t.compared + "\n";
  }
  std::string verdicts;
  for (const auto& v : r.verdicts) verdicts += (verdicts.empty() ? "" : " ") + v;
  out += "Verdicts: " + orNone(verdicts, "(none)") + "\n";
  if (r.triggersHold) out += "The triggers hold: the actions run.\n";
  else if (r.verdicts.empty()) out += "No trigger gave a verdict: no action runs.\n";
  else out += "Not every verdict is TRUE: no action runs.\n";

  if (r.triggersHold) {
    out += "\nActions:\n";
    if (r.actions.empty()) out += "  (none)\n";
    for (const DryRunAction& a : r.actions) actionBlock(out, a);
    if (r.actionsNotReached > 0)
      out += "  " + std::to_string(r.actionsNotReached) + " later action" + (r.actionsNotReached == 1 ? "" : "s") +
             " would not run\n";
    out += r.stopsLaterAgents ? "\nLater agents: would not run for this message.\n"
                              : "\nLater agents: would still run for this message.\n";
  }
  out += r.wouldAct ? "\nResult: the agent would act.\n" : "\nResult: the agent would not act.\n";
  return out;
}

}  // namespace agentrun
