#include "store/schema.h"

#include <filesystem>
#include <map>

#include "platform/system/clock.h"
#include "platform/system/error.h"
#include "platform/xbase/file_names.h"
#include "store/keys.h"

namespace store {

namespace {

using xbase::FieldDef;
using xbase::FieldType;
using xbase::TableDef;
using xbase::TagDef;

FieldDef text(const char* name, int width = 20) { return {name, FieldType::Character, width, 0}; }
FieldDef whole(const char* name) { return {name, FieldType::Numeric, 6, 0}; }
FieldDef date(const char* name) { return {name, FieldType::Date, 8, 0}; }
FieldDef memo(const char* name) { return {name, FieldType::Memo, 10, 0}; }

std::vector<FieldDef> keys() {
  return {text("KEY1"), text("KEY2"), text("KEY3"), text("KEY4"), text("KEY5")};
}

// ORGS and GROUPS share their columns but the second.
std::vector<FieldDef> treeColumns(const char* nameColumn) {
  std::vector<FieldDef> f = {text("UNIQUE_ID"), text(nameColumn, 40), text("LINK_ID"), whole("POSITION"),
                             text("REF", 40)};
  for (const FieldDef& k : keys()) f.push_back(k);
  for (const FieldDef& c : {text("STATUS", 3), memo("NOTES"), text("CREATEBY", 8), text("OWNER", 8),
                            text("LASTUSER", 8), date("CREATEON")})
    f.push_back(c);
  return f;
}

std::vector<FieldDef> nodeColumns() {
  std::vector<FieldDef> f = {text("UNIQUE_ID"),       text("LINK_ID"),          text("NODE", 40),
                             whole("POSITION"),       text("REF", 40),          text("ADDRESS", 75),
                             text("LOGIN", 25),       text("PASSWORD", 25),     text("POPADDRESS", 50),
                             text("SMTPADDRES", 50)};
  for (const FieldDef& k : keys()) f.push_back(k);
  for (const FieldDef& c :
       {text("STATUS", 3), memo("NOTES"), text("CREATEBY", 8), text("OWNER", 8), text("LASTUSER", 8),
        date("LASTDATE"), text("LASTTIME", 6), date("NEXTDATE"), text("NEXTTIME", 5), text("FREQTYPE", 1),
        whole("FREQVAL"), text("LASTRESULT")})
    f.push_back(c);
  return f;
}

std::vector<FieldDef> messageColumns() {
  return {text("MESSAGE_ID", 40), text("LINK_ID"),     date("RECDATE"),      text("STATUS", 5),
          text("FROM", 40),       text("SUBJECT", 80), text("FILENAME", 30), date("CREATEON"),
          text("CREATEAT", 6),    text("LASTUSER", 10), date("LASTDATE"),    text("LASTTIME", 6)};
}

std::vector<FieldDef> mailColumns() {
  return {text("UNIQUE_ID"),       text("LINK_ID"),      date("DATE"),         text("STATUS", 5),
          text("TONAME", 40),      text("TOADDRESS", 50), text("SUBJECT", 80), text("FILENAME", 30),
          date("CREATEON"),        text("CREATEAT", 6),  text("LASTUSER", 10), date("LASTDATE"),
          text("LASTTIME", 6)};
}

std::vector<TableDef> makeDefs() {
  const std::vector<TagDef> messageTags = {{"MESSAGE_ID", true}, {"LINK_ID", false}, {"FROM", false}};
  const std::vector<TagDef> mailTags = {{"UNIQUE_ID", true}, {"LINK_ID", false}, {"SUBJECT", false},
                                        {"TONAME", false}};
  return {
      {"ORGS.DBF", "", treeColumns("ORG"), {}},
      {"GROUPS.DBF", "groups", treeColumns("GROUP"), {{"UNIQUE_ID", true}, {"LINK_ID", false}, {"GROUP", false}}},
      {"NODES.DBF", "nodes", nodeColumns(), {{"UNIQUE_ID", true}, {"LINK_ID", false}, {"NODE", false}}},
      {"PENDING.DBF", "pending", messageColumns(), messageTags},
      {"RECEIVED.DBF", "received", messageColumns(), messageTags},
      {"sent.dbf", "Sent", mailColumns(), mailTags},
      {"outbox.dbf", "OutBox", mailColumns(), mailTags},
      {"rules.dbf",
       "rules",
       {text("UNIQUE_ID"), text("LINK_ID"), text("RULE", 40), text("COND", 1), text("CONDVAL1", 100),
        text("CONDVAL2", 100), text("ACT1", 1), text("ACT2", 1)},
       {{"UNIQUE_ID", true}, {"LINK_ID", false}, {"RULE", false}}},
      {"Agents.dbf",
       "Agents",
       {text("UNIQUE_ID"), text("LINK_ID"), text("AGENT", 99), text("TYPE", 30), date("CREATEON"),
        text("CREATEAT", 6), text("LASTUSER", 10), date("LASTDATE")},
       {{"UNIQUE_ID", true}, {"LINK_ID", false}, {"AGENT", false}}},
      {"ACTIONS.DBF",
       "actions",
       {text("UNIQUE_ID"), text("MESSAGE_ID", 100), text("NODE_ID"), text("AGENT_ID"), text("ACTION", 254),
        date("CREATEON"), text("CREATEAT", 6)},
       {{"MESSAGE_ID", false}, {"UNIQUE_ID", false}, {"AGENT_ID", false}, {"NODE_ID", false}}},
  };
}

const std::vector<TableDef>& defs() {
  static const std::vector<TableDef> all = makeDefs();
  return all;
}

void addOrganisationRow(xbase::Cursor& orgs) {
  const sys::DateTime now = sys::now();
  orgs.insert();
  orgs.setString("UNIQUE_ID", timeStampKey(now, "Organisation", 2));
  orgs.setString("ORG", "Organisation");
  orgs.setDate("CREATEON", {now.year(), now.month(), now.day()});
  orgs.post();
}

}  // namespace

const std::vector<Table>& allTables() {
  static const std::vector<Table> all = {Table::Orgs, Table::Groups, Table::Nodes, Table::Pending,
                                         Table::Received, Table::Sent, Table::Outbox, Table::Rules,
                                         Table::Agents, Table::Actions};
  return all;
}

const TableDef& tableDef(Table table) { return defs()[size_t(table)]; }

const TableDef* findTableDef(std::string_view name) {
  for (const TableDef& d : defs()) {
    const std::string_view base = std::string_view(d.fileName).substr(0, d.fileName.size() - 4);
    if (xbase::equalNoCase(name, d.fileName) || xbase::equalNoCase(name, base)) return &d;
  }
  return nullptr;
}

std::unique_ptr<xbase::Cursor> openTable(const std::string& dbFolder, Table table, xbase::OpenMode mode) {
  return xbase::Cursor::open(dbFolder, tableDef(table).fileName, mode);
}

std::vector<std::string> createStore(const std::string& dbFolder) {
  std::error_code ec;
  std::filesystem::create_directories(dbFolder, ec);
  if (ec || !std::filesystem::is_directory(dbFolder))
    throw sys::Error("Cannot create the database folder '" + dbFolder + "': " + ec.message());
  std::vector<std::string> created;
  for (Table t : allTables()) {
    const TableDef& d = tableDef(t);
    if (!xbase::findFile(dbFolder, d.fileName).empty()) continue;
    auto cursor = xbase::Cursor::create(dbFolder, d);
    if (t == Table::Orgs) addOrganisationRow(*cursor);
    created.push_back(d.fileName);
  }
  return created;
}

}  // namespace store
