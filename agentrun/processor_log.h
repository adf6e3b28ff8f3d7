// The processor's log: text lines, newest first, without a limit on their
// number. Inserting a line costs the same however long the log has grown;
// observers (the window) are told of each insertion and of a reload.
// The log lives in a file between runs: one line per entry, newest first.
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <string>

namespace agentrun {

class ProcessorLog {
 public:
  void insertTop(std::string line);
  size_t size() const { return lines_.size(); }
  const std::string& line(size_t i) const { return lines_[i]; }  // 0 = newest
  const std::deque<std::string>& lines() const { return lines_; }

  // Replaces the lines with the file's; false when the file cannot be read.
  bool load(const std::string& path);
  // Appends the file's lines below the current ones (older lines last);
  // false when the file cannot be read.
  bool loadBelow(const std::string& path);
  // Writes all lines; raises sys::Error when the file cannot be written.
  void save(const std::string& path) const;

  std::function<void()> onInsertTop;  // one line was added at index 0
  std::function<void()> onReset;      // the whole list changed

 private:
  std::deque<std::string> lines_;
};

}  // namespace agentrun
