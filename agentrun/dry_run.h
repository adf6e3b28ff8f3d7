// Trial run of one message agent over one message for one account, to answer
// "why did this agent act, or not?". It runs the processor's own trigger
// evaluation (message_triggers.h) and action planning (action_plan.h) and
// reports what they decided instead of doing it: nothing is sent, started,
// played, waited for, written to a table or to the log. The only files read
// are the auto-reply templates (and NODES.DBF through readDryRunAccount).
//
// The report holds, for each trigger, a sentence ("If the Subject contains
// order"), its verdict and the text it was compared against; and, when the
// triggers hold, each action in order with what it would do: the mail it
// would send (merged auto-reply, forwarded or redirected message), the
// program it would start, the delay, the sound, the close request, and
// whether later agents would still run. dry_run_text.h prints it.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "agentrun/action_plan.h"
#include "agentrun/triggers.h"
#include "platform/mail/message.h"
#include "store/agentfile.h"

namespace agentrun {

// The account whose values the actions use (its NODES.DBF row).
struct DryRunAccount {
  std::string uniqueId;    // UNIQUE_ID; "" when no account was given
  std::string name;        // NODE
  std::string address;     // ADDRESS
  std::string smtpServer;  // SMTPADDRES
};

// Reads the account `uniqueId` from NODES.DBF in `databaseFolder` (opened
// shared, only read). Raises sys::Error when the table cannot be opened or
// holds no such account.
DryRunAccount readDryRunAccount(const std::string& databaseFolder, const std::string& uniqueId);

struct DryRunTrigger {
  store::Trigger entry;  // as in the agent file
  TriggerMatch match;
  std::string sentence;  // "If the Subject contains order"
  std::string compared;  // what the value was compared against, in words
};

// A mail an action would send, as it would leave the processor.
struct DryRunMail {
  std::string server;  // the account's SMTP server
  mail::MailAddress from;
  mail::MailAddressList to;
  std::string subject;
  std::vector<std::string> headerLines;
  std::vector<std::string> bodyLines;
  std::string bytes;  // the message as written for sending (a Date and Message-ID are added then)
};

struct DryRunAction {
  std::size_t number = 0;  // the entry number in the agent file, from 1
  ActionStep step;         // its effects, launch file and program, the reply
  std::optional<DryRunMail> mail;
};

struct DryRunReport {
  std::string agentName;  // as given by the caller
  std::string agentType;  // as in the file
  bool messageAgent = false;
  std::string messageId;
  std::string subject;
  std::string from;
  DryRunAccount account;

  std::vector<DryRunTrigger> triggers;
  std::vector<std::string> verdicts;  // the verdict list ("TRUE"/"FALSE")
  bool triggersHold = false;

  std::vector<DryRunAction> actions;  // planned actions, in order (none unless the triggers hold)
  std::size_t actionsNotReached = 0;  // actions after a step that ended the list
  bool stopsLaterAgents = false;
  // The triggers hold and at least one action would do something (a log
  // line, a row, a mail, a wait, a start, a sound, a close or the stop flag).
  bool wouldAct = false;
};

// `message` is the processor's working copy for this agent: it is changed as
// forward and redirect would change it. `programFolder` is the processor's
// program folder (ends with "/"): the launched program's copy goes to its
// temp folder.
DryRunReport dryRunMessageAgent(const std::string& agentName, const store::AgentFile& agent,
                                mail::TmsMessage message, const DryRunAccount& account,
                                const std::string& programFolder);

}  // namespace agentrun
