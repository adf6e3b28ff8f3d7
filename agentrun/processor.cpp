#include "agentrun/processor.h"

#include <sys/stat.h>

#include "platform/profile/profile.h"
#include "platform/system/clock.h"
#include "platform/system/format_datetime.h"
#include "platform/system/error.h"
#include "platform/system/files.h"
#include "platform/system/hooks.h"
#include "platform/system/text.h"

namespace agentrun {

Processor::Processor(std::string programFolder) : programFolder_(std::move(programFolder)) {}

Processor::~Processor() { shutDown(); }

void Processor::letEventsRun() {
  if (processEvents) processEvents();
}

// --- log --------------------------------------------------------------------

void Processor::SendtoLog(const std::string& message, int level) {
  if (statusText) statusText(message);
  if (level == 0) {
    log_.insertTop(sys::dateTimeText(sys::now()) + " -- " + message);
  } else if (level == 9 && debug_) {
    log_.insertTop("DEBUGMESSAGE -- " + message);
  }
  letEventsRun();
}

void Processor::AppException(const std::string& message) {
  sys::beep();
  log_.insertTop(sys::dateTimeText(sys::now()) + " -- Error-" + message);
}

// --- start, switch, stop ----------------------------------------------------

bool Processor::selectsSinglePass(const std::string& firstArgument) {
  return sys::upperAscii(firstArgument).substr(0, 11) == "/SINGLEPASS";
}

bool Processor::selectsDebug(const std::string& firstArgument) {
  return sys::upperAscii(firstArgument).substr(0, 2) == "/D";
}

bool Processor::startUp(const std::string& firstArgument, const std::function<void()>& singlePass) {
  debug_ = false;
  try {
    const store::Settings settings = store::readSettings(store::Program::Processor);
    if (settings.autoEnabled) {
      SendtoLog("Service Started", 0);
      running_ = true;
    } else {
      running_ = false;
    }
    if (stateChanged) stateChanged();
    if (settings.rasService != "None") agRas1.setEntryName(settings.rasService);

    messagesFolder_ = settings.messagesFolder;
    agentsFolder_ = settings.agentsFolder;
    databaseFolder_ = settings.databaseFolder;
    sys::forceDirectories(messagesFolder_);
    sys::forceDirectories(agentsFolder_);
    if (stateChanged) stateChanged();

    DM.open(databaseFolder_);

    const bool single = selectsSinglePass(firstArgument);
    if (single && singlePass) singlePass();

    if (selectsDebug(firstArgument)) {
      debug_ = true;
      SendtoLog("Running in debug mode.", 0);
    }

    // The log of earlier runs goes below the lines of this start-up (and, in
    // single-pass mode, of its pass), so the file saved at exit keeps them.
    const bool loaded = log_.loadBelow(logFilePath());
    logLoaded_ = true;
    if (!loaded) log_.save(logFilePath());
    return true;
  } catch (const std::exception& e) {
    AppException(e.what());
    return false;
  }
}

void Processor::runSinglePass() {
  SendtoLog("Running in single pass mode.", 0);
  letEventsRun();
  // The pass runs whether or not the processor is switched on.
  if (!inPass_) AgentsMain();
  letEventsRun();
  requestClose();
}

void Processor::Button1Click() {
  if (running_) {
    SendtoLog("Service Terminated by user", 0);
    running_ = false;
    store::writeAutoEnabled(false);
  } else {
    running_ = true;
    if (stateChanged) stateChanged();
    SendtoLog("Service Started", 0);
    store::writeAutoEnabled(true);
  }
  if (stateChanged) stateChanged();
}

std::string Processor::onOffText() const {
  return running_ ? "Agent Processor On" : "Agent Processor Off";
}

std::string Processor::scanPassesText() const {
  return std::to_string(scanPasses_) + " Total Scan Passes";
}

void Processor::TimerAgentsTimer() {
  if (inPass_) return;
  if (!running_) return;
  AgentsMain();
}

void Processor::shutDown() {
  if (shutDown_) return;
  shutDown_ = true;
  DM.close();
  try {
    // A start-up that stopped early never loaded the log of earlier runs:
    // keep it below this run's lines instead of overwriting it.
    if (!logLoaded_) log_.loadBelow(logFilePath());
    log_.save(logFilePath());
  } catch (const std::exception&) {
    // Nothing left to report to at exit.
  }
}

// --- the scan pass ------------------------------------------------------------

bool Processor::isKnownBad(const std::string& path) const {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;
  return badFiles_.count({path, (long long)st.st_size, (long long)st.st_mtime}) > 0;
}

void Processor::rememberBad(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return;
  badFiles_.insert({path, (long long)st.st_size, (long long)st.st_mtime});
}

void Processor::AgentsMain() {
  inPass_ = true;
  try {
    if (!DM.isOpen()) throw sys::Error("The tables are not open");
    xbase::Cursor& nodes = *DM.TableANodes;
    xbase::Cursor& agents = *DM.TableAgents;
    xbase::Cursor& received = *DM.TableAReceived;

    SendtoLog("MARK1", 9);
    nodes.refresh();
    SendtoLog("MARK2", 9);
    received.refresh();
    nodes.first();
    letEventsRun();

    SendtoLog("MARK3", 9);
    for (; !nodes.eof(); nodes.next()) {
      currentAccountKey_ = nodes.getString("UNIQUE_ID");
      if (currentAccountKey_.empty()) break;
      letEventsRun();
      const std::string pendingFolder = store::pendingFolder(messagesFolder_, currentAccountKey_);

      for (const std::string& fileName : sys::listFiles(pendingFolder, "*.eml")) {
        const std::string pendingPath = pendingFolder + fileName;
        if (isKnownBad(pendingPath)) continue;
        letEventsRun();
        SendtoLog("Processing message " + fileName, 0);

        // The pending file is read and parsed once; every agent gets a fresh
        // copy of it (an agent's actions may change its copy), and filing
        // uses the message as read. Without agents the body is never parsed.
        bool stop = false;
        agents.refresh();
        agents.first();
        mail::TmsMessage pending;
        const auto parse = agents.eof() ? mail::TmsMessage::Parse::WhenNeeded : mail::TmsMessage::Parse::Now;
        if (!loadPending(pending, pendingPath, parse)) {
          // The file stays in Pending; it is skipped until it changes, so it
          // neither blocks the pass nor floods the log once a second.
          SendtoLog(" - The message stays in its Pending folder and is skipped until it changes", 0);
          rememberBad(pendingPath);
          continue;
        }
        for (; !agents.eof(); agents.next()) {
          currentMailMessage = pending.clone();
          const std::string agentName = agents.getString("AGENT");
          SendtoLog(" - Processing Agent " + agentName, 0);
          const store::AgentFile agentFile =
              store::readAgentFile(store::agentFilePath(agentsFolder_, agentName));
          const std::string type = sys::upperAscii(agentFile.agentType);
          if (!stop) {
            if (type == "MESSAGE") {
              stop = ProccessMESSAGEAgent(currentMailMessage, agentFile);
            } else if (type == "INTERVAL") {
              SendtoLog("INTERVAL AGENT PROCESS ACTIVATED Not implemented!", 0);
            } else if (type == "FUNCTION") {
              SendtoLog("FUNCTION AGENT PROCESS ACTIVATED Not implemented", 0);
            }
          }
        }
        currentMailMessage = std::move(pending);
        MovetoReceived(pendingPath, currentAccountKey_, received, currentMailMessage);
        received.refresh();
        letEventsRun();
      }
    }
  } catch (const std::exception& e) {
    endOfPass();
    inPass_ = false;
    AppException(e.what());
    return;
  }
  endOfPass();
  inPass_ = false;
}

bool Processor::loadPending(mail::TmsMessage& message, const std::string& path, mail::TmsMessage::Parse parse) {
  try {
    message.loadFromFile(path, parse);
    return true;
  } catch (const std::exception& e) {
    SendtoLog("Unable to load for processing filename: " + path, 0);
    SendtoLog(std::string(" - ") + e.what(), 0);
    return false;
  }
}

void Processor::endOfPass() {
  currentMailMessage.clear();
  ++scanPasses_;
  if (stateChanged) stateChanged();
}

}  // namespace agentrun
