// ActionPlanner: what each action of a message agent does, worked out one
// action at a time and without doing it. A step lists the things the
// processor does for that action, in the order it does them (log lines,
// action rows, the beep, sending, waiting, starting a program, playing a
// sound, asking the program to close), with the merged auto-reply it sends.
//
// The planner changes only the message it is given, exactly as the actions
// change the message being processed (forward and redirect insert body lines,
// replace the recipients, add a header line, forward replaces the sender), so
// that the next step sees what the next action would see. It reads template
// files and the clock; it sends, starts, plays, waits for, writes and logs
// nothing. The processor performs the steps; a trial run only reports them.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "platform/mail/message.h"
#include "store/agentfile.h"

namespace agentrun {

inline constexpr int kLongestDelaySeconds = 3600;         // longer delays are cut to this
inline constexpr std::size_t kLongestActionParameter = 255;  // command lines and file paths

// One thing the processor does for an action.
struct ActionEffect {
  enum class Kind {
    Log,           // a level-0 log line: text
    MergeLog,      // a level-0 log line of the merge codes: text
    Record,        // an action row: text is its ACTION
    Beep,
    SendReply,     // send the step's reply; text = its subject
    SendMessage,   // send the message being processed as it stands; text = its subject
    Wait,          // wait `seconds` (always > 0)
    Launch,        // save the message being processed to the step's launch file, start the program
    PlaySound,     // text = the sound file
    RequestClose,  // the program ends once the pass is over
  };
  Kind kind;
  std::string text;
  int seconds = 0;
};

struct ActionStep {
  store::Action action;  // as in the agent file
  std::string keyword;   // upper-cased
  std::vector<ActionEffect> effects;
  bool endsList = false;          // no later action of this agent runs
  bool stopsLaterAgents = false;  // this action sets the stop flag
  // Auto-reply: the outgoing message replaces the processor's outgoing
  // message (an empty one when its template could not be loaded). Not set
  // when the auto-reply was skipped before touching it.
  std::optional<mail::TmsMessage> reply;
  std::string replyRecipient;  // the recipient the merge codes chose ("" none)
  // Launch: the copy of the message and the program started with it.
  std::string launchFile;
  std::string program;
  std::vector<std::string> arguments;  // the last one is launchFile
};

// The account and the folders the actions use.
struct ActionContext {
  std::string messageId;       // Message-ID of the message being processed
  std::string accountName;     // NODE
  std::string accountAddress;  // ADDRESS
  std::string programFolder;   // the processor's program folder (ends with "/")
};

class ActionPlanner {
 public:
  // `message` and `actions` must outlive the planner.
  ActionPlanner(mail::TmsMessage& message, const std::vector<store::Action>& actions,
                ActionContext context);

  // Plans the next action into `step` (replacing what it held) and changes
  // the message as that action would. False once the list is over: every
  // action planned, or a step ended it.
  bool next(ActionStep& step);
  // The stop flag: "REMOVE FROM FURTHER AGENT PROCESSING" was reached.
  bool stop() const { return stop_; }

 private:
  void autoReply(ActionStep& step);
  void forwardOrRedirect(ActionStep& step, bool redirect);

  mail::TmsMessage& message_;
  const std::vector<store::Action>& actions_;
  ActionContext context_;
  std::size_t nextIndex_ = 0;
  bool ended_ = false;
  bool stop_ = false;
};

// True when the message is itself an automatic answer: answering it could
// start two systems answering each other for ever.
bool isAutomaticMessage(const mail::TmsMessage& message);

}  // namespace agentrun
