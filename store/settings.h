// The settings file karvix.ini and the folder layout built on it.
// The file is the bare name "karvix.ini", so the profile functions find it in
// the profile folder. Each program reads every key once at start, with its own
// defaults for a missing key:
//   [Folders] Messages   processor: <root>messages/   manager: <program folder>messages/
//   [Folders] Agents     processor: <root>agents/     manager: <program folder>agents/
//   [Folders] DataBase   processor: <root>            manager: <program folder>
//   [Folders] Templates  manager: <program folder>templates/ (processor: <root>templates/)
//   [RAS] Service        "None" (no dial-up)
//   [Connect] Method     "LAN" ("LAN", "MANUAL" or "RAS", compared upper-cased)
//   [Misc] SoundsDisabled, [Main] ActivityMonitor   false
//   [AgentSettings] AutoEnabled                    true
// <root> is the processor's fixed root "/opt/ostrak/karvix/", whatever its
// install place. Booleans are written "1"/"0" and read as whole numbers (not
// 0 is true). Folder values are used as they are: names are appended to them
// directly, and nothing adds a missing separator.
#pragma once

#include <string>

namespace store {

inline constexpr const char* kSettingsFile = "karvix.ini";
inline constexpr const char* kProcessorRoot = "/opt/ostrak/karvix/";

// Section and key names as the programs write them.
namespace ini {
inline constexpr const char* kFolders = "Folders";
inline constexpr const char* kMessages = "Messages";
inline constexpr const char* kAgents = "Agents";
inline constexpr const char* kDataBase = "DataBase";
inline constexpr const char* kTemplates = "Templates";
inline constexpr const char* kRas = "RAS";
inline constexpr const char* kService = "Service";
inline constexpr const char* kConnect = "Connect";
inline constexpr const char* kMethod = "Method";
inline constexpr const char* kMisc = "Misc";
inline constexpr const char* kSoundsDisabled = "SoundsDisabled";
inline constexpr const char* kMain = "Main";
inline constexpr const char* kActivityMonitor = "ActivityMonitor";
inline constexpr const char* kAgentSettings = "AgentSettings";
inline constexpr const char* kAutoEnabled = "AutoEnabled";
}  // namespace ini

enum class Program { Processor, Manager };

struct Settings {
  std::string messagesFolder;
  std::string agentsFolder;
  std::string databaseFolder;
  std::string templatesFolder;
  std::string rasService = "None";
  std::string connectMethod = "LAN";
  bool soundsDisabled = false;
  bool activityMonitor = false;
  bool autoEnabled = true;
};

// The defaults of a program. programFolder (with its separator at the end) is
// the manager's base; empty means sys::programFolder().
Settings defaultSettings(Program program, const std::string& programFolder = "");

// Every key read from file (karvix.ini in the profile folder unless a path is given).
Settings readSettings(Program program, const std::string& programFolder = "",
                      const std::string& file = kSettingsFile);

// Writers, one per occasion on which a program writes.
// The manager, on closing and from its preferences: Messages, Agents, DataBase.
void writeFolders(const Settings& s, const std::string& file = kSettingsFile);
// The manager's preferences: the templates folder.
void writeTemplatesFolder(const std::string& folder, const std::string& file = kSettingsFile);
void writeRasService(const std::string& entryName, const std::string& file = kSettingsFile);
void writeConnectMethod(const std::string& method, const std::string& file = kSettingsFile);
void writeSoundsDisabled(bool disabled, const std::string& file = kSettingsFile);
// The processor, each time it is switched on or off.
void writeAutoEnabled(bool enabled, const std::string& file = kSettingsFile);

// The folder layout. Names are appended to the folder values as they are.
std::string pendingFolder(const std::string& messagesFolder, const std::string& accountId);  // M + id + "/Pending/"
std::string inFolder(const std::string& messagesFolder, const std::string& accountId);       // M + id + "/In/"
std::string agentFilePath(const std::string& agentsFolder, const std::string& agentName);    // A + name + ".agent"
std::string processorTempFolder(const std::string& programFolder);                           // P + "temp/"
std::string processorLogFile(const std::string& programFolder);                              // P + "agentrun.log"

}  // namespace store
