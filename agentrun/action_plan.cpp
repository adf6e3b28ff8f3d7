#include "agentrun/action_plan.h"

#include "agentrun/command_line.h"
#include "agentrun/merge_codes.h"
#include "platform/system/clock.h"
#include "platform/system/convert.h"
#include "platform/system/files.h"
#include "platform/system/format_datetime.h"
#include "platform/system/text.h"
#include "store/settings.h"

namespace agentrun {
namespace {

const char* const kHyphens = "--------------------------------------------------";

using Kind = ActionEffect::Kind;

void add(ActionStep& step, Kind kind, std::string text = {}, int seconds = 0) {
  step.effects.push_back({kind, std::move(text), seconds});
}

}  // namespace

bool isAutomaticMessage(const mail::TmsMessage& message) {
  for (const auto& line : message.headerLines()) {
    if (sys::upperAscii(line.substr(0, 19)) == "X-KARVIXAUTO-REPLY:") return true;
  }
  const std::string submitted = sys::upperAscii(message.headerValue("Auto-Submitted"));
  return !submitted.empty() && submitted != "NO";
}

ActionPlanner::ActionPlanner(mail::TmsMessage& message, const std::vector<store::Action>& actions,
                             ActionContext context)
    : message_(message), actions_(actions), context_(std::move(context)) {}

bool ActionPlanner::next(ActionStep& step) {
  if (ended_ || nextIndex_ >= actions_.size()) return false;
  step = ActionStep{};
  step.action = actions_[nextIndex_++];
  step.keyword = sys::upperAscii(step.action.keyword);
  const std::string& k = step.keyword;
  const std::string& p2 = step.action.param;
  const bool longParameter = p2.size() > kLongestActionParameter;

  if (k == "AUTO-REPLY") {
    autoReply(step);
  } else if (k == "CLOSE KARVIX") {
    add(step, Kind::Record, "Close Karvix");
    add(step, Kind::RequestClose);
  } else if (k == "DELAY THE AGENT") {
    int seconds = 0;
    if (!sys::tryStrToInt(p2, seconds)) {
      add(step, Kind::Record, "FAILED to Delay for " + p2 + " seconds");
      step.endsList = true;
    } else {
      // A negative delay waits not at all; a very long one is cut, so the
      // processor cannot be held for ever.
      int wait = seconds < 0 ? 0 : seconds;
      if (wait > kLongestDelaySeconds) {
        add(step, Kind::Log,
            "A delay of " + p2 + " seconds is cut to " + std::to_string(kLongestDelaySeconds) + " seconds");
        wait = kLongestDelaySeconds;
      }
      if (wait > 0) add(step, Kind::Wait, {}, wait);
      add(step, Kind::Record, "Agent Delayed for " + p2 + " seconds");
    }
  } else if (k == "FORWARD TO" || k == "REDIRECT TO") {
    forwardOrRedirect(step, k == "REDIRECT TO");
  } else if (k == "LAUNCH PROGRAM") {
    if (longParameter) {
      add(step, Kind::Log, "The command line of LAUNCH PROGRAM is longer than 255 characters; nothing was started");
    } else {
      step.launchFile = store::processorTempFolder(context_.programFolder) +
                        launchFileName(context_.messageId) + ".eml";
      std::vector<std::string> words = splitCommandLine(p2);
      if (!words.empty()) {
        step.program = words.front();
        words.erase(words.begin());
        words.push_back(step.launchFile);
        step.arguments = std::move(words);
      }
      add(step, Kind::Launch);
      add(step, Kind::Record, "Launched Program " + p2 + " " + step.launchFile);
    }
  } else if (k == "PLAY SOUND") {
    if (longParameter) {
      add(step, Kind::Log, "The sound file path of PLAY SOUND is longer than 255 characters; nothing was played");
    } else {
      add(step, Kind::Record, "Played Sound: " + p2);
      add(step, Kind::PlaySound, p2);
    }
  } else if (k == "REMOVE FROM FURTHER AGENT PROCESSING") {
    step.stopsLaterAgents = true;
    stop_ = true;
  } else if (k == "RUN AN KARVIXSCRIPT") {
    if (longParameter) add(step, Kind::Log, "The script path of RUN AN KARVIXSCRIPT is longer than 255 characters");
    else add(step, Kind::Record, "Ran karvix-Script: " + p2);
  }
  // "PRINT", "RESTART THE COMPUTER" and unknown keywords do nothing.

  if (step.endsList) ended_ = true;
  return true;
}

void ActionPlanner::autoReply(ActionStep& step) {
  const std::string& templatePath = step.action.param;
  if (isAutomaticMessage(message_)) {
    add(step, Kind::Log,
        "Agent Auto-Reply skipped: the message is itself an automatic reply -- " + message_.headerValue("Subject"));
    return;
  }
  mail::TmsMessage& out = step.reply.emplace();
  bool loaded = sys::fileExists(templatePath);
  if (loaded) {
    try {
      out.loadFromFile(templatePath);
    } catch (const std::exception& e) {
      add(step, Kind::Log, std::string(" - ") + e.what());
      out.clear();
      loaded = false;
    }
  }
  if (!loaded) {
    add(step, Kind::Beep);
    add(step, Kind::Log, "Unable to load outgoing mail message for auto-reply -- " + templatePath);
    step.endsList = true;
    return;
  }
  out.setSender(context_.accountName, context_.accountAddress);
  out.clearRecipients();
  const mail::MailAddress replyTo = message_.sender();
  out.addRecipient(replyTo.address, replyTo.name);
  out.addHeaderLine("X-KarvixAuto-Reply: True");
  out.addHeaderLine("Auto-Submitted: auto-replied");

  std::vector<std::string> body = out.bodyLines();
  std::vector<std::string> headers = out.headerLines();
  const std::vector<std::string> repliedBody = message_.bodyLines();
  const MergeSource source{[this](std::string_view name) { return message_.headerValue(std::string(name)); },
                           replyTo.name,
                           replyTo.address,
                           repliedBody,
                           context_.accountName,
                           context_.accountAddress};
  const MergeServices services{[&step](const std::string& line) { add(step, Kind::MergeLog, line); },
                               [] { return sys::dateToStr(sys::now()); },
                               [] { return sys::dateTimeText(sys::now()); },
                               [](const std::string& format) {
                                 return sys::formatDateTime(format.empty() ? "c" : format, sys::now());
                               }};
  step.replyRecipient = ProccessMergeCodes(body, headers, source, services);
  out.setBodyLines(body);
  for (size_t i = 0; i < headers.size(); ++i)
    if (headers[i] != out.headerLines()[i]) out.setHeaderLine(i, headers[i]);
  if (!step.replyRecipient.empty()) {
    out.clearRecipients();
    out.addRecipient(sys::trim(step.replyRecipient), "");
  }

  const std::string subject = out.headerValue("Subject");
  add(step, Kind::Log, "Agent Auto-Replying with " + subject);
  add(step, Kind::Record, "AutoReply Generated, SUBJECT: " + subject);
  add(step, Kind::SendReply, subject);
}

void ActionPlanner::forwardOrRedirect(ActionStep& step, bool redirect) {
  const std::string& address = step.action.param;
  const std::string& topText = step.action.param2;
  mail::TmsMessage& message = message_;
  if (!topText.empty()) message.insertBodyLine(topText);
  if (!redirect) {
    message.clearRecipients();
    message.addRecipient(sys::trim(address), "");
    message.addHeaderLine("X-KarvixForward: True");
    const mail::MailAddress kept = message.sender();
    message.setSender(context_.accountName, context_.accountAddress);
    message.insertBodyLine(kHyphens);
    message.insertBodyLine("Forwarded Message:  Originally from: " + kept.name + " " + kept.address);
    const std::string subject = message.headerValue("Subject");
    add(step, Kind::Record, "Message Forwarded to: " + address);
    add(step, Kind::Log, "Agent Forwarding " + subject);
    add(step, Kind::SendMessage, subject);
    return;
  }
  const std::string toValue = message.headerValue("TO:");
  message.clearRecipients();
  message.addRecipient(sys::trim(address), "");
  message.addHeaderLine("X-KarvixRedirect: True");
  message.insertBodyLine(kHyphens);
  message.insertBodyLine("Message Redirected To: " + address);
  message.insertBodyLine("Originally To: " + toValue);
  message.insertBodyLine("Processed by Karvix Account: " + context_.accountName);
  const std::string subject = message.headerValue("Subject");
  add(step, Kind::Record, "Message Redirected to: " + address);
  add(step, Kind::Log, "Agent redirecting " + subject);
  add(step, Kind::SendMessage, subject);
}

}  // namespace agentrun
