// Filing a processed message and recording what agents did.
#include "agentrun/processor.h"
#include "platform/mail/message_date.h"
#include "platform/system/clock.h"
#include "platform/system/format_datetime.h"
#include "platform/system/files.h"
#include "store/keys.h"
#include "store/settings.h"

namespace agentrun {

void Processor::MovetoReceived(const std::string& pendingPath, const std::string& accountKey,
                               xbase::Cursor& received, mail::TmsMessage& message) {
  const size_t slash = pendingPath.find_last_of('/');
  const std::string folder = slash == std::string::npos ? std::string() : pendingPath.substr(0, slash + 1);
  const std::string fileName = slash == std::string::npos ? pendingPath : pendingPath.substr(slash + 1);

  // The key comes from the message's own Date header, not from the clock.
  const mail::MailDateTime when = mail::messageDateTime(message);
  const std::string subject = message.headerValue("Subject");

  received.insert();
  received.setString("MESSAGE_ID", store::timeStampKey(when.toDateTime(), subject, 5));
  received.setString("LINK_ID", accountKey);
  received.setString("SUBJECT", subject);
  received.setString("FROM", message.headerValue("From"));
  received.setDate("RECDATE", {when.year, when.month, when.day});
  received.setString("FILENAME", fileName);
  received.post();

  const std::string inFolder = store::inFolder(messagesFolder_, accountKey);
  sys::forceDirectories(inFolder);
  std::string why;
  try {
    sys::copyFile(pendingPath, inFolder + fileName);
  } catch (const std::exception& e) {
    why = e.what();
  }
  if (why.empty()) {
    SendtoLog(" Successfully copied " + folder + " to " + inFolder + fileName + " in received items folder", 0);
    try {
      sys::deleteFile(pendingPath);
    } catch (const std::exception&) {
      SendtoLog(" FAILED to delete " + folder + fileName, 0);
    }
  } else {
    SendtoLog(" - FAILED to copy " + folder + fileName + " to " + inFolder + fileName +
                  " in received items folder",
              0);
    // Deleting the pending file now would lose the message: it stays in
    // Pending, and is skipped until it changes so it is not filed again and
    // again.
    SendtoLog(" - " + why + "; the message stays in its Pending folder", 0);
    rememberBad(pendingPath);
  }
}

void Processor::AddAgentEntry(const std::string& messageId, const std::string& actionText) {
  xbase::Cursor& actions = *DM.TableActions;
  actions.insert();
  actions.setString("UNIQUE_ID", store::timeStampKey(actionText, 6));
  actions.setString("MESSAGE_ID", messageId);
  actions.setString("NODE_ID", DM.TableANodes->getString("UNIQUE_ID"));
  actions.setString("AGENT_ID", DM.TableAgents->getString("UNIQUE_ID"));
  actions.setString("ACTION", actionText);
  actions.post();
}

}  // namespace agentrun
