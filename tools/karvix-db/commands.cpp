#include "tools/karvix-db/commands.h"

#include <cstdlib>
#include <functional>
#include <map>

#include "platform/system/error.h"
#include "platform/xbase/cursor.h"
#include "platform/xbase/file_names.h"
#include "platform/xbase/table_check.h"
#include "store/schema.h"

namespace karvixdb {

namespace {

const char* kUsage =
    "usage: karvix-db create DIR\n"
    "       karvix-db append DIR TABLE COLUMN=VALUE ...\n"
    "       karvix-db list DIR TABLE [--tag TAG] [--deleted]\n"
    "       karvix-db delete DIR TABLE RECNO\n"
    "       karvix-db reindex DIR [TABLE]\n"
    "       karvix-db pack DIR [TABLE]\n"
    "       karvix-db check DIR [TABLE]\n"
    "TABLE is a table file name of DIR, with or without .dbf, in any case.\n"
    "list prints the column names, then one line per row, tab-separated; dates\n"
    "as YYYY-MM-DD, line breaks as \\n, tabs as \\t. With --deleted, rows marked\n"
    "deleted are listed too, and a first column DELETED holds * for them.\n";

struct UsageError {};

// The table file of DIR that TABLE names.
std::string resolveTable(const std::string& dir, const std::string& table) {
  std::string found;
  if (table.size() > 4 && xbase::equalNoCase(table.substr(table.size() - 4), ".dbf"))
    found = xbase::findFile(dir, table);
  if (found.empty()) found = xbase::findFile(dir, table + ".dbf");
  if (found.empty()) found = xbase::findFile(dir, table + ".DBF");
  if (found.empty()) throw sys::Error("Table '" + table + "' not found in '" + dir + "'");
  return found;
}

std::vector<std::string> tablesOf(const std::string& dir, const std::vector<std::string>& args, size_t at) {
  if (args.size() > at + 1) throw UsageError{};
  if (args.size() == at + 1) return {resolveTable(dir, args[at])};
  return xbase::listTables(dir);
}

std::string listValue(xbase::Cursor& c, const xbase::FieldDef& f) {
  std::string v = c.getString(f.name);
  if (f.type == xbase::FieldType::Date && v.size() == 8) return v.substr(0, 4) + "-" + v.substr(4, 2) + "-" + v.substr(6, 2);
  std::string out;
  for (size_t i = 0; i < v.size(); ++i) {
    if (v[i] == '\r') {
      out += "\\n";
      if (i + 1 < v.size() && v[i + 1] == '\n') ++i;
    } else if (v[i] == '\n') {
      out += "\\n";
    } else if (v[i] == '\t') {
      out += "\\t";
    } else {
      out += v[i];
    }
  }
  return out;
}

int cmdCreate(const std::vector<std::string>& a, std::ostream& out, std::ostream&) {
  if (a.size() != 2) throw UsageError{};
  for (const std::string& name : store::createStore(a[1])) out << "created " << name << "\n";
  return 0;
}

int cmdAppend(const std::vector<std::string>& a, std::ostream& out, std::ostream&) {
  if (a.size() < 4) throw UsageError{};
  std::vector<std::pair<std::string, std::string>> values;
  for (size_t i = 3; i < a.size(); ++i) {
    const size_t eq = a[i].find('=');
    if (eq == std::string::npos || eq == 0) throw UsageError{};
    values.emplace_back(a[i].substr(0, eq), a[i].substr(eq + 1));
  }
  auto c = xbase::Cursor::open(a[1], resolveTable(a[1], a[2]));
  c->insert();
  for (const auto& [column, value] : values) c->setString(column, value);
  c->post();
  out << c->recno() << "\n";
  return 0;
}

int cmdList(const std::vector<std::string>& a, std::ostream& out, std::ostream&) {
  if (a.size() < 3) throw UsageError{};
  std::string tag;
  bool deleted = false;
  for (size_t i = 3; i < a.size(); ++i) {
    if (a[i] == "--tag" && i + 1 < a.size())
      tag = a[++i];
    else if (a[i] == "--deleted")
      deleted = true;
    else
      throw UsageError{};
  }
  auto c = xbase::Cursor::open(a[1], resolveTable(a[1], a[2]));
  c->setShowDeleted(deleted);
  if (!tag.empty()) c->setOrder(tag);
  const std::vector<xbase::FieldDef> fields = c->fields();
  std::string line = deleted ? "DELETED" : "";
  for (size_t i = 0; i < fields.size(); ++i) line += (i == 0 && !deleted ? "" : "\t") + fields[i].name;
  out << line << "\n";
  for (c->first(); !c->eof(); c->next()) {
    line = deleted ? (c->deleted() ? "*" : "") : "";
    for (size_t i = 0; i < fields.size(); ++i) line += (i == 0 && !deleted ? "" : "\t") + listValue(*c, fields[i]);
    out << line << "\n";
  }
  return 0;
}

int cmdDelete(const std::vector<std::string>& a, std::ostream&, std::ostream&) {
  if (a.size() != 4) throw UsageError{};
  char* end = nullptr;
  const unsigned long recno = std::strtoul(a[3].c_str(), &end, 10);
  if (a[3].empty() || *end != '\0' || recno == 0 || recno > 0xFFFFFFFFul) throw UsageError{};
  auto c = xbase::Cursor::open(a[1], resolveTable(a[1], a[2]));
  c->go(uint32_t(recno));
  if (c->eof()) throw sys::Error("Record " + a[3] + " of table '" + c->fileName() + "' is already deleted");
  c->remove();
  return 0;
}

int cmdReindex(const std::vector<std::string>& a, std::ostream& out, std::ostream&) {
  if (a.size() < 2) throw UsageError{};
  for (const std::string& name : tablesOf(a[1], a, 2)) {
    auto c = xbase::Cursor::open(a[1], name, xbase::OpenMode::Exclusive);
    if (const xbase::TableDef* d = store::findTableDef(name))
      c->reindex(d->tags);  // the store's own tags: also repairs an unreadable index
    else
      c->reindex();
    if (c->tagNames().empty())
      out << name << " has no index\n";
    else
      out << "re-indexed " << name << "\n";
  }
  return 0;
}

int cmdPack(const std::vector<std::string>& a, std::ostream& out, std::ostream&) {
  if (a.size() < 2) throw UsageError{};
  for (const std::string& name : tablesOf(a[1], a, 2)) {
    auto c = xbase::Cursor::open(a[1], name, xbase::OpenMode::Exclusive);
    c->pack();
    out << "packed " << name << "\n";
  }
  return 0;
}

int cmdCheck(const std::vector<std::string>& a, std::ostream& out, std::ostream&) {
  if (a.size() < 2) throw UsageError{};
  const std::vector<std::string> tables = tablesOf(a[1], a, 2);
  size_t faults = 0;
  for (const std::string& name : tables) {
    for (const std::string& f : xbase::checkTable(a[1], name)) {
      out << name << ": " << f << "\n";
      ++faults;
    }
  }
  out << "checked " << tables.size() << " table" << (tables.size() == 1 ? "" : "s") << ", " << faults << " fault"
      << (faults == 1 ? "" : "s") << "\n";
  return faults == 0 ? 0 : 1;
}

}  // namespace

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  static const std::map<std::string, std::function<int(const std::vector<std::string>&, std::ostream&, std::ostream&)>>
      commands = {{"create", cmdCreate}, {"append", cmdAppend},   {"list", cmdList},  {"delete", cmdDelete},
                  {"reindex", cmdReindex}, {"pack", cmdPack}, {"check", cmdCheck}};
  try {
    if (args.empty()) throw UsageError{};
    const auto it = commands.find(args[0]);
    if (it == commands.end()) throw UsageError{};
    return it->second(args, out, err);
  } catch (const UsageError&) {
    err << kUsage;
    return 2;
  } catch (const sys::Error& e) {
    err << "karvix-db: " << e.what() << "\n";
    return 1;
  } catch (const std::exception& e) {
    err << "karvix-db: " << e.what() << "\n";
    return 1;
  }
}

}  // namespace karvixdb
