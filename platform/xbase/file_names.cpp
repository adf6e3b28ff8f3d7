#include "platform/xbase/file_names.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <memory>

#include "platform/system/error.h"
#include "platform/xbase/file_io.h"

namespace xbase {

namespace {

char lowerChar(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }
char upperChar(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }

std::vector<std::string> folderEntries(const std::string& folder) {
  std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.empty() ? "." : folder.c_str()), ::closedir);
  if (!dir) throw sys::Error("Cannot read the folder '" + folder + "': " + systemReason(errno));
  std::vector<std::string> names;
  while (const dirent* e = ::readdir(dir.get())) {
    std::string n = e->d_name;
    if (n != "." && n != "..") names.push_back(std::move(n));
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

bool equalNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (lowerChar(a[i]) != lowerChar(b[i])) return false;
  return true;
}

std::string upperAscii(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = upperChar(c);
  return r;
}

std::string joinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  if (folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

std::string findFile(const std::string& folder, const std::string& name) {
  struct stat st {};
  if (::stat(joinPath(folder, name).c_str(), &st) == 0 && S_ISREG(st.st_mode)) return name;
  for (const std::string& entry : folderEntries(folder))
    if (equalNoCase(entry, name)) return entry;
  return {};
}

std::vector<std::string> listTables(const std::string& folder) {
  std::vector<std::string> out;
  for (const std::string& entry : folderEntries(folder)) {
    if (entry.size() > 4 && equalNoCase(std::string_view(entry).substr(entry.size() - 4), ".dbf")) {
      struct stat st {};
      if (::stat(joinPath(folder, entry).c_str(), &st) == 0 && S_ISREG(st.st_mode)) out.push_back(entry);
    }
  }
  return out;
}

std::string companionName(const std::string& tableName, std::string_view lowerExtension) {
  const size_t dot = tableName.rfind('.');
  const std::string base = dot == std::string::npos ? tableName : tableName.substr(0, dot);
  const std::string ext = dot == std::string::npos ? std::string() : tableName.substr(dot + 1);
  const bool upper = !ext.empty() && std::all_of(ext.begin(), ext.end(), [](char c) {
    return !(c >= 'a' && c <= 'z');
  });
  std::string e(lowerExtension);
  if (upper) e = upperAscii(e);
  return base + "." + e;
}

}  // namespace xbase
