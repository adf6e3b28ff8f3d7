#include "store/settings.h"

#include "platform/profile/profile.h"
#include "platform/system/folders.h"

namespace store {

Settings defaultSettings(Program program, const std::string& programFolder) {
  Settings s;
  const std::string base = program == Program::Processor
                               ? std::string(kProcessorRoot)
                               : (programFolder.empty() ? sys::programFolder() : programFolder);
  s.messagesFolder = base + "messages/";
  s.agentsFolder = base + "agents/";
  s.databaseFolder = base;
  s.templatesFolder = base + "templates/";
  return s;
}

Settings readSettings(Program program, const std::string& programFolder, const std::string& file) {
  const Settings d = defaultSettings(program, programFolder);
  const profile::Document ini = profile::load(file);
  Settings s;
  s.messagesFolder = ini.readString(ini::kFolders, ini::kMessages, d.messagesFolder);
  s.agentsFolder = ini.readString(ini::kFolders, ini::kAgents, d.agentsFolder);
  s.databaseFolder = ini.readString(ini::kFolders, ini::kDataBase, d.databaseFolder);
  s.templatesFolder = ini.readString(ini::kFolders, ini::kTemplates, d.templatesFolder);
  s.rasService = ini.readString(ini::kRas, ini::kService, d.rasService);
  s.connectMethod = ini.readString(ini::kConnect, ini::kMethod, d.connectMethod);
  s.soundsDisabled = ini.readBool(ini::kMisc, ini::kSoundsDisabled, d.soundsDisabled);
  s.activityMonitor = ini.readBool(ini::kMain, ini::kActivityMonitor, d.activityMonitor);
  s.autoEnabled = ini.readBool(ini::kAgentSettings, ini::kAutoEnabled, d.autoEnabled);
  return s;
}

void writeFolders(const Settings& s, const std::string& file) {
  profile::update(file, [&](profile::Document& ini) {
    ini.writeString(ini::kFolders, ini::kMessages, s.messagesFolder);
    ini.writeString(ini::kFolders, ini::kAgents, s.agentsFolder);
    ini.writeString(ini::kFolders, "Database", s.databaseFolder);
  });
}

void writeTemplatesFolder(const std::string& folder, const std::string& file) {
  profile::writeString(file, ini::kFolders, ini::kTemplates, folder);
}

void writeRasService(const std::string& entryName, const std::string& file) {
  profile::writeString(file, ini::kRas, ini::kService, entryName);
}

void writeConnectMethod(const std::string& method, const std::string& file) {
  profile::writeString(file, ini::kConnect, ini::kMethod, method);
}

void writeSoundsDisabled(bool disabled, const std::string& file) {
  profile::writeBool(file, ini::kMisc, ini::kSoundsDisabled, disabled);
}

void writeAutoEnabled(bool enabled, const std::string& file) {
  profile::writeBool(file, ini::kAgentSettings, ini::kAutoEnabled, enabled);
}

std::string pendingFolder(const std::string& messagesFolder, const std::string& accountId) {
  return messagesFolder + accountId + "/Pending/";
}

std::string inFolder(const std::string& messagesFolder, const std::string& accountId) {
  return messagesFolder + accountId + "/In/";
}

std::string agentFilePath(const std::string& agentsFolder, const std::string& agentName) {
  return agentsFolder + agentName + ".agent";
}

std::string processorTempFolder(const std::string& programFolder) { return programFolder + "temp/"; }

std::string processorLogFile(const std::string& programFolder) { return programFolder + "agentrun.log"; }

}  // namespace store
