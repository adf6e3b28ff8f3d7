// Processor: the Agent Processor without its windows. It owns the settings it
// read at start, the five table views, the message objects and the mail
// client, the log, the on/off state and the scan-pass counter, and runs the
// start-up steps, the scan pass, filing, message agents and their actions.
//
// The window owns one Processor and hands it three hooks: letting pending
// window events run, showing a text in the status bar, and a notice that the
// on/off state or the counter changed. Tests drive a Processor directly.
#pragma once

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "agentrun/action_plan.h"
#include "agentrun/data_module.h"
#include "agentrun/processor_log.h"
#include "platform/dialup/tag_ras.h"
#include "platform/mail/message.h"
#include "platform/mail/smtp.h"
#include "store/agentfile.h"
#include "store/settings.h"

namespace agentrun {

class Processor {
 public:
  // `programFolder` is the folder of the program file (ends with "/"): the
  // log file and the temp folder live there.
  explicit Processor(std::string programFolder);
  ~Processor();

  Processor(const Processor&) = delete;
  Processor& operator=(const Processor&) = delete;

  // Hooks set by the window (all optional).
  std::function<void()> processEvents;
  std::function<void(const std::string&)> statusText;
  std::function<void()> stateChanged;

  // --- log -----------------------------------------------------------------
  // Level 0: a dated line; level 9: a "DEBUGMESSAGE -- " line when the debug
  // flag is set; other levels: status bar only.
  void SendtoLog(const std::string& message, int level = 0);
  // An error that no operation caught: beep and a " -- Error-" line.
  void AppException(const std::string& message);
  ProcessorLog& log() { return log_; }
  std::string logFilePath() const { return store::processorLogFile(programFolder_); }

  // --- start, switch, stop ---------------------------------------------------
  // Start-up steps; `firstArgument` is the program's first command-line
  // argument (or empty). `singlePass` runs when single-pass mode is selected:
  // the window shows itself and calls runSinglePass(). Returns false when a
  // step failed (the error is in the log).
  bool startUp(const std::string& firstArgument, const std::function<void()>& singlePass);
  static bool selectsSinglePass(const std::string& firstArgument);
  static bool selectsDebug(const std::string& firstArgument);
  // Single-pass mode: log, let events run, one pass, let events run; asks the
  // program to end.
  void runSinglePass();

  void Button1Click();  // the on/off switch (also "Start" and "Stop")
  bool running() const { return running_; }
  bool debug() const { return debug_; }
  int scanPasses() const { return scanPasses_; }
  std::string onOffText() const;       // "Agent Processor On" / "Agent Processor Off"
  std::string scanPassesText() const;  // "<n> Total Scan Passes"

  // One timer tick: a pass when switched on. Never re-entered during a pass.
  void TimerAgentsTimer();
  bool inPass() const { return inPass_; }
  // Set by "CLOSE KARVIX", by single-pass mode and by the tray's "Close"
  // chosen during a pass: the program ends once the running pass is over.
  bool closeRequested() const { return closeRequested_; }
  void requestClose() { closeRequested_ = true; }

  // Closes the tables (received, nodes, pending, agents, actions) and saves
  // the log. Safe to call twice.
  void shutDown();

  // --- the scan pass and what it calls -------------------------------------
  void AgentsMain();
  void MovetoReceived(const std::string& pendingPath, const std::string& accountKey,
                      xbase::Cursor& received, mail::TmsMessage& message);
  void AddAgentEntry(const std::string& messageId, const std::string& actionText);
  bool ProccessMESSAGEAgent(mail::TmsMessage& message, const store::AgentFile& agentFile);

  // Folders read at start (each ends with "/").
  const std::string& messagesFolder() const { return messagesFolder_; }
  const std::string& agentsFolder() const { return agentsFolder_; }
  const std::string& databaseFolder() const { return databaseFolder_; }
  const std::string& programFolder() const { return programFolder_; }

  TDM DM;
  mail::TmsMessage currentMailMessage;
  mail::TmsMessage currentoutmailmessage;
  mail::TmsSMTP agentSMTP;
  dialup::TagRas agRas1;
  std::vector<std::string> lstTriggeredArray;

  // How the processor waits for "DELAY THE AGENT" (tests replace it).
  std::function<void(int seconds)> waitSeconds;
  static constexpr int kLongestDelay = kLongestDelaySeconds;  // seconds; longer delays are cut to this
  static constexpr size_t kLongestParameter = kLongestActionParameter;  // command lines and file paths

 private:
  void letEventsRun();
  // Loads a pending file; logs and returns false when it cannot be loaded.
  bool loadPending(mail::TmsMessage& message, const std::string& path, mail::TmsMessage::Parse parse);
  void endOfPass();
  std::string accountColumn(const char* column) const;
  void runActions(mail::TmsMessage& message, const store::AgentFile& agentFile,
                  const std::string& messageId, bool& stop);
  ActionContext actionContext(const std::string& messageId) const;
  // Does one thing a planned action step does (action_plan.h).
  void perform(const ActionEffect& effect, const ActionStep& step, mail::TmsMessage& message,
               const std::string& messageId);
  void sendCurrent(mail::TmsMessage& message, const std::string& subject);
  // A pending file that could not be loaded or copied is remembered, so it is
  // reported once and skipped until it changes.
  bool isKnownBad(const std::string& path) const;
  void rememberBad(const std::string& path);

  std::string programFolder_;
  std::string messagesFolder_, agentsFolder_, databaseFolder_;
  ProcessorLog log_;
  bool running_ = false;
  bool debug_ = false;
  bool inPass_ = false;
  bool closeRequested_ = false;
  bool shutDown_ = false;
  bool logLoaded_ = false;
  int scanPasses_ = 0;
  std::string currentAccountKey_;
  std::set<std::tuple<std::string, long long, long long>> badFiles_;  // path, size, mtime
};

}  // namespace agentrun
