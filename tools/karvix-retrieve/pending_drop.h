// Putting a retrieved message into its account's Pending folder so that the
// processor never sees half a file, and the PENDING.DBF rows that go with it.
//
// PendingDrop::drop():
//   1. writes the message into the retriever's own folder of the account
//      (messages folder + id + "/Retrieve/tmp/") and flushes it to the disk;
//   2. adds the PENDING.DBF row (MESSAGE_ID = the file name without ".eml",
//      LINK_ID, RECDATE from the Date header, FROM, SUBJECT, FILENAME,
//      CREATEON and CREATEAT = the moment of retrieval);
//   3. links the file into Pending under its final name, which is never taken
//      twice (an existing name is never replaced);
//   4. when step 3 fails the row is removed again; the temporary file is
//      removed in every case.
//   The processor sees the file only complete. Once flushPending() has run
//   after it, the message is safe on the disk, and only then may the server
//   delete it (the poll flushes before it ends its session with QUIT, which
//   is when the server deletes). Failures throw sys::Error.
// File names: "yyyymmddhhmmss-xxxxxxxx.eml" (the moment, eight random hex
// digits): 27 characters, within the 30 of RECEIVED.FILENAME.
// forgetFiledRows(): removes the account's PENDING.DBF rows whose file is no
// longer in Pending (the processor has filed it), so the table holds what is
// really waiting.
#pragma once

#include <memory>
#include <string>

#include "platform/system/datetime.h"
#include "platform/xbase/cursor.h"

namespace retrieve {

// messages folder + id + "/Retrieve/": the retriever's files for the account.
std::string retrieverFolder(const std::string& messagesFolder, const std::string& accountId);

// Replaces path with content durably: a temporary file beside it, flushed,
// renamed over path, and the folder flushed.
void writeDurably(const std::string& path, const std::string& content);

// The Pending folder of one account, with PENDING.DBF open for the poll.
class PendingDrop {
 public:
  PendingDrop(std::string messagesFolder, std::string dbFolder, std::string accountId);
  ~PendingDrop();
  // Returns the file name (without folder) the message got in Pending.
  std::string drop(const std::string& message, sys::DateTime now);
  // Flushes the Pending folder (the names linked into it).
  void flush();

 private:
  std::string pending_, staging_, accountId_, dbFolder_;
  std::unique_ptr<xbase::Cursor> rows_;
};

void forgetFiledRows(const std::string& messagesFolder, const std::string& dbFolder, const std::string& accountId);

}  // namespace retrieve
