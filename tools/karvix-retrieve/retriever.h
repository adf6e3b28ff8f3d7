// Retriever: one pass over the accounts. Reads NODES.DBF (in file order),
// polls every account whose schedule has come (schedule.h) with
// pollAccount(), and writes back on that account's row, whatever the outcome:
//   NEXTDATE, NEXTTIME  the next poll (poll moment + FREQVAL minutes)
//   LASTDATE, LASTTIME  the moment of this poll
//   LASTRESULT          the poll's short outcome ("OK, 3 retrieved",
//                       "Login failed", "Server unreachable", ...)
// Only those columns are written, so the Configuration Manager's edits of
// other columns meanwhile are kept. A failed account is tried again at its
// next poll time; the other accounts are polled regardless.
// The settings (karvix.ini folders) are read by the caller once at start.
#pragma once

#include <string>

#include "tools/karvix-retrieve/account_poll.h"
#include "tools/karvix-retrieve/retrieve_log.h"

namespace retrieve {

struct PassResult {
  int polled = 0;
  int failed = 0;
};

class Retriever {
 public:
  Retriever(PollFolders folders, RetrieveLog& log) : folders_(std::move(folders)), log_(log) {}
  // Throws sys::Error when NODES.DBF cannot be read.
  PassResult runOnce();

 private:
  PollFolders folders_;
  RetrieveLog& log_;
};

}  // namespace retrieve
