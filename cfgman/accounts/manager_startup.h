// The Configuration Manager's start-up work that needs no window: read the
// settings (folder defaults under the program folder), take over the dial-up
// entry, create the messages, agents and templates folders (not the database
// folder) and open the tables. Raises sys::Error at the first step that
// fails ("Unable to create directory", or the engine's message for a table);
// the later steps then do not run. A dial-up entry the dial-up component
// refuses is reported through `refused` and cleared; start-up goes on.
#pragma once

#include <functional>
#include <string>

#include "cfgman/accounts/manager_tables.h"
#include "platform/dialup/tag_ras.h"
#include "store/settings.h"

namespace cfgman {

// `settings` is filled as soon as the file is read, so the caller has the
// folder values even when a later step fails.
void startManager(ManagerTables& tables, dialup::TagRas& ras, store::Settings& settings,
                  const std::function<void(const std::string&)>& refused);

}  // namespace cfgman
