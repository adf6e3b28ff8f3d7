#include "agentrun/processor_log.h"

#include <fstream>

#include "platform/system/error.h"

namespace agentrun {
namespace {

bool readLines(const std::string& path, std::deque<std::string>& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    out.push_back(std::move(line));
  }
  return true;
}

}  // namespace

void ProcessorLog::insertTop(std::string line) {
  lines_.push_front(std::move(line));
  if (onInsertTop) onInsertTop();
}

bool ProcessorLog::load(const std::string& path) {
  std::deque<std::string> fresh;
  if (!readLines(path, fresh)) return false;
  lines_ = std::move(fresh);
  if (onReset) onReset();
  return true;
}

bool ProcessorLog::loadBelow(const std::string& path) {
  std::deque<std::string> older;
  if (!readLines(path, older)) return false;
  for (auto& l : older) lines_.push_back(std::move(l));
  if (onReset) onReset();
  return true;
}

void ProcessorLog::save(const std::string& path) const {
  const std::string temp = path + ".tmp";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) throw sys::Error("Cannot create file \"" + path + "\"");
    for (const auto& l : lines_) out << l << '\n';
    out.flush();
    if (!out) throw sys::Error("Cannot write file \"" + path + "\"");
  }
  if (std::rename(temp.c_str(), path.c_str()) != 0) throw sys::Error("Cannot write file \"" + path + "\"");
}

}  // namespace agentrun
