// Table definitions: columns in file order and index tags, as used to create
// a table and as read back from an existing one.
#pragma once

#include <string>
#include <vector>

namespace xbase {

enum class FieldType : char { Character = 'C', Numeric = 'N', Date = 'D', Logical = 'L', Memo = 'M' };

struct FieldDef {
  std::string name;  // upper case, at most 10 characters
  FieldType type = FieldType::Character;
  int length = 0;    // C: 1..254; N: 1..20; D: 8; L: 1; M: 10
  int decimals = 0;
};

struct TagDef {
  std::string name;    // also the column it indexes
  bool unique = false;
};

struct TableDef {
  std::string fileName;       // e.g. "NODES.DBF"
  std::string indexBaseName;  // e.g. "nodes"; empty: no compound index
  std::vector<FieldDef> fields;
  std::vector<TagDef> tags;   // creation order
};

}  // namespace xbase
