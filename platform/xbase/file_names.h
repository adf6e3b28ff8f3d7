// Finding table, memo and index files in a folder without regard to case,
// and naming the files that belong to a table.
//
// Contract: findFile returns the name as spelled on disk (an exact match is
// preferred; otherwise the first case-insensitive match in byte order), or
// an empty string. Companion names keep the table's base name as spelled and
// take an extension of the same case as the table's (.DBF -> .CDX, .dbf ->
// .cdx).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace xbase {

std::string joinPath(const std::string& folder, const std::string& name);
std::string findFile(const std::string& folder, const std::string& name);
// Every file of the folder whose name ends in ".dbf" (any case), sorted.
std::vector<std::string> listTables(const std::string& folder);
// "outbox.dbf" + "cdx" -> "outbox.cdx"; "NODES.DBF" + "cdx" -> "NODES.CDX".
std::string companionName(const std::string& tableName, std::string_view lowerExtension);
bool equalNoCase(std::string_view a, std::string_view b);
std::string upperAscii(std::string_view s);

}  // namespace xbase
