#include "cfgman/accounts/manager_startup.h"

#include "platform/system/error.h"
#include "platform/system/files.h"

namespace cfgman {

void startManager(ManagerTables& tables, dialup::TagRas& ras, store::Settings& settings,
                  const std::function<void(const std::string&)>& refused) {
  settings = store::readSettings(store::Program::Manager);
  const store::Settings& s = settings;
  if (s.rasService != "None") {
    try {
      ras.setEntryName(s.rasService);
    } catch (const sys::Error& e) {
      if (refused) refused(e.what());
      ras.setEntryName("");
      settings.rasService = "None";
    }
  }
  sys::forceDirectories(s.messagesFolder);
  sys::forceDirectories(s.agentsFolder);
  sys::forceDirectories(s.templatesFolder);
  tables.open(s.databaseFolder);
}

}  // namespace cfgman
