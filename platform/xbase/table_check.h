// Consistency check of one table: its rows, memo pointers and every tag of
// its compound index compared with a scan of the rows (each row in the tag
// once, in key order; a unique tag holding the first row of each key).
//
// Contract: never raises for damage; every fault (including a table that
// cannot be opened) is one line of the result. Empty = consistent. The table
// is opened shared; writers working at the same time may show up as faults.
#pragma once

#include <string>
#include <vector>

namespace xbase {

std::vector<std::string> checkTable(const std::string& folder, const std::string& fileName);

}  // namespace xbase
