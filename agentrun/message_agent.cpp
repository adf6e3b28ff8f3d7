// The message agent: its triggers, then its actions in order.
#include <chrono>
#include <thread>

#include "agentrun/command_line.h"
#include "agentrun/merge_codes.h"
#include "agentrun/processor.h"
#include "agentrun/triggers.h"
#include "platform/system/clock.h"
#include "platform/system/format_datetime.h"
#include "platform/system/convert.h"
#include "platform/system/files.h"
#include "platform/system/hooks.h"
#include "platform/system/text.h"

namespace agentrun {
namespace {

const char* const kHyphens = "--------------------------------------------------";

// True when the message is itself an automatic answer: answering it could
// start two systems answering each other for ever.
bool isAutomaticMessage(const mail::TmsMessage& message) {
  for (const auto& line : message.headerLines()) {
    if (sys::upperAscii(line.substr(0, 19)) == "X-KARVIXAUTO-REPLY:") return true;
  }
  const std::string submitted = sys::upperAscii(message.headerValue("Auto-Submitted"));
  return !submitted.empty() && submitted != "NO";
}

}  // namespace

std::string Processor::accountColumn(const char* column) const {
  return DM.TableANodes ? DM.TableANodes->getString(column) : std::string();
}

bool Processor::ProccessMESSAGEAgent(mail::TmsMessage& message, const store::AgentFile& agentFile) {
  bool result = false;
  const std::string messageId = message.headerValue("Message-ID");
  lstTriggeredArray.clear();
  if (agentFile.triggers.empty()) return false;

  std::vector<Trigger> triggers;
  for (const auto& t : agentFile.triggers) triggers.push_back({t.field, t.condition, t.value});
  const TriggerSubject subject{message.headerLines(), message.bodyLines(),
                               [&message](std::string_view name) {
                                 return message.headerValue(std::string(name));
                               }};
  if (evaluateTriggers(triggers, subject, lstTriggeredArray)) runActions(message, agentFile, messageId, result);
  if (stateChanged) stateChanged();
  return result;
}

void Processor::runActions(mail::TmsMessage& message, const store::AgentFile& agentFile,
                           const std::string& messageId, bool& stop) {
  for (const auto& action : agentFile.actions) {
    const std::string k = sys::upperAscii(action.keyword);
    const std::string& p2 = action.param;
    const std::string& p3 = action.param2;
    const bool longParameter = p2.size() > kLongestParameter;

    if (k == "AUTO-REPLY") {
      bool endList = false;
      autoReply(message, p2, messageId, endList);
      if (endList) return;
    } else if (k == "CLOSE KARVIX") {
      AddAgentEntry(messageId, "Close Karvix");
      requestClose();
    } else if (k == "DELAY THE AGENT") {
      int seconds = 0;
      if (!sys::tryStrToInt(p2, seconds)) {
        AddAgentEntry(messageId, "FAILED to Delay for " + p2 + " seconds");
        return;
      }
      int wait = seconds < 0 ? 0 : seconds;
      if (wait > kLongestDelay) {
        SendtoLog("A delay of " + p2 + " seconds is cut to " + std::to_string(kLongestDelay) + " seconds", 0);
        wait = kLongestDelay;
      }
      if (wait > 0) {
        if (waitSeconds) waitSeconds(int(wait));
        else std::this_thread::sleep_for(std::chrono::seconds(wait));
      }
      AddAgentEntry(messageId, "Agent Delayed for " + p2 + " seconds");
    } else if (k == "FORWARD TO" || k == "REDIRECT TO") {
      forwardOrRedirect(message, k == "REDIRECT TO", p2, p3, messageId);
    } else if (k == "LAUNCH PROGRAM") {
      if (longParameter) {
        SendtoLog("The command line of LAUNCH PROGRAM is longer than 255 characters; nothing was started", 0);
        continue;
      }
      launchProgram(message, p2, messageId);
    } else if (k == "PLAY SOUND") {
      if (longParameter) {
        SendtoLog("The sound file path of PLAY SOUND is longer than 255 characters; nothing was played", 0);
        continue;
      }
      AddAgentEntry(messageId, "Played Sound: " + p2);
      sys::playSound(p2);
    } else if (k == "REMOVE FROM FURTHER AGENT PROCESSING") {
      stop = true;
    } else if (k == "RUN AN KARVIXSCRIPT") {
      if (longParameter) {
        SendtoLog("The script path of RUN AN KARVIXSCRIPT is longer than 255 characters", 0);
        continue;
      }
      AddAgentEntry(messageId, "Ran karvix-Script: " + p2);
    }
    // "PRINT", "RESTART THE COMPUTER" and unknown keywords do nothing.
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

void Processor::autoReply(mail::TmsMessage& message, const std::string& templatePath,
                          const std::string& messageId, bool& endList) {
  if (isAutomaticMessage(message)) {
    SendtoLog("Agent Auto-Reply skipped: the message is itself an automatic reply -- " +
                  message.headerValue("Subject"),
              0);
    return;
  }
  mail::TmsMessage& out = currentoutmailmessage;
  out.clear();
  bool loaded = sys::fileExists(templatePath);
  if (loaded) {
    try {
      out.loadFromFile(templatePath);
    } catch (const std::exception& e) {
      SendtoLog(std::string(" - ") + e.what(), 0);
      loaded = false;
    }
  }
  if (!loaded) {
    sys::beep();
    SendtoLog("Unable to load outgoing mail message for auto-reply -- " + templatePath, 0);
    endList = true;
    return;
  }
  out.setSender(accountColumn("NODE"), accountColumn("ADDRESS"));
  out.clearRecipients();
  const mail::MailAddress replyTo = message.sender();
  out.addRecipient(replyTo.address, replyTo.name);
  out.addHeaderLine("X-KarvixAuto-Reply: True");
  out.addHeaderLine("Auto-Submitted: auto-replied");

  std::vector<std::string> body = out.bodyLines();
  std::vector<std::string> headers = out.headerLines();
  const std::vector<std::string> repliedBody = message.bodyLines();
  const MergeSource source{[&message](std::string_view name) { return message.headerValue(std::string(name)); },
                           replyTo.name, replyTo.address, repliedBody,
                           accountColumn("NODE"), accountColumn("ADDRESS")};
  const MergeServices services{[this](const std::string& line) { SendtoLog(line, 0); },
                               [] { return sys::dateToStr(sys::now()); },
                               [] { return sys::dateTimeText(sys::now()); },
                               [](const std::string& format) {
                                 return sys::formatDateTime(format.empty() ? "c" : format, sys::now());
                               }};
  const std::string recipient = ProccessMergeCodes(body, headers, source, services);
  out.setBodyLines(body);
  for (size_t i = 0; i < headers.size(); ++i)
    if (headers[i] != out.headerLines()[i]) out.setHeaderLine(i, headers[i]);
  if (!recipient.empty()) {
    out.clearRecipients();
    out.addRecipient(sys::trim(recipient), "");
  }

  const std::string subject = out.headerValue("Subject");
  SendtoLog("Agent Auto-Replying with " + subject, 0);
  AddAgentEntry(messageId, "AutoReply Generated, SUBJECT: " + subject);
  sendCurrent(out, subject);
}

void Processor::forwardOrRedirect(mail::TmsMessage& message, bool redirect, const std::string& address,
                                  const std::string& topText, const std::string& messageId) {
  messageChanged_ = true;
  if (!topText.empty()) message.insertBodyLine(topText);
  if (!redirect) {
    message.clearRecipients();
    message.addRecipient(sys::trim(address), "");
    message.addHeaderLine("X-KarvixForward: True");
    const mail::MailAddress kept = message.sender();
    message.setSender(accountColumn("NODE"), accountColumn("ADDRESS"));
    message.insertBodyLine(kHyphens);
    message.insertBodyLine("Forwarded Message:  Originally from: " + kept.name + " " + kept.address);
    const std::string subject = message.headerValue("Subject");
    AddAgentEntry(messageId, "Message Forwarded to: " + address);
    SendtoLog("Agent Forwarding " + subject, 0);
    sendCurrent(message, subject);
    return;
  }
  const std::string toValue = message.headerValue("TO:");
  message.clearRecipients();
  message.addRecipient(sys::trim(address), "");
  message.addHeaderLine("X-KarvixRedirect: True");
  message.insertBodyLine(kHyphens);
  message.insertBodyLine("Message Redirected To: " + address);
  message.insertBodyLine("Originally To: " + toValue);
  message.insertBodyLine("Processed by Karvix Account: " + accountColumn("NODE"));
  const std::string subject = message.headerValue("Subject");
  AddAgentEntry(messageId, "Message Redirected to: " + address);
  SendtoLog("Agent redirecting " + subject, 0);
  sendCurrent(message, subject);
}

void Processor::launchProgram(mail::TmsMessage& message, const std::string& commandLine,
                              const std::string& messageId) {
  const std::string tempFolder = store::processorTempFolder(programFolder_);
  sys::forceDirectories(tempFolder);
  const std::string file = tempFolder + launchFileName(messageId) + ".eml";
  message.saveToFile(file);
  std::vector<std::string> words = splitCommandLine(commandLine);
  if (!words.empty()) {
    const std::string program = words.front();
    words.erase(words.begin());
    words.push_back(file);
    sys::startDetached(program, words);
  }
  AddAgentEntry(messageId, "Launched Program " + commandLine + " " + file);
}

}  // namespace agentrun
