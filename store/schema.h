// The store's ten tables: their files, columns in file order, compound index
// tags, and the accessors the programs open them with.
//
// Widths that the table list leaves open, chosen so that every value the
// programs write fits:
// - ACTIONS.MESSAGE_ID C(100): Message-ID header values (a tag key of 100
//   bytes, well under the 240-byte key limit, and short enough that index
//   nodes still hold four keys each).
// - ACTIONS.ACTION C(254), the widest text column: action texts that carry a
//   subject or a file path.
// - ACTIONS.CREATEAT C(6), like every other time column ("hh:mm").
// - rules: RULE C(40), COND C(1), CONDVAL1 and CONDVAL2 C(100), ACT1 and
//   ACT2 C(1).
// - Whole numbers (POSITION, FREQVAL): N(6,0), -99999 to 999999.
// Text is UTF-8 throughout the store (the tables' code page byte is 0x00,
// "not marked", as no FoxPro code page is UTF-8).
//
// Files: tables are found in the database folder without regard to case;
// created ones are spelled as listed ("ORGS.DBF", "sent.dbf", "Agents.dbf"),
// and their memo and index files take the table's base name as spelled
// ("outbox.dbf" gets "outbox.cdx"). ORGS has no index.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/xbase/cursor.h"
#include "platform/xbase/table_def.h"

namespace store {

enum class Table { Orgs, Groups, Nodes, Pending, Received, Sent, Outbox, Rules, Agents, Actions };

// All ten, in the order of the table list.
const std::vector<Table>& allTables();
const xbase::TableDef& tableDef(Table table);
// By file name, without regard to case, with or without ".dbf"; nullptr when
// the name is none of the ten.
const xbase::TableDef* findTableDef(std::string_view name);

// Opens the table in the database folder (shared unless asked otherwise).
std::unique_ptr<xbase::Cursor> openTable(const std::string& dbFolder, Table table,
                                         xbase::OpenMode mode = xbase::OpenMode::Shared);

// Makes the folder when missing, then every table that is not there yet,
// with its memo and index files; a new ORGS.DBF gets its one organisation
// row. Existing tables are left alone. Returns the file names it created.
std::vector<std::string> createStore(const std::string& dbFolder);

}  // namespace store
